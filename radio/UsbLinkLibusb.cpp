// The radio over libusb (Linux, macOS): interface 0, first bulk OUT and IN
// endpoints, one bulk transfer per packet.
#include <libusb.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "radio/LinkFactories.h"

namespace pendrak {

namespace {

constexpr uint16_t kRadioVendor = 0x0483;
constexpr uint16_t kRadioProduct = 0x5780;
constexpr int kReadCapacity = 16384;
constexpr const char* kUdevRuleName = "70-pendrak-radio.rules";
// Where the package puts the rule, and where a copy made by hand goes.
constexpr const char* kUdevPackageDir = "/usr/lib/udev/rules.d";
constexpr const char* kUdevLocalDir = "/etc/udev/rules.d";

class CLibusbLink : public IRadioLink {
public:
    CLibusbLink(libusb_context* ctx, libusb_device_handle* handle, unsigned char epOut,
                unsigned char epIn, int packetSize, bool reattach)
        : m_ctx(ctx), m_handle(handle), m_epOut(epOut), m_epIn(epIn),
          m_packetSize(packetSize), m_reattach(reattach) {
        // Whole packets only: a bulk IN request that is a multiple of the
        // packet size can never overflow, whatever the radio sends.
        m_buffer.resize(size_t(kReadCapacity / packetSize * packetSize));
    }

    ~CLibusbLink() override {
        libusb_release_interface(m_handle, 0);
        if (m_reattach && !m_gone) libusb_attach_kernel_driver(m_handle, 0);
        libusb_close(m_handle);
        libusb_exit(m_ctx);
    }

    int Write(const unsigned char* data, int size, uint32_t timeoutMs) override {
        if (m_gone || size <= 0) return 0;
        int transferred = 0;
        int r = libusb_bulk_transfer(m_handle, m_epOut, const_cast<unsigned char*>(data), size,
                                     &transferred, Timeout(timeoutMs));
        if (r == LIBUSB_ERROR_NO_DEVICE) m_gone = true;
        return r == 0 ? transferred : 0;
    }

    int ReadOnce(unsigned char* buffer, int maxSize, uint32_t timeoutMs) override {
        if (maxSize <= 0) return 0;
        if (m_used < m_filled) return Hand(buffer, maxSize);
        if (m_gone) return 0;
        const int packets = (maxSize + m_packetSize - 1) / m_packetSize;
        const int request = std::min(packets * m_packetSize, int(m_buffer.size()));
        int transferred = 0;
        // A timed-out transfer is cancelled by libusb before it returns, and
        // may still have carried bytes: keep them.
        int r = libusb_bulk_transfer(m_handle, m_epIn, m_buffer.data(), request, &transferred,
                                     Timeout(timeoutMs));
        if (r == LIBUSB_ERROR_NO_DEVICE) m_gone = true;
        m_used = 0;
        m_filled = size_t(std::clamp(transferred, 0, request));
        return Hand(buffer, maxSize);
    }

private:
    // libusb reads 0 as "wait for ever".
    static unsigned int Timeout(uint32_t ms) { return ms == 0 ? 1u : ms; }

    int Hand(unsigned char* buffer, int maxSize) {
        const size_t n = std::min(m_filled - m_used, size_t(maxSize));
        std::memcpy(buffer, m_buffer.data() + m_used, n);
        m_used += n;
        return int(n);
    }

