// A Windows host program for the driver DLLs, run under Wine by scripts/test-windows. It loads a
// DLL as a point-of-sale program would (LoadLibraryA, functions found by name and by ordinal) and
// runs one scenario against the printer on COM1:
//
//   wine_host exports DLL NAME=ORDINAL...      every name resolves, to the same address as its ordinal
//   wine_host info DLL DESCRIPTION SHORTNAME   FP_DRIVERINFO with the version from the resource
//   wine_host errinfo DLL                      FP_ERRINFO messages, byte for byte in Windows-1250
//   wine_host status DLL WORD CALLS            CALLS status readings, each result 0 and WORD
//   wine_host reopen DLL WORD                  status, release (twice), status again
//   wine_host reload DLL WORD                  status, unload and load the DLL, status again
//   wine_host badport DLL BADPORT PORT SECOND  a port that cannot be opened: 8, then SECOND; a
//                                              corrected Port counts only after FP_RELEASEPORT
//   wine_host silent DLL                       a printer that does not answer DLE: 5 once the
//                                              port's read time-outs ran out five times
//
// What reached the printer and the debug trace are checked by the script. Prints one line per
// failed expectation and exits 1 when there was any.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#define FP_API
#include "tarvik/fp.h"

namespace {

int g_failures = 0;

void Expect(bool ok, const std::string& what) {
    if (ok) return;
    ++g_failures;
    std::printf("  expected: %s\n", what.c_str());
}

std::string Hex(const char* bytes, std::size_t n) {
    std::string out;
    char two[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(bytes[i]));
        out += two;
    }
    return out;
}

// True when buffer holds text, then zero bytes up to size.
bool HoldsPadded(const char* buffer, std::size_t size, const std::string& text) {
    if (text.size() > size || std::memcmp(buffer, text.data(), text.size()) != 0) return false;
    for (std::size_t i = text.size(); i < size; ++i) {
        if (buffer[i] != 0) return false;
    }
    return true;
}

// The function types of the public header.
using GetStatusFn = decltype(&FP_GETSTATUS);
using DriverInfoFn = decltype(&FP_DRIVERINFO);
using ReleasePortFn = decltype(&FP_RELEASEPORT);
using ErrInfoFn = decltype(&FP_ERRINFO);

struct Library {
    HMODULE module = nullptr;

