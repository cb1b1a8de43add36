// A deliverable loaded with dlopen for one test and unloaded after it, so that every test starts
// from the library's load step.
#pragma once

#include <cstdint>
#include <string>

namespace tarvik::integration {

struct Deliverable {
    const char* Name;
    const char* Path;
    int ModelCode;
};

const Deliverable& Quenda();
const Deliverable& Marbel();
const Deliverable& Ostryk();

class DriverLibrary {
public:
    explicit DriverLibrary(const Deliverable& deliverable);
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    const std::string& Error() const { return error_; }
    // Looks an entry point up by name; null when the library does not export it.
    void* Find(const char* name) const;

    int (*GetStatus)(uint32_t*) = nullptr;
    int (*ReleasePort)() = nullptr;
    void (*ErrInfo)(int, int, char*) = nullptr;
    int (*DriverInfo)(int, char*, int, char*, int, char*) = nullptr;

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace tarvik::integration