    libusb_context* m_ctx;
    libusb_device_handle* m_handle;
    unsigned char m_epOut;
    unsigned char m_epIn;
    int m_packetSize;
    bool m_reattach;
    bool m_gone = false;
    std::vector<unsigned char> m_buffer;
    size_t m_used = 0;
    size_t m_filled = 0;
};

// What lets a normal user open the radio: the udev rule, named where it is
// or should be.
std::string PermissionHint(const std::string& node) {
    std::string text = "no permission to open the radio at " + node + "; ";
    for (const char* dir : {kUdevLocalDir, kUdevPackageDir}) {
        const std::string rule = std::string(dir) + "/" + kUdevRuleName;
        if (access(rule.c_str(), F_OK) == 0)
            return text + "the udev rule " + rule +
                   " is installed: reload it (sudo udevadm control --reload) and plug the radio in "
                   "again";
    }
    return text + "the udev rule " + kUdevRuleName + " grants it: the package installs it as " +
           kUdevPackageDir + "/" + kUdevRuleName +
           "; from a source tree: sudo cp res/udev/" + kUdevRuleName + " " + kUdevLocalDir +
           "/ && sudo udevadm control --reload; then plug the radio in again";
}

std::string DeviceNode(libusb_device* dev) {
    char node[64];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", libusb_get_bus_number(dev),
                  libusb_get_device_address(dev));
    return node;
}

// First bulk OUT and first bulk IN endpoint of interface 0.
bool FindEndpoints(libusb_device* dev, unsigned char& epOut, unsigned char& epIn, int& packetSize) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(dev, &config) != 0 &&
        libusb_get_config_descriptor(dev, 0, &config) != 0)
        return false;
    bool haveOut = false, haveIn = false;
    if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
        const libusb_interface_descriptor& alt = config->interface[0].altsetting[0];
        for (int i = 0; i < alt.bNumEndpoints; ++i) {
            const libusb_endpoint_descriptor& ep = alt.endpoint[i];
            if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) continue;
            if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_IN) != 0) {
                if (!haveIn) {
                    epIn = ep.bEndpointAddress;
                    packetSize = ep.wMaxPacketSize & 0x7FF;
                    haveIn = true;
                }
            } else if (!haveOut) {
                epOut = ep.bEndpointAddress;
                haveOut = true;
            }
        }
    }
    libusb_free_config_descriptor(config);
    if (packetSize <= 0) packetSize = 64;
    return haveOut && haveIn;
}

std::unique_ptr<IRadioLink> OpenDevice(libusb_context* ctx, libusb_device* dev, std::string& failure) {
    const std::string node = DeviceNode(dev);
    unsigned char epOut = 0, epIn = 0;
    int packetSize = 0;
    if (!FindEndpoints(dev, epOut, epIn, packetSize)) {
        failure = "the radio at " + node + " has no bulk endpoints on interface 0";
        return nullptr;
    }
    libusb_device_handle* handle = nullptr;
    int r = libusb_open(dev, &handle);
    if (r == LIBUSB_ERROR_ACCESS) {
        failure = PermissionHint(node);
        return nullptr;
    }
    if (r != 0) {
        failure = "cannot open the radio at " + node + ": " + libusb_strerror(r);
        return nullptr;
    }
    bool reattach = false;
    if (libusb_kernel_driver_active(handle, 0) == 1) {
        reattach = libusb_detach_kernel_driver(handle, 0) == 0;
    }
    r = libusb_claim_interface(handle, 0);
    if (r != 0) {
        failure = "cannot claim the radio's interface at " + node + ": " + libusb_strerror(r);
        if (reattach) libusb_attach_kernel_driver(handle, 0);
        libusb_close(handle);
        return nullptr;
    }
    return std::make_unique<CLibusbLink>(ctx, handle, epOut, epIn, packetSize, reattach);
}

}  // namespace

std::unique_ptr<IRadioLink> OpenUsbLink(std::string& failure) {
    libusb_context* ctx = nullptr;
    int r = libusb_init(&ctx);
    if (r != 0) {
        failure = std::string("USB is not available: ") + libusb_strerror(r);
        return nullptr;
    }
    libusb_device** list = nullptr;
    ssize_t count = libusb_get_device_list(ctx, &list);
    libusb_device* radio = nullptr;
    for (ssize_t i = 0; i < count && !radio; ++i) {
        libusb_device_descriptor desc;
        if (libusb_get_device_descriptor(list[i], &desc) == 0 && desc.idVendor == kRadioVendor &&
            desc.idProduct == kRadioProduct)
            radio = list[i];
    }
    std::unique_ptr<IRadioLink> link;
    if (!radio) {
        failure = "no radio found on USB (device 0483:5780)";
    } else {
        // Only the first radio is tried, as on every other platform.
        link = OpenDevice(ctx, radio, failure);
    }
    if (count >= 0) libusb_free_device_list(list, 1);
    if (!link) libusb_exit(ctx);
    return link;
}

}  // namespace pendrak
