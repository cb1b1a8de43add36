#include "platform/posix/posix_platform.h"

#include "platform/posix/hive_files.h"
#include "platform/posix/serial_port_posix.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

namespace tarvik {
namespace {

// One write per line, so that lines of several processes appending to one file do not mix.
void WriteLine(int fd, const std::string& line) {
    std::string text = line + '\n';
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += std::size_t(n);
    }
}

}  // namespace

std::unique_ptr<SerialPort> PosixPlatform::OpenSerial(const std::string& name) {
    return posix::OpenSerialPort(name);
}

bool PosixPlatform::QueryRegistryValue(Hive hive, const std::string& keyPath, const std::string& valueName,
                                       uint32_t* type, uint8_t* data, uint32_t* size) {
    if (size == nullptr) return false;
    posix::RegFile file = posix::LoadHive(hive);
    std::string fullPath = posix::HiveRootKey(hive);
    if (!keyPath.empty()) fullPath += '\\' + keyPath;
    const posix::RegValue* value = file.Find(fullPath, valueName);
    if (value == nullptr) return false;
    // Without a buffer the caller learns type and size only, as from RegQueryValueExA.
    if (data != nullptr && value->data.size() > *size) return false;
    if (type != nullptr) *type = value->type;
    if (data != nullptr && !value->data.empty()) std::memcpy(data, value->data.data(), value->data.size());
    *size = uint32_t(value->data.size());
    return true;
}

void PosixPlatform::Trace(const std::string& line) {
    const char* target = std::getenv("TARVIK_TRACE");
    if (target == nullptr || *target == '\0') return;
    if (std::strcmp(target, "stderr") == 0) {
        WriteLine(STDERR_FILENO, line);
    } else if (std::strcmp(target, "syslog") == 0) {
        ::syslog(LOG_USER | LOG_DEBUG, "%s", line.c_str());
    } else {
        int fd = ::open(target, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
        if (fd < 0) return;
        WriteLine(fd, line);
        ::close(fd);
    }
}

void PosixPlatform::Sleep(uint32_t milliseconds) {
    struct timespec left;
    left.tv_sec = time_t(milliseconds / 1000);
    left.tv_nsec = long(milliseconds % 1000) * 1000000L;
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

bool PosixPlatform::FileVersion(uint32_t* mostSignificant, uint32_t* leastSignificant) {
    *mostSignificant = (uint32_t(TARVIK_FILE_VERSION_MAJOR) << 16) | uint32_t(TARVIK_FILE_VERSION_MINOR);
    *leastSignificant = (uint32_t(TARVIK_FILE_VERSION_BUILD) << 16) | uint32_t(TARVIK_FILE_VERSION_REVISION);
    return true;
}

}  // namespace tarvik
