#include "platform/posix/reg_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tarvik::posix {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string Utf8(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Utf16LeWithBom(const std::u16string& text) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
        out += char(c & 0xFF);
        out += char(c >> 8);
    }
    return out;
}

std::u16string WithCrLf(const std::u16string& text) {
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'\n') out += u'\r';
        out += c;
    }
    return out;
}

// A version 5 export with every value form, as regedit writes them and as people edit them.
const std::u16string kExport = uR"(Windows Registry Editor Version 5.00

; settings of the driver
[HKEY_CURRENT_USER\Software\Korvan\Tarvik]
"Port"="COM1"
@="domyślny"
"Quoted"="say \"hi\" C:\\dir\\ a\b"
"Polish"="ĄĆĘŁŃÓŚŹŻąćęłńóśźż"
"Foreign"="Ж€"
"Expand"=hex(2):25,00,41,00,05,01,00,00
"Multi"=hex(7):43,00,4f,00,4d,00,32,00,00,00,43,00,4f,00,4d,00,33,00,00,00,00,\
  00
"Number"=dword:0000002A
"Binary"=hex:01,ff,\
  00,10 ; trailing comment
"Qword"=hex(b):01,00,00,00,00,00,00,00
"Empty"=hex:
"Deleted"="kept"
"Deleted"=-
"Twice"="first"
"Twice"="second"

[-HKEY_CURRENT_USER\Software\Korvan\Gone]
"Orphan"="x"

[HKEY_CURRENT_USER\Software\Zażółć]
"Łódź"="1"

[HKEY_CURRENT_USER\Software\Korvan\Tarvik]
"Later"="yes"
)";

struct Lookup {
    const char* what;
    std::string key;
    std::string name;
    bool found;
    uint32_t type;
    Bytes data;
};

const std::string kTarvik = "HKEY_CURRENT_USER\\Software\\Korvan\\Tarvik";

std::vector<Lookup> ExportLookups() {
    return {
        {"string", kTarvik, "Port", true, 1, B(std::string("COM1", 5))},
        {"names compare without case", "hkey_current_user\\SOFTWARE\\korvan\\TARVIK", "pORT", true, 1,
         B(std::string("COM1", 5))},
        {"unnamed value", kTarvik, "", true, 1, B(std::string("domy\x9Clny", 9))},
        {"escapes", kTarvik, "Quoted", true, 1, B(std::string("say \"hi\" C:\\dir\\ a\\b", 21))},
        {"Polish letters in Windows-1250", kTarvik, "Polish", true, 1,
         B(std::string("\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF", 19))},
        {"unmappable becomes ?", kTarvik, "Foreign", true, 1, B(std::string("?\x80", 3))},
        {"expandable string from UTF-16LE", kTarvik, "Expand", true, 2, B(std::string("%A\xB9", 4))},
        {"multi-string over a continuation", kTarvik, "Multi", true, 7, B(std::string("COM2\0COM3\0", 11))},
        {"dword little endian", kTarvik, "Number", true, 4, {0x2A, 0, 0, 0}},
        {"binary with continuation and comment", kTarvik, "Binary", true, 3, {0x01, 0xFF, 0x00, 0x10}},
        {"other type kept as bytes", kTarvik, "Qword", true, 0xB, {1, 0, 0, 0, 0, 0, 0, 0}},
        {"empty binary", kTarvik, "Empty", true, 3, {}},
        {"deletion ignored", kTarvik, "Deleted", true, 1, B(std::string("kept", 5))},
        {"later definition wins", kTarvik, "Twice", true, 1, B(std::string("second", 7))},
        {"key repeated later", kTarvik, "Later", true, 1, B(std::string("yes", 4))},
        {"Polish key and value names without case", "HKEY_CURRENT_USER\\Software\\ZA\xAF\xD3\xA3\xC6",
         "\xA3\xD3" "D\x8F", true, 1, B(std::string("1", 2))},
        {"value under a deleted key", "HKEY_CURRENT_USER\\Software\\Korvan\\Gone", "Orphan", false, 0, {}},
        {"deleted key's value not on the key before", kTarvik, "Orphan", false, 0, {}},
        {"missing value", kTarvik, "Nope", false, 0, {}},
        {"parent key holds nothing", "HKEY_CURRENT_USER\\Software\\Korvan", "Port", false, 0, {}},
        {"other root", "HKEY_LOCAL_MACHINE\\Software\\Korvan\\Tarvik", "Port", false, 0, {}},
    };
}

