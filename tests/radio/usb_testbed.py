#!/usr/bin/python3
"""Test bed for the libusb link: a fake radio (USB 0483:5780, bulk OUT 0x01,
bulk IN 0x81, 64-byte packets) answering usbfs ioctls, driven by the first
byte of each packet the client writes:
  'E' echo: answers <packet index, packet length> (two little-endian 16-bit
      numbers) followed by the packet itself
  'P' n   answers n bytes of an 8-byte reply, then nothing
  'S'     answers nothing
  'L' n   answers n bytes (0, 1, 2, ...) at once
  'G'     the device vanishes while the next read is under way: that URB
          and every later one fail with ENODEV
  'PSEARCH' answers ACK and seven bytes
FAKE_MODE: 'radio' (default; another, unrelated device is present too) or
'none' (only the unrelated device).
Run: umockdev-wrapper /usr/bin/python3 usb_testbed.py CLIENT [ARGS...]"""
import errno, os, struct, subprocess, sys
import gi
gi.require_version('UMockdev', '1.0')
from gi.repository import UMockdev

MODE = os.environ.get('FAKE_MODE', 'radio')
SUBMITURB, REAPURB, REAPURBNDELAY, DISCARDURB = 0x8038550a, 0x4008550c, 0x4008550d, 0x550b
CLAIM, RELEASE, GETCAPS = 0x8004550f, 0x80045510, 0x8004551a
URB_SIZE, OFF_STATUS, OFF_BUF, OFF_BUFLEN, OFF_ACTLEN = 0x38, 4, 0x10, 0x18, 0x1c


def descriptors(vendor, product):
    return (bytes.fromhex('1201000200000040') + struct.pack('<HH', vendor, product) +
            bytes.fromhex('000101020301') +
            bytes.fromhex('09022000010100803209040000020000000007050102400000070581024000 00'.replace(' ', '')))


def device(devnum, port, vendor, product):
    return """P: /devices/pci0000:00/0000:00:14.0/usb1/1-%d
N: bus/usb/001/%03d
E: DEVNAME=/dev/bus/usb/001/%03d
E: DEVTYPE=usb_device
E: DRIVER=usb
E: PRODUCT=%x/%x/100
E: TYPE=0/0/0
E: BUSNUM=001
E: DEVNUM=%03d
E: MAJOR=189
E: MINOR=%d
E: SUBSYSTEM=usb
A: busnum=1
A: devnum=%d
A: idVendor=%04x
A: idProduct=%04x
A: speed=12
A: bConfigurationValue=1
A: bNumConfigurations=1
A: bNumInterfaces= 1
H: descriptors=%s
""" % (port, devnum, devnum, vendor, product, devnum, devnum, devnum, vendor, product,
       descriptors(vendor, product).hex())


class FakeRadio(UMockdev.IoctlBase):
    def __init__(self):
        super().__init__()
        self.queue = []          # submitted URBs: (urb, buf, endpoint, length)
        self.pending = bytearray()
        self.packets = 0
        self.discarded = []
        self.gone = False
        self.vanishing = False
        self.unhandled = []

    def answer(self, packet):
        self.packets += 1
        cmd = packet[:1]
        if packet == b'PSEARCH':
            return b'\x06TESTBED'
        if cmd == b'E':
            return struct.pack('<HH', self.packets, len(packet)) + packet
        if cmd == b'P':
            return b'\x06ABCDEFG'[:packet[1]]
        if cmd == b'L':
            return bytes(i & 0xFF for i in range(packet[1]))
        if cmd == b'G':
            self.vanishing = True
        return b''

    def finish(self, client, arg, urb, status, actual):
        urb.update(OFF_STATUS, struct.pack('<i', status))
        urb.update(OFF_ACTLEN, struct.pack('<i', actual))
        arg.resolve(0, 8).set_ptr(0, urb)
        client.complete(0, 0)

    def do_handle_ioctl(self, client):
        req = client.get_request()
        arg = client.get_arg()
        if req == GETCAPS:
            arg.resolve(0, 4).update(0, struct.pack('<I', 0))
            client.complete(0, 0); return True
        if req in (CLAIM, RELEASE):
            client.complete(0, 0); return True
        if req == SUBMITURB:
            if self.gone:
                client.complete(-1, errno.ENODEV); return True
            urb = arg.resolve(0, URB_SIZE)
            raw = bytes(urb.retrieve())
            ep = raw[1]
            blen, = struct.unpack_from('<i', raw, OFF_BUFLEN)
            buf = urb.resolve(OFF_BUF, blen)
            self.queue.append((urb, buf, ep, blen))
            client.complete(0, 0); return True
        if req in (REAPURB, REAPURBNDELAY):
            if not self.queue:
                client.complete(-1, errno.EAGAIN); return True
            urb, buf, ep, blen = self.queue[0]
            if urb in self.discarded:
                self.queue.pop(0)
                self.discarded.remove(urb)
                self.finish(client, arg, urb, -errno.ENOENT, 0); return True
            if self.vanishing and ep & 0x80:
                # The kernel ends a pulled device's URBs with -ESHUTDOWN.
                self.gone = True
                self.queue.pop(0)
                self.finish(client, arg, urb, -errno.ESHUTDOWN, 0); return True
            if ep & 0x80:
                if not self.pending:
                    client.complete(-1, errno.EAGAIN); return True
                data = bytes(self.pending[:blen])
                del self.pending[:len(data)]
                buf.update(0, data)
                actual = len(data)
            else:
                self.pending += self.answer(bytes(buf.retrieve()))
                actual = blen
            self.queue.pop(0)
            self.finish(client, arg, urb, 0, actual); return True
        if req == DISCARDURB:
            ptr = struct.unpack('<Q', bytes(arg.retrieve())[:8])[0]
            match = [q for q in self.queue if q[0].client_addr == ptr]
            if not match:
                client.complete(-1, errno.EINVAL); return True
            self.discarded.append(match[0][0])
            client.complete(0, 0); return True
        self.unhandled.append(hex(req))
        client.complete(-1, errno.ENOTTY); return True


def main():
    assert 'umockdev-preload' in os.environ.get('LD_PRELOAD', ''), 'run under umockdev-wrapper'
    tb = UMockdev.Testbed.new()
    tb.add_from_string(device(3, 2, 0x1d6b, 0x0104))  # not a radio
    handler = FakeRadio()
    if MODE == 'radio':
        tb.add_from_string(device(2, 1, 0x0483, 0x5780))
        tb.attach_ioctl('/dev/bus/usb/001/002', handler)
    env = dict(os.environ, UMOCKDEV_DIR=tb.get_root_dir())
    p = subprocess.run(sys.argv[1:], env=env, timeout=60)
    sys.exit(p.returncode)


main()
