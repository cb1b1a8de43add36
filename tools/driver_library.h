// One deliverable loaded at run time, with its entry points looked up by name. Entry points the
// library does not export stay null.
#pragma once

#include <cstdint>
#include <string>

namespace tarvik::cli {

struct DriverLibrary {
    using GetStatus = int (*)(uint32_t*);
    using ReleasePort = int (*)();
    using ErrInfo = void (*)(int, int, char*);
    using DriverInfo = int (*)(int, char*, int, char*, int, char*);

    // Loads a library by path, or by deliverable name (quenda, marbel, ostryk) from libraryDir.
    bool Load(const std::string& nameOrPath, const std::string& libraryDir, std::string* error);
    ~DriverLibrary();

    void* Handle = nullptr;
    GetStatus FpGetStatus = nullptr;
    ReleasePort FpReleasePort = nullptr;
    ErrInfo FpErrInfo = nullptr;
    DriverInfo FpDriverInfo = nullptr;
};

}  // namespace tarvik::cli
