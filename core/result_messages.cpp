#include "core/result_messages.h"

#include <cstring>

namespace tarvik {

namespace {

struct ResultMessageEntry {
    int32_t code;
    const char* message;
};

// The messages in Windows-1250, as the host receives them, spelled as hosts already know them,
// slips included. The last entry also answers every code that is not here.
constexpr ResultMessageEntry kResultMessages[] = {
    {1, "B\xB3\xEA" "dna sekwencja wys\xB3" "ana do drukarki"},
    {2, "Przepe\xB3nienie licznika sumowania paragonu"},
    {3, "B\xB3\xB9" "d zegara drukarki"},
    {4, "B\xB3\xB9" "d daty"},
    {5, "B\xB3\xB9" "d operacji I/O"},
    {8, "B\xB3\xB9" "d po\xB3\xB9" "czenia z portem"},
    {9, "Brak mo\xBFliwo\x9C" "ci wykonania operacji"},
    {11, "Nieprawid\xB3owa kolejno\x9C\xE6 sekwencji paragonowych"},
    {12, "Przekroczona maksymalna d\xB3ugo\x9C\xE6 paragonu"},
    {13, "Przekroczona dopuszczalna d\xB3ugo\x9C\xE6 opisu pozycji paragonu"},
    {14, "Przekroczony maksymalny czas wystawiania paragonu"},
    {15, "Wyst\xB9pienie znaku niedrukowalnego"},
    {21, "B\xB3\xEA" "dny rabat/narzut"},
    {22, "Niezgodno\x9C\xE6 sumy przes\xB3" "anej z komputera z wyliczona przez drukark\xEA"},
    {23, "Niezgodno\x9C\xE6 warto\x9C" "ci pozycji przes\xB3" "anej z komputera z wyliczon\xB9 przez drukark\xEA"},
    {24, "Nieobs\xB3ugiwana forma platno\x9C" "ci lub zbyt wiele form platnosci"},
    {31, "Nieprawid\xB3owa nazwa towaru"},
    {32, "Blokada towaru (towaru nie mo\xBFna sprzeda\xE6)"},
    {33, "Przekroczona maksymalna ilo\x9C\xE6 towaru"},
    {34, "Przekroczona maksymalna cena towaru"},
    {35, "B\xB3\xEA" "dna interpretacja stawki podatkowej"},
    {36, "B\xB3\xB9" "d korekcji pozycji sprzeda\xBFy"},
    {41, "Brak miejsca dla zapisu towaru"},
    {42, "Nie zdefiniowano stawek VAT dla drukarki fiskalnej w konfiguracji"},
    {198, "B\xB3\xB9" "d wywo\xB3" "ania funkcji w sterowniku drukarki"},
    {199, "B\xB3\xB9" "d \xB3" "adowania sterownika drukarki"},
    {255, "B\xB3\xB9" "d nieokre\x9Clony"},
};

}  // namespace

const char* ResultMessage(int32_t code) {
    for (const ResultMessageEntry& entry : kResultMessages) {
        if (entry.code == code) return entry.message;
    }
    return kResultMessages[sizeof kResultMessages / sizeof kResultMessages[0] - 1].message;
}

void CopyToHostBuffer(char* destination, int32_t size, const char* text) {
    if (destination == nullptr || text == nullptr || size <= 0) return;
    std::size_t capacity = static_cast<std::size_t>(size);
    std::size_t length = std::strlen(text);
    if (length >= capacity) {
        // The host gets the text cut to its buffer, without a zero byte.
        std::memcpy(destination, text, capacity);
        return;
    }
    std::memcpy(destination, text, length);
    std::memset(destination + length, 0, capacity - length);
}

void ErrInfo(int32_t code, int32_t length, char* buffer) { CopyToHostBuffer(buffer, length, ResultMessage(code)); }

}  // namespace tarvik
