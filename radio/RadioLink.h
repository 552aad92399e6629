// The device link to the radio: one open link at a time, behind one
// interface, chosen by the radio address ("usb", "sim:PATH", "tcp:HOST:PORT").
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pendrak {

// Time-outs of the link, in milliseconds. Tests shorten them.
struct RadioTimeouts {
    uint32_t writeMs = 500;        // a write's completion
    uint32_t readMs = 2000;        // one read's completion
    uint32_t exactWindowMs = 500;  // RadioReadExact keeps starting reads this long
    uint32_t pollMs = 1;           // pause between reads
    uint32_t drainWindowMs = 500;  // RadioDrain gives up after this long
    // A drain read that yields nothing this long ends the drain: a radio
    // sends what it still has pending at once.
    uint32_t drainReadMs = 100;
};
extern RadioTimeouts g_radioTimeouts;

class IRadioLink {
public:
    virtual ~IRadioLink() = default;
    // One whole packet; bytes written, 0 on failure or time-out.
    virtual int Write(const unsigned char* data, int size, uint32_t timeoutMs) = 0;
    // What has arrived, up to maxSize, waiting up to timeoutMs; 0 on
    // failure or time-out. Bytes beyond maxSize stay for the next read.
    virtual int ReadOnce(unsigned char* buffer, int maxSize, uint32_t timeoutMs) = 0;
    // Ends the link before it is destroyed. Returns why the link itself
    // failed, when it knows (an emulated radio whose memory file could not
    // take a block); empty otherwise.
    virtual std::string Close() { return {}; }
};

// The one open link; null when closed. Written only by RadioOpen/RadioClose.
extern std::unique_ptr<IRadioLink> g_hRadioDevice;

// The address RadioOpen uses; "usb" by default.
void SetRadioAddress(const std::string& address);
// True for "usb", "sim:PATH" and "tcp:HOST:PORT" with a port 1-65535.
bool IsValidRadioAddress(const std::string& address);

// Why the last RadioOpen failed, in words (device node and udev rule on a
// permission failure, the path or host for sim: and tcp:); empty after success.
const std::string& RadioOpenFailure();
// False for sim: and tcp: addresses, whose open failures say all in
// RadioOpenFailure(): the general USB text would point the wrong way.
bool RadioAddressIsUsb();
// What the link closed last said of its own failure (IRadioLink::Close);
// cleared by RadioOpen.
const std::string& RadioLinkFault();

// Whether RadioOpen may make a fresh emulated radio where its memory file
// is missing: a Write may, a Read must find one. True until set.
void SetRadioMayCreate(bool mayCreate);
bool RadioMayCreate();

// Opens the link in place of the address's own (tests and the fuzz target:
// a link of their own behind the connection check); an empty function
// restores the address. Null from it is a failed open, with its reason.
using RadioLinkOpener = std::function<std::unique_ptr<IRadioLink>(std::string& failure)>;
void SetRadioLinkOpener(RadioLinkOpener opener);

int RadioOpen();   // 1 when a radio was found and opened, else 0
void RadioClose();
int RadioWrite(const void* data, int size);
int RadioReadOnce(void* buffer, int maxSize);
int RadioReadExact(void* buffer, int size);
void RadioDrain();

}  // namespace pendrak
