#include "tests/integration/driver_library.h"

#include <dlfcn.h>

namespace tarvik::integration {

const Deliverable& Quenda() {
    static const Deliverable d{"Quenda", TARVIK_LIB_QUENDA, 0};
    return d;
}
const Deliverable& Marbel() {
    static const Deliverable d{"Marbel", TARVIK_LIB_MARBEL, 5};
    return d;
}
const Deliverable& Ostryk() {
    static const Deliverable d{"Ostryk", TARVIK_LIB_OSTRYK, 1};
    return d;
}

DriverLibrary::DriverLibrary(const Deliverable& deliverable) {
    handle_ = dlopen(deliverable.Path, RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        error_ = dlerror();
        return;
    }
    GetStatus = reinterpret_cast<decltype(GetStatus)>(Find("FP_GETSTATUS"));
    ReleasePort = reinterpret_cast<decltype(ReleasePort)>(Find("FP_RELEASEPORT"));
    ErrInfo = reinterpret_cast<decltype(ErrInfo)>(Find("FP_ERRINFO"));
    DriverInfo = reinterpret_cast<decltype(DriverInfo)>(Find("FP_DRIVERINFO"));
}

DriverLibrary::~DriverLibrary() {
    if (handle_) dlclose(handle_);
}

void* DriverLibrary::Find(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

}  // namespace tarvik::integration
