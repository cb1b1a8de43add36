// The registry export files (.reg) that hold the settings hives on this system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::posix {

// One value as RegQueryValueExA hands it out: its type and its data, with string data in
// Windows-1250 and its terminating zero(s) as stored.
struct RegValue {
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

// The values of one .reg file ("Windows Registry Editor Version 5.00" or "REGEDIT4"; UTF-8 with or
// without BOM, ASCII, or UTF-16LE with BOM).
class RegFile {
public:
    // Reads the file's bytes. A line that cannot be understood is skipped (a bad value, bad hex, a
    // hex list cut off by the end of the file); the rest of the file still counts. Without a known
    // header the file holds nothing. Deletions ("Name"=- and [-key]) are ignored.
    static RegFile Parse(std::string_view bytes);

    // The value of a key, or null. keyPath starts with the root key, as in the file
    // ("HKEY_CURRENT_USER\Software\..."); key path and value name are Windows-1250 and compare
    // case-insensitively; the empty name is the key's unnamed value (@). When a file sets a value
    // twice, the later one counts, as it would on import.
    const RegValue* Find(std::string_view keyPath, std::string_view valueName) const;

    bool Empty() const { return entries_.empty(); }

private:
    struct Entry {
        std::u32string key;
        std::u32string name;
        RegValue value;
    };
    std::vector<Entry> entries_;
};

}  // namespace tarvik::posix