void CheckLookups(const RegFile& file, const std::vector<Lookup>& lookups) {
    for (const Lookup& l : lookups) {
        SCOPED_TRACE(l.what);
        const RegValue* value = file.Find(l.key, l.name);
        ASSERT_EQ(value != nullptr, l.found);
        if (!value) continue;
        EXPECT_EQ(value->type, l.type);
        EXPECT_EQ(value->data, l.data);
    }
}

struct Encoding {
    const char* name;
    std::string (*encode)(const std::u16string&);
};

void PrintTo(const Encoding& encoding, std::ostream* out) { *out << encoding.name; }

class RegFileEncodingTest : public testing::TestWithParam<Encoding> {};

TEST_P(RegFileEncodingTest, ReadsEveryValueForm) {
    CheckLookups(RegFile::Parse(GetParam().encode(kExport)), ExportLookups());
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, RegFileEncodingTest,
    testing::Values(Encoding{"Utf8", [](const std::u16string& t) { return Utf8(t); }},
                    Encoding{"Utf8Bom", [](const std::u16string& t) { return "\xEF\xBB\xBF" + Utf8(t); }},
                    Encoding{"Utf16LeBom", [](const std::u16string& t) { return Utf16LeWithBom(WithCrLf(t)); }},
                    Encoding{"Utf8CrLf", [](const std::u16string& t) { return Utf8(WithCrLf(t)); }}),
    [](const testing::TestParamInfo<Encoding>& info) { return std::string(info.param.name); });

TEST(RegFileTest, Regedit4HoldsStringHexAsEightBitAndMayBeInTheWindowsCodePage) {
    // Saved in Windows-1250, as regedit writes REGEDIT4 files: "\xB9" is not UTF-8.
    const std::string text =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Korvan\\Tarvik]\r\n"
        "\"Port\"=\"COM2\"\r\n"
        "\"Name\"=\"\xB9" "b\"\r\n"
        "\"Expand\"=hex(2):25,41,b9,00\r\n"
        "\"Multi\"=hex(7):41,00,42,00,00\r\n";
    const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Korvan\\Tarvik";
    CheckLookups(RegFile::Parse(text), {
                                           {"string", key, "Port", true, 1, B(std::string("COM2", 5))},
                                           {"code page text", key, "Name", true, 1, B(std::string("\xB9" "b", 3))},
                                           {"8-bit expandable", key, "Expand", true, 2, {0x25, 0x41, 0xB9, 0}},
                                           {"8-bit multi-string", key, "Multi", true, 7, {0x41, 0, 0x42, 0, 0}},
                                       });
}

TEST(RegFileTest, WithoutAKnownHeaderTheFileHoldsNothing) {
    const std::string body = "\n[HKEY_CURRENT_USER\\Software\\Korvan\\Tarvik]\n\"Port\"=\"COM1\"\n";
    for (const std::string header : {"", "REGEDIT5", "Windows Registry Editor Version 4.00", "; comment"}) {
        SCOPED_TRACE(header);
        EXPECT_TRUE(RegFile::Parse(header + body).Empty());
    }
    EXPECT_FALSE(RegFile::Parse("\n  \nREGEDIT4" + body).Empty()) << "blank lines may come before the header";
}

// Each malformed file: what it still has to yield under the key, and what it must not.
struct Malformed {
    const char* what;
    std::string body;
    std::vector<std::pair<std::string, std::string>> present;  // name, string data
    std::vector<std::string> absent;
};

