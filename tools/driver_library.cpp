#include "driver_library.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>

namespace tarvik::cli {
namespace {

template <typename F>
void Find(void* handle, const char* name, F* place) {
    *place = reinterpret_cast<F>(dlsym(handle, name));
}

}  // namespace

bool DriverLibrary::Load(const std::string& nameOrPath, const std::string& libraryDir, std::string* error) {
    std::string path = nameOrPath;
    if (path.find('/') == std::string::npos) {
        std::string lower = path;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        path = libraryDir + "/lib" + lower + ".so";
    }
    Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!Handle) {
        *error = dlerror();
        return false;
    }
    Find(Handle, "FP_GETSTATUS", &FpGetStatus);
    Find(Handle, "FP_RELEASEPORT", &FpReleasePort);
    Find(Handle, "FP_ERRINFO", &FpErrInfo);
    Find(Handle, "FP_DRIVERINFO", &FpDriverInfo);
    return true;
}

DriverLibrary::~DriverLibrary() {
    if (Handle) dlclose(Handle);
}

}  // namespace tarvik::cli
