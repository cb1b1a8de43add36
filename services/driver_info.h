// FP_DRIVERINFO: the deliverable's description, short name and the file version of the library.
#pragma once

#include <cstdint>

namespace tarvik {

class Driver;

// Returns the number of version characters written into version; 0 when the version of the
// library's file cannot be read (version then holds "1.4.0.1"). A field with a null buffer or a
// length of 0 or less is skipped.
int32_t DriverInfo(Driver& driver, int32_t descriptionLength, char* description, int32_t versionLength,
                   char* version, int32_t shortNameLength, char* shortName);

// Writes major.minor.build.revision of the two version halves into buffer within length bytes,
// zero-filled behind the text; returns the number of text characters written.
int32_t WriteVersionText(uint32_t mostSignificant, uint32_t leastSignificant, char* buffer, int32_t length);

}  // namespace tarvik