    explicit Library(const char* path) : module(LoadLibraryA(path)) {
        if (!module) std::printf("  LoadLibraryA(%s) failed: error %lu\n", path, GetLastError());
    }
    ~Library() { Unload(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    void Unload() {
        if (module) FreeLibrary(module);
        module = nullptr;
    }

    template <typename Fn>
    Fn ByName(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    template <typename Fn>
    Fn ByOrdinal(WORD ordinal) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
    }
};

bool SetPort(const char* port) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Korvan\\Tarvik", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG status = RegSetValueExA(key, "Port", 0, REG_SZ, reinterpret_cast<const BYTE*>(port),
                                       static_cast<DWORD>(std::strlen(port) + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

void Exports(const Library& dll, int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        const std::string pair = argv[i];
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos) {
            Expect(false, "NAME=ORDINAL, not " + pair);
            continue;
        }
        const std::string name = pair.substr(0, equals);
        const WORD ordinal = static_cast<WORD>(std::atoi(pair.c_str() + equals + 1));
        void* byName = dll.ByName<void*>(name.c_str());
        void* byOrdinal = dll.ByOrdinal<void*>(ordinal);
        Expect(byName != nullptr, name + " found by name");
        Expect(byName == byOrdinal, name + " is ordinal " + std::to_string(ordinal));
    }
}

void Info(const Library& dll, const std::string& description, const std::string& shortName) {
    auto info = dll.ByName<DriverInfoFn>("FP_DRIVERINFO");
    if (!info) return Expect(false, "FP_DRIVERINFO");

    char desc[64];
    char version[20];
    char name[16];
    std::memset(desc, 0x55, sizeof desc);
    std::memset(version, 0x55, sizeof version);
    std::memset(name, 0x55, sizeof name);
    const int length = info(sizeof desc, desc, sizeof version, version, sizeof name, name);
    Expect(length == 8, "version length 8, got " + std::to_string(length));
    Expect(HoldsPadded(version, sizeof version, "1.4.2.35"), "version 1.4.2.35 from the resource, got " +
                                                                 Hex(version, sizeof version));
    Expect(HoldsPadded(desc, sizeof desc, description), "description " + description);
    Expect(HoldsPadded(name, sizeof name, shortName), "short name " + shortName);

    // A buffer shorter than the text: cut, no zero byte, nothing written past it.
    char shortVersion[8];
    std::memset(shortVersion, 0x55, sizeof shortVersion);
    const int cut = info(0, nullptr, 5, shortVersion, 0, nullptr);
    Expect(cut == 5, "cut version length 5, got " + std::to_string(cut));
    Expect(std::memcmp(shortVersion, "1.4.2\x55\x55\x55", 8) == 0, "1.4.2 and the rest untouched, got " +
                                                                      Hex(shortVersion, sizeof shortVersion));
}

void ErrInfo(const Library& dll) {
    // Called by ordinal, as some hosts do.
    auto errInfo = dll.ByOrdinal<ErrInfoFn>(20);
    if (!errInfo) return Expect(false, "FP_ERRINFO by ordinal 20");
    struct Case {
        int code;
        int length;
        const char* message;  // Windows-1250
        bool padded;          // the rest of the buffer zero-filled; otherwise the text is cut
    };
    const Case cases[] = {
        {11, 100, "Nieprawid\xB3owa kolejno\x9C\xE6 sekwencji paragonowych", true},
        {8, 40, "B\xB3\xB9" "d po\xB3\xB9" "czenia z portem", true},
        {4, 4, "B\xB3\xB9" "d", false},
        {256, 32, "B\xB3\xB9" "d nieokre\x9Clony", true},
        {-1, 32, "B\xB3\xB9" "d nieokre\x9Clony", true},
    };
    for (const Case& c : cases) {
        char buffer[128];
        std::memset(buffer, 0x55, sizeof buffer);
        errInfo(c.code, c.length, buffer);
        const std::size_t n = static_cast<std::size_t>(c.length);
        const bool text = c.padded ? HoldsPadded(buffer, n, c.message) : std::memcmp(buffer, c.message, n) == 0;
        Expect(text && buffer[n] == 0x55, "code " + std::to_string(c.code) + " in " + std::to_string(n) +
                                              " bytes: " + Hex(c.message, std::strlen(c.message)) + ", got " +
                                              Hex(buffer, n + 1));
    }
}

// One status reading through ordinal 1: result and word.
void ExpectStatus(const Library& dll, uint32_t word, const char* when) {
    auto getStatus = dll.ByOrdinal<GetStatusFn>(1);
    if (!getStatus) return Expect(false, "FP_GETSTATUS by ordinal 1");
    uint32_t status = 0;
    const int result = getStatus(&status);
    char text[96];
    std::snprintf(text, sizeof text, "%s: result 0 and word %08X, got %d and %08X", when, word, result, status);
    Expect(result == 0 && status == word, text);
}

void ExpectRelease(const Library& dll) {
    auto release = dll.ByName<ReleasePortFn>("FP_RELEASEPORT");
    if (!release) return Expect(false, "FP_RELEASEPORT");
    Expect(release() == 0, "FP_RELEASEPORT 0");
}

void Status(const Library& dll, uint32_t word, int calls) {
    for (int i = 0; i < calls; ++i) ExpectStatus(dll, word, "reading");
}

void Reopen(const Library& dll, uint32_t word) {
    ExpectStatus(dll, word, "first opening");
    ExpectRelease(dll);
    ExpectRelease(dll);  // nothing left to release
    ExpectStatus(dll, word, "after release");
}

void Reload(Library& dll, const char* path, uint32_t word) {
    ExpectStatus(dll, word, "first load");
    // Unloading with the port open must let it go: the next load opens it again.
    dll.Unload();
    dll.module = LoadLibraryA(path);
    Expect(dll.module != nullptr, "second load");
    if (dll.module) ExpectStatus(dll, word, "second load");
}

void BadPort(const Library& dll, const char* badPort, const char* goodPort, int second) {
    auto getStatus = dll.ByName<GetStatusFn>("FP_GETSTATUS");
    if (!getStatus) return Expect(false, "FP_GETSTATUS");
    Expect(SetPort(badPort), std::string("Port set to ") + badPort);
    uint32_t word = 0;
    int result = getStatus(&word);
    Expect(result == 8 && (word & 0x100), "first call 8 with bit 0x100, got " + std::to_string(result));
    result = getStatus(&word);
    Expect(result == second, "second call " + std::to_string(second) + ", got " + std::to_string(result));
    // The settings are read once per opening: a corrected Port waits for the release.
    Expect(SetPort(goodPort), std::string("Port set to ") + goodPort);
    result = getStatus(&word);
    Expect(result == second, "before release still " + std::to_string(second) + ", got " + std::to_string(result));
    ExpectRelease(dll);
    result = getStatus(&word);
    Expect(result == 0 && !(word & 0x100), "after release 0, got " + std::to_string(result));
}

// Model codes 0 and 5: the DLE byte of the readiness check gets no answer. Each of the five
// attempts waits the total read time-out (4 + 2000 ms) and pauses 200 ms; a port whose time-outs
// did not take would return at once, or never.
void Silent(const Library& dll) {
    auto getStatus = dll.ByName<GetStatusFn>("FP_GETSTATUS");
    if (!getStatus) return Expect(false, "FP_GETSTATUS");
    uint32_t word = 0;
    const ULONGLONG start = GetTickCount64();
    const int result = getStatus(&word);
    const ULONGLONG elapsed = GetTickCount64() - start;
    Expect(result == 5 && word == 0x04520100, "result 5 and word 04520100, got " + std::to_string(result));
    Expect(elapsed >= 10000 && elapsed <= 30000, "five read time-outs of 2 s, took " + std::to_string(elapsed) + " ms");
}

uint32_t Word(const char* text) { return static_cast<uint32_t>(std::strtoul(text, nullptr, 16)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: wine_host SCENARIO DLL [ARGS...]\n");
        return 2;
    }
    const std::string scenario = argv[1];
    const char* path = argv[2];
    Library dll(path);
    if (!dll.module) return 1;
    const int rest = argc - 3;
    char** args = argv + 3;

    if (scenario == "exports") {
        Exports(dll, rest, args);
    } else if (scenario == "info" && rest == 2) {
        Info(dll, args[0], args[1]);
    } else if (scenario == "errinfo") {
        ErrInfo(dll);
    } else if (scenario == "status" && rest == 2) {
        Status(dll, Word(args[0]), std::atoi(args[1]));
    } else if (scenario == "reopen" && rest == 1) {
        Reopen(dll, Word(args[0]));
    } else if (scenario == "reload" && rest == 1) {
        Reload(dll, path, Word(args[0]));
    } else if (scenario == "badport" && rest == 3) {
        BadPort(dll, args[0], args[1], std::atoi(args[2]));
    } else if (scenario == "silent" && rest == 0) {
        Silent(dll);
    } else {
        std::printf("unknown scenario or arguments: %s\n", scenario.c_str());
        return 2;
    }
    std::fflush(stdout);
    return g_failures ? 1 : 0;
}
