// The paper roll: lines of UTF-8 text no wider than the roll, gathered per document for the
// journal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvik::emu {

// Characters (code points) in a UTF-8 text: the roll's width counts characters, not bytes.
std::size_t Utf8Length(const std::string& text);

// A UTF-8 text cut or filled with spaces to exactly `width` characters (the customer display).
std::string FitUtf8(const std::string& text, std::size_t width);

// Grosze as printed: "12,30", "-5,00".
std::string Money(std::int64_t grosze);

class Paper {
public:
    explicit Paper(int columns);

    // A text from the left margin, broken into lines of the roll's width; an empty text leaves
    // an empty line.
    void Left(const std::string& text);
    void Center(const std::string& text);
    // A label on the left and a value flush right on the same line, or on two lines when both
    // do not fit.
    void Pair(const std::string& label, const std::string& value);

    // The document printed since the last end goes to the journal; the roll gets a line of '-'.
    void EndDocument();

    // What was printed since the last call.
    std::string Take();
    const std::vector<std::string>& Documents() const { return documents_; }

private:
    void Emit(const std::string& line);

    std::size_t columns_;
    std::string printed_;
    std::string document_;
    std::vector<std::string> documents_;
};

}  // namespace tarvik::emu
