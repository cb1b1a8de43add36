#include "core/result_messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace tarvik {
namespace {

using namespace std::string_literals;

constexpr char kUntouched = '\x7E';

// UTF-8 to Windows-1250 for ASCII and the eighteen Polish letters, the only ones the messages use.
std::string ToWindows1250(const std::string& utf8) {
    static const struct {
        const char* utf8;
        char windows;
    } letters[] = {
        {"ą", '\xB9'}, {"ć", '\xE6'}, {"ę", '\xEA'}, {"ł", '\xB3'}, {"ń", '\xF1'}, {"ó", '\xF3'},
        {"ś", '\x9C'}, {"ź", '\x9F'}, {"ż", '\xBF'}, {"Ą", '\xA5'}, {"Ć", '\xC6'}, {"Ę", '\xCA'},
        {"Ł", '\xA3'}, {"Ń", '\xD1'}, {"Ó", '\xD3'}, {"Ś", '\x8C'}, {"Ź", '\x8F'}, {"Ż", '\xAF'},
    };
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            out += utf8[i++];
            continue;
        }
        bool found = false;
        for (const auto& letter : letters) {
            if (utf8.compare(i, 2, letter.utf8) == 0) {
                out += letter.windows;
                i += 2;
                found = true;
                break;
            }
        }
        if (!found) ADD_FAILURE() << "no Windows-1250 byte for the letter at " << i << " of " << utf8;
        if (!found) return out;
    }
    return out;
}

TEST(ResultMessage, EveryCodeHasItsPolishMessageInWindows1250) {
    const struct {
        int32_t code;
        const char* utf8;
    } table[] = {
        {1, "Błędna sekwencja wysłana do drukarki"},
        {2, "Przepełnienie licznika sumowania paragonu"},
        {3, "Błąd zegara drukarki"},
        {4, "Błąd daty"},
        {5, "Błąd operacji I/O"},
        {8, "Błąd połączenia z portem"},
        {9, "Brak możliwości wykonania operacji"},
        {11, "Nieprawidłowa kolejność sekwencji paragonowych"},
        {12, "Przekroczona maksymalna długość paragonu"},
        {13, "Przekroczona dopuszczalna długość opisu pozycji paragonu"},
        {14, "Przekroczony maksymalny czas wystawiania paragonu"},
        {15, "Wystąpienie znaku niedrukowalnego"},
        {21, "Błędny rabat/narzut"},
        {22, "Niezgodność sumy przesłanej z komputera z wyliczona przez drukarkę"},
        {23, "Niezgodność wartości pozycji przesłanej z komputera z wyliczoną przez drukarkę"},
        {24, "Nieobsługiwana forma platności lub zbyt wiele form platnosci"},
        {31, "Nieprawidłowa nazwa towaru"},
        {32, "Blokada towaru (towaru nie można sprzedać)"},
        {33, "Przekroczona maksymalna ilość towaru"},
        {34, "Przekroczona maksymalna cena towaru"},
        {35, "Błędna interpretacja stawki podatkowej"},
        {36, "Błąd korekcji pozycji sprzedaży"},
        {41, "Brak miejsca dla zapisu towaru"},
        {42, "Nie zdefiniowano stawek VAT dla drukarki fiskalnej w konfiguracji"},
        {198, "Błąd wywołania funkcji w sterowniku drukarki"},
        {199, "Błąd ładowania sterownika drukarki"},
        {255, "Błąd nieokreślony"},
    };
    for (const auto& entry : table) {
        EXPECT_EQ(ResultMessage(entry.code), ToWindows1250(entry.utf8)) << entry.code;
    }
}

TEST(ResultMessage, UnknownCodesGetTheMessageOf255) {
    const std::string unknown = "B\xB3\xB9" "d nieokre\x9Clony";
    for (int32_t code : {0, 7, 256, -1, 254, -32768}) EXPECT_EQ(ResultMessage(code), unknown) << code;
}

TEST(ErrInfo, WritesExactlyTheBufferSize) {
    const std::string message11 = "Nieprawid\xB3owa kolejno\x9C\xE6 sekwencji paragonowych";
    struct Case {
        const char* name;
        int32_t code;
        int32_t length;
        std::string expected;  // every byte written; nothing after it
    } cases[] = {
        {"message and zero bytes", 11, 100, message11 + std::string(54, '\0')},
        {"cut, no zero byte", 4, 4, "B\xB3\xB9" "d"},
        {"exactly as long, no zero byte", 4, 9, "B\xB3\xB9" "d daty"},
        {"one byte more", 4, 10, "B\xB3\xB9" "d daty\0"s},
        {"zero length", 4, 0, ""},
        {"negative length", 4, -5, ""},
    };
    ASSERT_EQ(message11.size(), 46u);
    for (const Case& c : cases) {
        std::vector<char> buffer(128, kUntouched);
        ErrInfo(c.code, c.length, buffer.data());
        EXPECT_EQ(std::string(buffer.data(), c.expected.size()), c.expected) << c.name;
        for (std::size_t i = c.expected.size(); i < buffer.size(); ++i) {
            ASSERT_EQ(buffer[i], kUntouched) << c.name << " byte " << i;
        }
    }
    ErrInfo(4, 50, nullptr);  // a null buffer is left alone
}

TEST(CopyToHostBuffer, WritesNothingWithoutText) {
    std::vector<char> buffer(16, kUntouched);
    CopyToHostBuffer(buffer.data(), 16, nullptr);
    EXPECT_EQ(buffer, std::vector<char>(16, kUntouched));
}

}  // namespace
}  // namespace tarvik
