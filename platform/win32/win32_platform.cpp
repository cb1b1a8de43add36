#include "platform/win32/win32_platform.h"

#include <winver.h>

#include <new>

#include "platform/win32/win32_serial_port.h"

namespace tarvik {
namespace {

// The last-error code left behind when the version block holds no fixed file information.
constexpr DWORD kNoFixedFileInfo = 1003;  // ERROR_CAN_NOT_COMPLETE

}  // namespace

std::unique_ptr<SerialPort> Win32Platform::OpenSerial(const std::string& name) {
    HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    std::unique_ptr<SerialPort> port(new (std::nothrow) Win32SerialPort(handle, name));
    if (!port) CloseHandle(handle);
    return port;
}

bool Win32Platform::QueryRegistryValue(Hive hive, const std::string& keyPath, const std::string& valueName,
                                       uint32_t* type, uint8_t* data, uint32_t* size) {
    HKEY root = hive == Hive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD valueType = REG_NONE;
    DWORD valueSize = *size;
    // A value larger than the buffer fails with ERROR_MORE_DATA and counts as absent.
    const LONG status = RegQueryValueExA(key, valueName.c_str(), nullptr, &valueType, data, &valueSize);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return false;
    *type = valueType;
    *size = valueSize;
    return true;
}

void Win32Platform::Trace(const std::string& line) { OutputDebugStringA(line.c_str()); }

void Win32Platform::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

bool Win32Platform::FileVersion(uint32_t* mostSignificant, uint32_t* leastSignificant) {
    char path[MAX_PATH];  // 260
    if (GetModuleFileNameA(module_, path, MAX_PATH) == 0) return false;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return false;
    void* block = Allocate(size);
    if (!block) return false;
    bool found = false;
    if (GetFileVersionInfoA(path, 0, size, block)) {
        VS_FIXEDFILEINFO* info = nullptr;
        UINT infoSize = 0;
        if (VerQueryValueA(block, "\\", reinterpret_cast<void**>(&info), &infoSize) && info) {
            *mostSignificant = info->dwFileVersionMS;
            *leastSignificant = info->dwFileVersionLS;
            found = true;
        } else {
            SetLastError(kNoFixedFileInfo);
        }
    }
    Release(block);
    return found;
}

}  // namespace tarvik