TEST(RegFileTest, MalformedFilesCountAsFarAsTheyCanBeRead) {
    const std::string head = "Windows Registry Editor Version 5.00\n\n[" + kTarvik + "]\n\"A\"=\"1\"\n";
    const std::vector<Malformed> cases = {
        {"truncated in a string", "\"B\"=\"tru", {{"A", "1"}}, {"B"}},
        {"truncated after a name", "\"B\"", {{"A", "1"}}, {"B"}},
        {"garbage lines", "garbage !!! \x01\xFF\n=\"x\"\n\"\n@\n\"C\"=\"3\"\n", {{"A", "1"}, {"C", "3"}}, {}},
        {"bad hex",
         "\"B\"=hex:01,zz,03\n\"C\"=hex:123\n\"D\"=dword:123456789\n\"E\"=dword:\n\"F\"=hex(2:00\n"
         "\"G\"=hex(7)00\n\"H\"=hex:01,,02\n\"I\"=\"ok\"\n",
         {{"A", "1"}, {"I", "ok"}},
         {"B", "C", "D", "E", "F", "G", "H"}},
        {"endless continuation", "\"B\"=hex:01,\\\n02,\\\n03,\\\n04,\\\n", {{"A", "1"}}, {"B"}},
        {"continuation that meets a key line", "\"B\"=hex:01,\\\n[HKEY_CURRENT_USER\\Other]\n\"C\"=\"x\"\n",
         {{"A", "1"}},
         {"B", "C"}},
        {"text after a string value", "\"B\"=\"x\" junk\n", {{"A", "1"}}, {"B"}},
        {"unterminated key line", "[" + kTarvik + "\n\"B\"=\"x\"\n", {{"A", "1"}}, {"B"}},
    };
    for (const Malformed& c : cases) {
        SCOPED_TRACE(c.what);
        RegFile file = RegFile::Parse(head + c.body);
        for (const auto& [name, text] : c.present) {
            const RegValue* v = file.Find(kTarvik, name);
            ASSERT_NE(v, nullptr) << name;
            EXPECT_EQ(v->data, B(std::string(text.c_str(), text.size() + 1))) << name;
        }
        for (const std::string& name : c.absent) EXPECT_EQ(file.Find(kTarvik, name), nullptr) << name;
    }
}

TEST(RegFileTest, ValuesBeforeTheKeyBelongToNoKey) {
    RegFile file = RegFile::Parse("REGEDIT4\n\"A\"=\"1\"\n[" + kTarvik + "]\n");
    EXPECT_EQ(file.Find(kTarvik, "A"), nullptr);
}

// Cut the export at every byte: a string value is served whole once its line is complete, and
// never in part.
TEST(RegFileTest, EveryTruncationServesOnlyWholeStrings) {
    const std::vector<std::pair<std::string, std::string>> strings = {
        {"Port", "\"Port\"=\"COM1\"\n"}, {"Quoted", "a\\b\"\n"}, {"Later", "\"Later\"=\"yes\"\n"}};
    for (bool utf16 : {false, true}) {
        const std::string full = utf16 ? Utf16LeWithBom(kExport) : Utf8(kExport);
        const RegFile whole = RegFile::Parse(full);
        for (std::size_t cut = 0; cut <= full.size(); ++cut) {
            const std::string part = full.substr(0, cut);
            const RegFile file = RegFile::Parse(part);
            for (const auto& [name, line] : strings) {
                const RegValue* v = file.Find(kTarvik, name);
                if (v) {
                    ASSERT_EQ(v->data, whole.Find(kTarvik, name)->data) << name << " cut at " << cut;
                } else if (!utf16) {
                    ASSERT_EQ(part.find(line), std::string::npos) << name << " missing, cut at " << cut;
                }
            }
        }
    }
}

TEST(RegFileTest, RandomGarbageAfterValidValuesKeepsThem) {
    std::mt19937 random(1250);
    for (int round = 0; round < 50; ++round) {
        std::string text = "Windows Registry Editor Version 5.00\n[" + kTarvik + "]\n\"A\"=\"1\"\n";
        std::uniform_int_distribution<int> byte(0, 255);
        for (int i = 0; i < 2000; ++i) text += char(byte(random));
        RegFile file = RegFile::Parse(text);
        const RegValue* v = file.Find(kTarvik, "A");
        ASSERT_NE(v, nullptr) << "round " << round;
        EXPECT_EQ(v->data, B(std::string("1", 2)));
    }
}

}  // namespace
}  // namespace tarvik::posix
