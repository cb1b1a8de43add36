#include "platform/posix/hive_files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik::posix {
namespace {

// A settings file is a few hundred bytes; the cap only keeps a wrong path (a huge file) from
// costing the host its memory.
constexpr std::size_t kMaxFileSize = 16u << 20;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string ReadRegularFile(const std::string& path) {
    std::string bytes;
    // Non-blocking, so that a path naming a FIFO does not hang the open.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char chunk[8192];
        while (bytes.size() < kMaxFileSize) {
            ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            bytes.append(chunk, std::size_t(n));
        }
        if (bytes.size() > kMaxFileSize) bytes.resize(kMaxFileSize);
    }
    ::close(fd);
    return bytes;
}

}  // namespace

std::string HiveFilePath(Hive hive) {
    if (hive == Hive::LocalMachine) {
        std::string path = Env("TARVIK_MACHINE_REG");
        return path.empty() ? std::string("/etc/tarvik/machine.reg") : path;
    }
    std::string path = Env("TARVIK_USER_REG");
    if (!path.empty()) return path;
    std::string config = Env("XDG_CONFIG_HOME");
    if (config.empty()) {
        std::string home = Env("HOME");
        if (home.empty()) return std::string();
        config = home + "/.config";
    }
    return config + "/tarvik/user.reg";
}

const char* HiveRootKey(Hive hive) {
    return hive == Hive::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

RegFile LoadHive(Hive hive) {
    std::string path = HiveFilePath(hive);
    if (path.empty()) return RegFile();
    return RegFile::Parse(ReadRegularFile(path));
}

}  // namespace tarvik::posix
