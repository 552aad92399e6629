#include "radio/RadioLink.h"

#include <cstdlib>

#include "platform/System.h"
#include "radio/LinkFactories.h"

namespace pendrak {

RadioTimeouts g_radioTimeouts;
std::unique_ptr<IRadioLink> g_hRadioDevice;

namespace {

constexpr int kDrainChunk = 1024;

std::string g_address = "usb";
std::string g_openFailure;
std::string g_linkFault;
RadioLinkOpener g_opener;
bool g_bMayCreate = true;

// Splits "tcp:HOST:PORT" at its last colon, so a bracketless IPv6 host stays whole.
bool ParseTcpAddress(const std::string& address, std::string& host, uint16_t& port) {
    if (address.rfind("tcp:", 0) != 0) return false;
    const std::string rest = address.substr(4);
    const size_t colon = rest.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == rest.size()) return false;
    const std::string digits = rest.substr(colon + 1);
    if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    const long value = std::strtol(digits.c_str(), nullptr, 10);
    if (value < 1 || value > 65535) return false;
    host = rest.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    port = static_cast<uint16_t>(value);
    return !host.empty();
}

}  // namespace

void SetRadioAddress(const std::string& address) { g_address = address; }

void SetRadioMayCreate(bool mayCreate) { g_bMayCreate = mayCreate; }
bool RadioMayCreate() { return g_bMayCreate; }

bool IsValidRadioAddress(const std::string& address) {
    std::string host;
    uint16_t port = 0;
    if (address == "usb") return true;
    if (address.rfind("sim:", 0) == 0) return address.size() > 4;
    return ParseTcpAddress(address, host, port);
}

const std::string& RadioOpenFailure() { return g_openFailure; }

bool RadioAddressIsUsb() { return g_address == "usb"; }

const std::string& RadioLinkFault() { return g_linkFault; }

void SetRadioLinkOpener(RadioLinkOpener opener) { g_opener = std::move(opener); }

int RadioOpen() {
    RadioClose();
    g_openFailure.clear();
    g_linkFault.clear();
    const std::string& address = g_address;
    std::string host;
    uint16_t port = 0;
    if (g_opener) {
        g_hRadioDevice = g_opener(g_openFailure);
    } else if (address == "usb") {
        g_hRadioDevice = OpenUsbLink(g_openFailure);
    } else if (address.rfind("sim:", 0) == 0 && address.size() > 4) {
        g_hRadioDevice = OpenSimLink(address.substr(4), g_openFailure);
    } else if (ParseTcpAddress(address, host, port)) {
        g_hRadioDevice = OpenTcpLink(host, port, g_openFailure);
    } else {
        g_openFailure = "not a radio address: \"" + address +
                        "\" (use usb, sim:PATH or tcp:HOST:PORT)";
    }
    if (g_hRadioDevice) {
        g_openFailure.clear();
        return 1;
    }
    if (g_openFailure.empty()) g_openFailure = "the radio could not be opened";
    return 0;
}

void RadioClose() {
    if (!g_hRadioDevice) return;
    std::unique_ptr<IRadioLink> link = std::move(g_hRadioDevice);
    g_linkFault = link->Close();
}

int RadioWrite(const void* data, int size) {
    if (!g_hRadioDevice || size <= 0) return 0;
    return g_hRadioDevice->Write(static_cast<const unsigned char*>(data), size,
                                 g_radioTimeouts.writeMs);
}

namespace {

int ReadOnceWithin(void* buffer, int maxSize, uint32_t timeoutMs) {
    if (!g_hRadioDevice || maxSize < 0) return 0;
    return g_hRadioDevice->ReadOnce(static_cast<unsigned char*>(buffer), maxSize, timeoutMs);
}

}  // namespace

int RadioReadOnce(void* buffer, int maxSize) {
    return ReadOnceWithin(buffer, maxSize, g_radioTimeouts.readMs);
}

int RadioReadExact(void* buffer, int size) {
    if (size < 0) return 0;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    const uint32_t start = TickCount();
    int gathered = 0;
    for (;;) {
        gathered += RadioReadOnce(out + gathered, size - gathered);
        if (gathered >= size) return size;
        SleepMs(g_radioTimeouts.pollMs);
        if (uint32_t(TickCount() - start) >= g_radioTimeouts.exactWindowMs) return gathered;
    }
}

void RadioDrain() {
    unsigned char scratch[kDrainChunk];
    const uint32_t start = TickCount();
    for (;;) {
        if (ReadOnceWithin(scratch, kDrainChunk, g_radioTimeouts.drainReadMs) == 0) return;
        SleepMs(g_radioTimeouts.pollMs);
        if (uint32_t(TickCount() - start) >= g_radioTimeouts.drainWindowMs) return;
    }
}

}  // namespace pendrak
