// How an entry point is marked for export on each platform.
#pragma once

#if defined(_WIN32)
// The .def file names the exports and their ordinals.
#define TARVIK_EXPORT
#else
#define TARVIK_EXPORT __attribute__((visibility("default")))
#endif
