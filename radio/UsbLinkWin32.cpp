// The radio through its Windows driver: the device interface found with
// SetupAPI, opened for overlapped reads and writes.
#include <windows.h>
#include <setupapi.h>

#include <cstring>

#include "radio/LinkFactories.h"

namespace pendrak {

namespace {

// GUID_DEVINTERFACE_USB_DEVICE
const GUID kUsbDeviceInterface = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
constexpr char kPathPrefix[] = "\\\\?\\usb#vid_0483&pid_5780";
constexpr size_t kPathPrefixLength = 25;
constexpr DWORD kDetailBufferSize = 1024;
static_assert(sizeof kPathPrefix - 1 == kPathPrefixLength, "prefix length");

class CEvent {
public:
    CEvent() : m_handle(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~CEvent() {
        if (m_handle) CloseHandle(m_handle);
    }
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

class CWin32Link : public IRadioLink {
public:
    explicit CWin32Link(HANDLE handle) : m_handle(handle) {}
    ~CWin32Link() override { CloseHandle(m_handle); }

    int Write(const unsigned char* data, int size, uint32_t timeoutMs) override {
        CEvent event;
        if (!event.Get()) return 0;
        OVERLAPPED ov;
        std::memset(&ov, 0, sizeof ov);
        ov.hEvent = event.Get();
        DWORD count = 0;
        if (WriteFile(m_handle, data, DWORD(size), &count, &ov)) return int(count);
        if (GetLastError() != ERROR_IO_PENDING) return 0;
        if (WaitForSingleObject(event.Get(), timeoutMs) == WAIT_OBJECT_0) {
            count = 0;
            return GetOverlappedResult(m_handle, &ov, &count, TRUE) ? int(count) : 0;
        }
        Abandon(ov);
        return 0;
    }

    int ReadOnce(unsigned char* buffer, int maxSize, uint32_t timeoutMs) override {
        CEvent event;
        if (!event.Get()) return 0;
        ClearCommError(m_handle, nullptr, nullptr);
        OVERLAPPED ov;
        std::memset(&ov, 0, sizeof ov);
        ov.hEvent = event.Get();
        DWORD count = 0;
        if (ReadFile(m_handle, buffer, DWORD(maxSize), &count, &ov)) return int(count);
        if (GetLastError() != ERROR_IO_PENDING) return 0;
        if (WaitForSingleObject(event.Get(), timeoutMs) != WAIT_OBJECT_0) {
            Abandon(ov);
            return 0;
        }
        count = 0;
        return GetOverlappedResult(m_handle, &ov, &count, FALSE) ? int(count) : 0;
    }

private:
    // A timed-out transfer must be over before its event, record and buffer
    // go: cancel it and wait for the cancellation (or a late completion).
    void Abandon(OVERLAPPED& ov) {
        DWORD ignored = 0;
        CancelIoEx(m_handle, &ov);
        GetOverlappedResult(m_handle, &ov, &ignored, TRUE);
    }

    HANDLE m_handle;
};

}  // namespace

std::unique_ptr<IRadioLink> OpenUsbLink(std::string& failure) {
    HDEVINFO set = SetupDiGetClassDevsA(&kUsbDeviceInterface, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        failure = "the USB devices could not be listed";
        return nullptr;
    }
    auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(GlobalAlloc(GPTR, kDetailBufferSize));
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool found = false;
    DWORD openError = 0;
    if (detail) {
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        for (DWORD index = 0;; ++index) {
            SP_DEVICE_INTERFACE_DATA data;
            std::memset(&data, 0, sizeof data);
            data.cbSize = sizeof data;
            if (!SetupDiEnumDeviceInterfaces(set, nullptr, &kUsbDeviceInterface, index, &data)) break;
            // An interface whose detail cannot be read is passed over: it
            // must not hide a radio enumerated after it.
            if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, kDetailBufferSize, nullptr, nullptr))
                continue;
            if (std::strncmp(detail->DevicePath, kPathPrefix, kPathPrefixLength) != 0) continue;
            found = true;
            handle = CreateFileA(detail->DevicePath, GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, nullptr);
            if (handle == INVALID_HANDLE_VALUE) openError = GetLastError();
            break;  // the first radio only, whether it opened or not
        }
        GlobalFree(detail);
    } else {
        failure = "out of memory while looking for the radio";
    }
    SetupDiDestroyDeviceInfoList(set);
    if (handle != INVALID_HANDLE_VALUE) return std::make_unique<CWin32Link>(handle);
    if (found) {
        failure = "the radio was found but could not be opened (Windows error " +
                  std::to_string(openError) + ")";
    } else if (failure.empty()) {
        failure = "no radio found on USB (device 0483:5780)";
    }
    return nullptr;
}

}  // namespace pendrak
