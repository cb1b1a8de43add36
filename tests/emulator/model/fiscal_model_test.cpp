// The virtual printer's fiscal model: the error numbers it gives, the receipts, closes, reports and
// devices it carries out, and the paper it prints.
#include "emulator/model/fiscal_model.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarvik::emu {
namespace {

// Payloads as the driver formats them.
std::string Name(const std::string& text) {
    return text + std::string(text.size() < 40 ? 40 - text.size() : 0, ' ') + "\r";
}

std::string Sale(int number, const std::string& name, const std::string& quantity, char letter,
                 const std::string& price, const std::string& value) {
    return std::to_string(number) + "$l" + Name(name) + quantity + "\r" + letter + "/" + price +
           "/" + value + "/";
}

std::string PlainClose(const std::string& total) { return "1;0;0;0;0;1$e   \r0/" + total + "/"; }

std::string Crs(int count) { return std::string(count, '\r'); }

const std::string kTenZloty = Sale(1, "Towar", "      1.0", 'A', "10.00", "10.00");
const std::string kStagedTen = "0;3;1;0;0;0;0;0;0;0;1;0$y" + Crs(3) + "10.00/0.00/0/0.00/0.00/";

std::tm FixedTime(int year, int month, int day) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = 9;
    time.tm_min = 5;
    return time;
}

// Splits printed paper into its lines.
std::vector<std::string> Lines(const std::string& paper) {
    std::vector<std::string> lines;
    std::istringstream in(paper);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool HasLine(const std::string& paper, const std::string& line) {
    for (const std::string& l : Lines(paper)) {
        if (l == line) return true;
    }
    return false;
}

std::size_t Characters(const std::string& utf8) {
    std::size_t count = 0;
    for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// A label and a value on one 40-column line, as the roll prints them.
std::string Row(const std::string& label, const std::string& value) {
    return label + std::string(40 - Characters(label) - Characters(value), ' ') + value;
}

enum class State { Idle, Open, Settling };

struct ErrorCase {
    State state;
    std::string payload;
    int error;
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    std::string shown;
    for (const char ch : c.payload) shown += ch == '\r' ? std::string("\\r") : std::string(1, ch);
    *os << "state " << static_cast<int>(c.state) << " payload \"" << shown << "\"";
}

class ErrorNumbers : public ::testing::TestWithParam<ErrorCase> {};

// Every refusal leaves the printer as it was: nothing printed, the receipt where it stood.
TEST_P(ErrorNumbers, CommandGivesItsErrorNumber) {
    const ErrorCase& c = GetParam();
    FiscalModel model;
    if (c.state != State::Idle) {
        ASSERT_EQ(model.Execute("0$h"), 0);
        ASSERT_EQ(model.Execute(kTenZloty), 0);
    }
    if (c.state == State::Settling) {
        ASSERT_EQ(model.Execute(kStagedTen), 0);
    }
    model.TakePrinted();
    const std::size_t documents = model.Documents().size();

    EXPECT_EQ(model.Execute(c.payload), c.error);
    if (c.error != 0) {
        EXPECT_EQ(model.TakePrinted(), "");
        EXPECT_EQ(model.ReceiptInProgress(), c.state != State::Idle);
        EXPECT_EQ(model.Documents().size(), documents);
    }
}

const std::string k41 = std::string(41, 'x');

INSTANTIATE_TEST_SUITE_P(
    Table, ErrorNumbers,
    ::testing::Values(
        // Unknown commands and wrong parameter counts: 3.
        ErrorCase{State::Idle, "", 3}, ErrorCase{State::Idle, "hello", 3},
        ErrorCase{State::Idle, "1$q", 3}, ErrorCase{State::Idle, "0#s", 3},
        ErrorCase{State::Idle, "1;1#e", 3}, ErrorCase{State::Idle, "1#r", 3},
        ErrorCase{State::Idle, "08;10;01;08;10#o", 3}, ErrorCase{State::Idle, "0;1;2$h", 3},
        ErrorCase{State::Open, "1;2" + Sale(1, "x", "1.0", 'A', "1.00", "1.00").substr(1), 3},
        ErrorCase{State::Open, "1;0;0$e   \r0/10.00/", 3},
        ErrorCase{State::Open, "0;0;1;0;1;0;0;0;1;1$x" + Crs(9) + "10.00/0/10.00/0.00/0.00/0.00/0.00/0.00/0.00/", 3},
        ErrorCase{State::Open, "0;3;1;0;0;0;0;0;0;0;1$y" + Crs(3) + "10.00/0.00/0/0.00/0.00/", 3},
        ErrorCase{State::Settling, "28$z", 3},
        // Malformed parameters and fields: 4.
        ErrorCase{State::Idle, "2#e", 4}, ErrorCase{State::Idle, "1$h", 4},
        ErrorCase{State::Idle, "0;4$hA\rB\rC\rD\r", 4}, ErrorCase{State::Idle, "0;2$hA\r", 4},
        ErrorCase{State::Idle, "0;1$h" + k41 + "\r", 4}, ErrorCase{State::Idle, "0$hA\r", 4},
        ErrorCase{State::Idle, "0#pAnna\r", 4}, ErrorCase{State::Idle, "7$d", 4},
        ErrorCase{State::Idle, "1$dX", 4}, ErrorCase{State::Idle, "2$dABC", 4},
        ErrorCase{State::Idle, "2$d\fno line break", 4},
        ErrorCase{State::Idle, "2$d\f" + std::string(21, 'a') + "\r\n" + std::string(20, 'b'), 4},
        ErrorCase{State::Idle, "#rX", 4}, ErrorCase{State::Idle, "1$e", 4},
        ErrorCase{State::Open, Sale(1, "x", "abc", 'A', "1.00", "1.00"), 4},
        ErrorCase{State::Open, Sale(1, "x", "1.23456", 'A', "1.00", "1.00"), 4},
        ErrorCase{State::Open, Sale(1, "x", "1.0", 'A', "1,00", "1.00"), 4},
        ErrorCase{State::Open, Sale(1, "x", "1.0", 'A', "1.00", "1.00") + "X", 4},
        ErrorCase{State::Open, "1$l" + Name("x") + "1.0\rA1.00/1.00/", 4},
        ErrorCase{State::Open, "1$l" + std::string(40, 'x') + "1.0\rA/1.00/1.00/", 4},
        ErrorCase{State::Open, Sale(-1, "x", "1.0", 'A', "1.00", "1.00"), 4},
        ErrorCase{State::Open, "2;0;0;0;0;1$e   \r0/10.00/", 4},
        ErrorCase{State::Open, "1;0;4;0;0;1$e   \ra\rb\rc\rd\r0/10.00/", 4},
        ErrorCase{State::Open, "1;0;2;0;0;1$e   \ra\r0/10.00/", 4},
        ErrorCase{State::Open, "1;0;0;0;0;1$e1234\r0/10.00/", 4},
        ErrorCase{State::Open, "1;0;0;0;0;1$e   \r0/10.00", 4},
        ErrorCase{State::Open, "1;8$b10.00/Karta          \r", 4},
        ErrorCase{State::Open, "2;0$b10.00/Karta          \r", 4},
        ErrorCase{State::Open, "1;0$b10.00/" + std::string(16, 'k') + "\r", 4},
        ErrorCase{State::Open, "6$d0.50/70000\r1\r", 4},
        ErrorCase{State::Open, "0;0;1;0;2;0;0;0;1;1;0$x" + Crs(9) + "10.00/0/10.00/0.00/0.00/0.00/0.00/0.00/0.00/", 4},
        ErrorCase{State::Open, "0;0;1;0;1;0;0;0;1;1;0$x" + Crs(8) + "10.00/0/10.00/0.00/0.00/0.00/0.00/0.00/0.00/", 4},
        ErrorCase{State::Open, "0;3;1;0;0;1;0;0;0;0;1;0$y" + Crs(3) + "10.00/0.00/0/0.00/0.00/0.50/", 4},
        ErrorCase{State::Open, "0;3;1;0;0;2;0;0;0;0;1;0$y" + Crs(3) + "10.00/0.00/0/0.00/0.00/", 4},
        ErrorCase{State::Open, "0;3;1;0;0;0;0;0;1;0;0;8;0$y" + Crs(4) + "10.00/0.00/0.00/0.00/10.00/0.00/", 4},
        ErrorCase{State::Settling, "5$z", 4}, ErrorCase{State::Settling, "28;1$z", 4},
        ErrorCase{State::Settling, "12$zX", 4}, ErrorCase{State::Settling, "4$z7\r1\r0.50", 4},
        // Item name: 16; quantity: 17; tax rate: 18; price and value: 19; value: 20.
        ErrorCase{State::Open, Sale(1, "", "1.0", 'A', "1.00", "1.00"), 16},
        ErrorCase{State::Open, "1$l" + k41 + "\r1.0\rA/1.00/1.00/", 16},
        ErrorCase{State::Open, Sale(1, "x", "      0.0", 'A', "1.00", "1.00"), 17},
        ErrorCase{State::Open, Sale(1, "x", "100000000.0", 'A', "1.00", "1.00"), 17},
        ErrorCase{State::Open, "6$d0.50/7\r0\r", 17},
        ErrorCase{State::Settling, "4$z7\r0\r0.50/", 17},
        ErrorCase{State::Open, Sale(1, "x", "1.0", 'E', "1.00", "1.00"), 18},
        ErrorCase{State::Open, Sale(1, "x", "1.0", 'F', "1.00", "1.00"), 18},
        ErrorCase{State::Open, Sale(1, "x", "1.0", 'a', "1.00", "1.00"), 18},
        ErrorCase{State::Open, Sale(1, "x", "1.0", 'A', "0.00", "0.01"), 19},
        ErrorCase{State::Open, Sale(1, "x", "1.0", 'A', "100000000.00", "100000000.00"), 19},
        ErrorCase{State::Open, Sale(1, "x", "0.001", 'A', "1.00", "0.00"), 19},
        ErrorCase{State::Open, "1;0$b-1.00/Karta          \r", 19},
        ErrorCase{State::Open, "1;0$b10000000.00/Karta          \r", 19},
        ErrorCase{State::Open, "6$d0.00/7\r1\r", 19},
        ErrorCase{State::Settling, "8$z7\r1\r0.00/", 19},
        ErrorCase{State::Open, Sale(1, "x", "      1.0", 'A', "4.50", "4.52"), 20},
        ErrorCase{State::Open, Sale(1, "x", "      2.5", 'A', "1.99", "4.96"), 20},
        ErrorCase{State::Open, Sale(1, "x", "      2.5", 'A', "1.99", "4.97"), 0},   // 4.975 within a grosz
        // No receipt in progress (or not in the stage the command belongs to): 21.
        ErrorCase{State::Idle, kTenZloty, 21}, ErrorCase{State::Idle, PlainClose("10.00"), 21},
        ErrorCase{State::Idle, "1;0$b10.00/Karta          \r", 21},
        ErrorCase{State::Idle, "6$d0.50/7\r1\r", 21}, ErrorCase{State::Idle, "10$d0.50/7\r1\r", 21},
        ErrorCase{State::Idle, "-1$l1\r1\rP/0.50/0.50/", 21},
        ErrorCase{State::Idle, "0;0;1;0;1;0;0;0;1;1;0$x" + Crs(9) + "10.00/0/10.00/0.00/0.00/0.00/0.00/0.00/0.00/", 21},
        ErrorCase{State::Idle, kStagedTen, 21}, ErrorCase{State::Open, "12$z", 21},
        ErrorCase{State::Open, "28;0$z", 21}, ErrorCase{State::Open, "4$z7\r1\r0.50/", 21},
        ErrorCase{State::Settling, kTenZloty, 21}, ErrorCase{State::Settling, PlainClose("10.00"), 21},
        ErrorCase{State::Settling, kStagedTen, 21},
        // A total that is not the receipt's sum: 27.
        ErrorCase{State::Open, PlainClose("10.02"), 27}, ErrorCase{State::Open, PlainClose("-5.00"), 27},
        ErrorCase{State::Open, PlainClose("10.01"), 0},
        ErrorCase{State::Open, "0;0;1;0;1;0;0;0;1;1;0$x" + Crs(9) + "12.00/0/12.00/0.00/0.00/0.00/0.00/0.00/0.00/", 27},
        ErrorCase{State::Open, "0;3;1;0;0;0;0;0;0;1;1;0$y" + Crs(3) + "9.00/0.00/0/9.00/0.00/", 27},
        // A receipt in progress forbids opening, reports and login: 29.
        ErrorCase{State::Open, "0$h", 29}, ErrorCase{State::Settling, "0$h", 29},
        ErrorCase{State::Open, "#r", 29}, ErrorCase{State::Open, "08;10;01;08;10;31#o", 29},
        ErrorCase{State::Open, "0#pAnna\r12\r", 29},
        // Cashier texts too long: 25.
        ErrorCase{State::Idle, "0#p" + std::string(33, 'a') + "\r12\r", 25},
        ErrorCase{State::Idle, "0#pAnna\r123456789\r", 25},
        // Payments short of the amount due, or a change that does not add up: 35.
        ErrorCase{State::Open, "1;0;0;0;0;1$e   \r5.00/10.00/", 35},
        ErrorCase{State::Open, "0;0;1;0;1;0;0;0;1;1;0$x" + Crs(9) + "10.00/0/9.98/0.00/0.00/0.00/0.00/0.00/0.00/", 35},
        ErrorCase{State::Open, "0;0;1;0;1;0;0;0;1;1;1$x" + Crs(9) + "10.00/0/20.00/0.00/0.00/0.00/0.00/0.00/5.00/", 35},
        ErrorCase{State::Open, "0;3;1;0;0;0;0;0;0;1;1;0$y" + Crs(3) + "10.00/0.00/0/9.00/0.00/", 35},
        ErrorCase{State::Open, "0;3;1;0;0;0;0;0;0;1;1;0$y" + Crs(3) + "10.00/1.00/0/20.00/1.00/", 35},
        // Dates of the period report: 40.
        ErrorCase{State::Idle, "08;02;30;08;03;01#o", 40}, ErrorCase{State::Idle, "08;13;01;08;12;31#o", 40},
        ErrorCase{State::Idle, "08;10;00;08;10;31#o", 40}, ErrorCase{State::Idle, "08;10;31;08;10;01#o", 40},
        ErrorCase{State::Idle, "99;12;31;00;01;01#o", 0},   // 1999 to 2000
        ErrorCase{State::Idle, "00;02;29;00;02;29#o", 0},   // 2000 is a leap year
        ErrorCase{State::Idle, "01;02;29;01;03;01#o", 40},
        // Cancelling with nothing to cancel is carried out.
        ErrorCase{State::Idle, "0$e", 0}, ErrorCase{State::Idle, "0$eX", 4}));

TEST(FiscalModel, TooManyLinesGives23) {
    ModelOptions options;
    options.MaxLines = 2;
    FiscalModel model(options);
    ASSERT_EQ(model.Execute("0$h"), 0);
    EXPECT_EQ(model.Execute(kTenZloty), 0);
    EXPECT_EQ(model.Execute(Sale(2, "Towar", "      1.0", 'A', "10.00", "10.00")), 0);
    EXPECT_EQ(model.Execute(Sale(3, "Towar", "      1.0", 'A', "10.00", "10.00")), 23);
    EXPECT_EQ(model.Execute(PlainClose("20.00")), 0);
}

TEST(FiscalModel, TaxRatesComeFromTheOptions) {
    ModelOptions options;
    options.TaxRates[4] = 550;    // E 5.5 %
    options.TaxRates[0] = -1;     // A undefined
    FiscalModel model(options);
    ASSERT_EQ(model.Execute("0$h"), 0);
    EXPECT_EQ(model.Execute(Sale(1, "x", "      1.0", 'A', "10.00", "10.00")), 18);
    EXPECT_EQ(model.Execute(Sale(1, "x", "      1.0", 'E', "10.55", "10.55")), 0);
    EXPECT_EQ(model.Execute(PlainClose("10.55")), 0);
    const std::string paper = model.TakePrinted();
    EXPECT_TRUE(HasLine(paper, Row("PTU E 5,5 %", "0,55"))) << paper;   // 10.55 * 5.5 / 105.5
}

TEST(FiscalModel, ReceiptStateFollowsOpeningClosingAndCancelling) {
    FiscalModel model;
    EXPECT_TRUE(model.FiscalMode());
    EXPECT_FALSE(model.ReceiptInProgress());
    EXPECT_FALSE(model.LastTransactionOk());

    ASSERT_EQ(model.Execute("0$h"), 0);
    EXPECT_TRUE(model.ReceiptInProgress());
    ASSERT_EQ(model.Execute(kTenZloty), 0);
    model.Cancel();   // CAN: the receipt stays
    EXPECT_TRUE(model.ReceiptInProgress());
    EXPECT_EQ(model.Execute(PlainClose("11.00")), 27);
    EXPECT_TRUE(model.ReceiptInProgress());
    EXPECT_FALSE(model.LastTransactionOk());
    ASSERT_EQ(model.Execute(PlainClose("10.00")), 0);
    EXPECT_FALSE(model.ReceiptInProgress());
    EXPECT_TRUE(model.LastTransactionOk());

    ASSERT_EQ(model.Execute("0$h"), 0);
    EXPECT_FALSE(model.LastTransactionOk());
    ASSERT_EQ(model.Execute(kTenZloty), 0);
    ASSERT_EQ(model.Execute("0$e"), 0);
    EXPECT_FALSE(model.ReceiptInProgress());
    EXPECT_FALSE(model.LastTransactionOk());
    const std::string paper = model.TakePrinted();
    EXPECT_TRUE(HasLine(paper, std::string(11, ' ') + "PARAGON ANULOWANY")) << paper;
    EXPECT_EQ(model.Documents().size(), 2u);
    EXPECT_EQ(model.Execute(kTenZloty), 21);   // the cancelled receipt takes no more lines
}

TEST(FiscalModel, PrintsAWholeReceiptOnTheRoll) {
    FiscalModel model;
    ASSERT_EQ(model.Execute("0#pAnna\r12\r"), 0);
    // Polish letters arrive in Mazovia: ż 0xA7, ł 0x92, ę 0x91.
    ASSERT_EQ(model.Execute("0;1$hNr 17\r"), 0);
    ASSERT_EQ(model.Execute(Sale(1, "Chleb \xA7ytni", "      1.0   szt", 'B', "4.50", "4.50")), 0);
    ASSERT_EQ(model.Execute(Sale(2, "Mas\x92o", "      2.0", 'A', "7.99", "15.98")), 0);
    ASSERT_EQ(model.Execute(Sale(3, "Jab\x92ka", "      1.25  kg", 'C', "3.99", "4.99")), 0);
    ASSERT_EQ(model.Execute("1;0;1;0;0;1$e12A\rDzi\x91kujemy\r30.00/25.47/"), 0);

    const std::string dashes(40, '-');
    const std::string login =
        "           LOGOWANIE KASJERA\n"
        "KASJER                              Anna\n"
        "NUMER                                 12\n";
    const std::string receipt =
        "             SKLEP TESTOWY\n"
        "           ul. Przykładowa 1\n"
        "            00-001 Warszawa\n"
        "           NIP 000-000-00-00\n"
        "                 Nr 17\n"
        "            PARAGON FISKALNY\n"
        "Chleb żytni\n"
        "1 szt x 4,50                      4,50 B\n"
        "Masło\n"
        "2 x 7,99                         15,98 A\n"
        "Jabłka\n"
        "1,25 kg x 3,99                    4,99 C\n"
        "SPRZEDAŻ OPODATKOWANA A            15,98\n"
        "PTU A 23 %                          2,99\n"
        "SPRZEDAŻ OPODATKOWANA B             4,50\n"
        "PTU B 8 %                           0,33\n"
        "SPRZEDAŻ OPODATKOWANA C             4,99\n"
        "PTU C 5 %                           0,24\n"
        "SUMA PTU                            3,56\n"
        "SUMA PLN                           25,47\n"
        "GOTÓWKA                            30,00\n"
        "RESZTA                              4,53\n"
        "               Dziękujemy\n"
        "KASA                                 12A\n"
        "KASJER                              Anna\n";
    EXPECT_EQ(model.TakePrinted(), login + dashes + "\n" + receipt + dashes + "\n");
    ASSERT_EQ(model.Documents().size(), 2u);
    EXPECT_EQ(model.Documents()[1], receipt);
    EXPECT_EQ(model.TakePrinted(), "");
}

TEST(FiscalModel, NarrowRollBreaksLongLines) {
    ModelOptions options;
    options.Columns = 24;
    FiscalModel model(options);
    ASSERT_EQ(model.Execute("0;1$h" + std::string(40, 'H') + "\r"), 0);
    ASSERT_EQ(model.Execute(Sale(1, std::string(40, 'N'), "12345678.5  szt", 'A', "1.00",
                                 "12345678.50")), 0);
    ASSERT_EQ(model.Execute(PlainClose("12345678.50")), 0);
    const std::vector<std::string> lines = Lines(model.TakePrinted());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), std::string(24, '-'));
    for (const std::string& line : lines) EXPECT_LE(Characters(line), 24u) << line;
    EXPECT_TRUE(HasLine(model.Documents()[0], std::string(24, 'N')));
    EXPECT_TRUE(HasLine(model.Documents()[0], std::string(16, 'N')));
}

// The closes the driver sends with payment forms and deposits, each carried out to the end.
struct CloseScript {
    std::string name;
    std::vector<std::string> payloads;
    std::vector<std::string> expectedLines;   // among the receipt's lines
};

void PrintTo(const CloseScript& script, std::ostream* os) { *os << script.name; }

class Closes : public ::testing::TestWithParam<CloseScript> {};

TEST_P(Closes, AreCarriedOutAndPrinted) {
    const CloseScript& script = GetParam();
    FiscalModel model;
    ASSERT_EQ(model.Execute("0$h"), 0);
    for (const std::string& payload : script.payloads) {
        ASSERT_EQ(model.Execute(payload), 0) << payload;
    }
    EXPECT_FALSE(model.ReceiptInProgress());
    EXPECT_TRUE(model.LastTransactionOk());
    ASSERT_EQ(model.Documents().size(), 1u);
    for (const std::string& line : script.expectedLines) {
        EXPECT_TRUE(HasLine(model.Documents()[0], line)) << line << "\n" << model.Documents()[0];
    }
}

const std::string kFifty = Sale(1, "Towar", "      1.0", 'A', "50.00", "50.00");
const std::string kHundred = Sale(1, "Towar", "      2.0", 'A', "50.00", "100.00");

INSTANTIATE_TEST_SUITE_P(
    Payloads, Closes,
    ::testing::Values(
        // Single close, one payment of 50.00 on form 0.
        CloseScript{"single",
                    {kFifty, "0;0;1;0;1;0;0;0;1;1;0$x" + Crs(9) +
                                 "50.00/0/50.00/0.00/0.00/0.00/0.00/0.00/0.00/"},
                    {Row("SUMA PLN", "50,00"), Row("GOTÓWKA", "50,00")}},
        // Single close of a model-3 receipt with no payment and packs sent as P lines.
        CloseScript{"single_packs",
                    {kFifty, "2$l1\r2\rP/0.50/1.00/", "0$l1\r1\rP/0.50/0.50/",
                     "0;0;1;0;0;0;0;0;1;1;0$x" + Crs(9) +
                         "50.50/0/0.00/0.00/0.00/0.00/1.00/0.50/0.00/"},
                    {"KAUCJA POBRANA 1", Row("2 x 0,50", "1,00"), "KAUCJA ZWRÓCONA 1",
                     Row("KAUCJE POBRANE", "1,00"), Row("KAUCJE ZWRÓCONE", "-0,50"),
                     Row("DO ZAPŁATY", "50,50"), Row("GOTÓWKA", "50,50")}},
        // Single close with change and named forms 1 to 3 ("Karta" on form 1).
        CloseScript{"single_forms",
                    {kFifty, "0;0;1;0;1;1;0;0;1;1;1$x" + Crs(6) + "Karta          \r\r\r" +
                                 "50.00/0/10.00/45.00/0.00/0.00/0.00/0.00/5.00/"},
                    {Row("GOTÓWKA", "10,00"), Row("Karta", "45,00"), Row("RESZTA", "5,00")}},
        // Staged close, total 100, 120.00 paid on form 0 (Gotówka, with ó 0xA2).
        CloseScript{"staged",
                    {kHundred, "1;0$b120.00/Got\xA2wka        \r",
                     "0;3;1;0;0;0;0;0;0;1;1;0$y" + Crs(3) + "100.00/20.00/0/120.00/20.00/", "12$z",
                     "28;0$z"},
                    {Row("Gotówka", "120,00"), Row("RESZTA", "20,00")}},
        // Staged close of model 5: two forms, one pack sold.
        CloseScript{"staged_listed",
                    {kHundred, "6$d0.50/7\r1\r", "1;0$b60.50/Got\xA2wka        \r",
                     "1;2$b40.00/Karta          \r",
                     "0;3;1;0;0;1;0;0;2;0;0;0;2;0$y" + Crs(7) +
                         "100.00/0.00/0.00/0.00/60.50/40.00/0.00/0.50/",
                     "4$z7\r1\r0.50/", "12$z", "28;0$z"},
                    {"KAUCJA POBRANA KOD 7", Row("1 x 0,50", "0,50"), Row("KAUCJE POBRANE", "0,50"),
                     Row("DO ZAPŁATY", "100,50"), Row("Gotówka", "60,50"),
                     Row("Karta", "40,00"), "           ROZLICZENIE KAUCJI"}},
        // Staged close with packs sold and returned and no payment form.
        CloseScript{"staged_packs",
                    {kHundred, "0;3;1;0;0;1;1;0;0;0;1;0$y" + Crs(7) +
                                   "100.00/0.00/0/0.00/0.00/1.00/0.50/",
                     "4$z7\r2\r0.50/", "8$z8\r1\r0.50/", "12$z", "28;0$z"},
                    {Row("GOTÓWKA", "100,50"), "KAUCJA ZWRÓCONA KOD 8", Row("1 x 0,50", "-0,50")}},
        // The staged close's fall-back after refused payment lines: "$e" with the till code.
        CloseScript{"staged_fallback",
                    {kHundred, "1;0;0;0;0;1$e12A\r120.00/100.00/"},
                    {Row("GOTÓWKA", "120,00"), Row("RESZTA", "20,00"), Row("KASA", "12A")}}),
    [](const ::testing::TestParamInfo<CloseScript>& info) { return info.param.name; });

TEST(FiscalModel, DailyReportSumsTheDayAndStartsAnew) {
    FiscalModel model;
    model.SetClock([] { return FixedTime(2008, 10, 15); });
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(model.Execute("0$h"), 0);
        ASSERT_EQ(model.Execute(Sale(1, "x", "      1.0", 'A', "12.30", "12.30")), 0);
        ASSERT_EQ(model.Execute(Sale(2, "y", "      1.0", 'G', "1.00", "1.00")), 0);
        ASSERT_EQ(model.Execute(PlainClose("13.30")), 0);
    }
    ASSERT_EQ(model.Execute("0$h"), 0);
    ASSERT_EQ(model.Execute(kTenZloty), 0);
    ASSERT_EQ(model.Execute("0$e"), 0);
    model.TakePrinted();

    ASSERT_EQ(model.Execute("#r"), 0);
    const std::string report =
        "         RAPORT FISKALNY DOBOWY\n"
        "DATA                          2008-10-15\n"
        "NR RAPORTU                          0001\n"
        "SPRZEDAŻ OPODATKOWANA A            24,60\n"
        "PTU A 23 %                          4,60\n"
        "SPRZEDAŻ ZWOLNIONA G                2,00\n"
        "SUMA PTU                            4,60\n"
        "SUMA PLN                           26,60\n"
        "LICZBA PARAGONÓW                       2\n"
        "PARAGONY ANULOWANE                     1\n";
    EXPECT_EQ(model.TakePrinted(), report + std::string(40, '-') + "\n");

    ASSERT_EQ(model.Execute("#r"), 0);
    const std::string next = model.Documents().back();
    EXPECT_TRUE(HasLine(next, Row("NR RAPORTU", "0002")));
    EXPECT_TRUE(HasLine(next, Row("SUMA PLN", "0,00")));
    EXPECT_TRUE(HasLine(next, Row("LICZBA PARAGONÓW", "0")));
}

TEST(FiscalModel, PeriodReportSumsTheDailyReportsWithinItsDates) {
    FiscalModel model;
    const auto sellAndReport = [&model](int month, int day, const std::string& price) {
        model.SetClock([month, day] { return FixedTime(2008, month, day); });
        ASSERT_EQ(model.Execute("0$h"), 0);
        ASSERT_EQ(model.Execute(Sale(1, "x", "      1.0", 'B', price, price)), 0);
        ASSERT_EQ(model.Execute(PlainClose(price)), 0);
        ASSERT_EQ(model.Execute("#r"), 0);
    };
    sellAndReport(9, 30, "1.00");
    sellAndReport(10, 1, "10.80");
    sellAndReport(10, 31, "21.60");
    sellAndReport(11, 1, "100.00");

    ASSERT_EQ(model.Execute("08;10;01;08;10;31#o"), 0);
    const std::string& report = model.Documents().back();
    EXPECT_TRUE(HasLine(report, "        RAPORT FISKALNY OKRESOWY")) << report;
    EXPECT_TRUE(HasLine(report, Row("OD", "2008-10-01")));
    EXPECT_TRUE(HasLine(report, Row("DO", "2008-10-31")));
    EXPECT_TRUE(HasLine(report, Row("RAPORTY DOBOWE", "2")));
    EXPECT_TRUE(HasLine(report, Row("SUMA PLN", "32,40")));
    EXPECT_TRUE(HasLine(report, Row("PTU B 8 %", "2,40")));   // 0.80 + 1.60
    EXPECT_TRUE(HasLine(report, Row("LICZBA PARAGONÓW", "2")));
}

TEST(FiscalModel, LoginIsPrintedAndNamesTheCashierOnReceipts) {
    FiscalModel model;
    ASSERT_EQ(model.Execute("0#pAnna\r12\r"), 0);
    ASSERT_EQ(model.Execute("0#p\r5\r"), 0);   // an empty name is allowed
    ASSERT_EQ(model.Documents().size(), 2u);
    EXPECT_TRUE(HasLine(model.Documents()[0], Row("KASJER", "Anna")));
    EXPECT_TRUE(HasLine(model.Documents()[1], Row("NUMER", "5")));
    ASSERT_EQ(model.Execute("0#pEwa\r7\r"), 0);
    ASSERT_EQ(model.Execute("0$h"), 0);
    ASSERT_EQ(model.Execute(kTenZloty), 0);
    ASSERT_EQ(model.Execute(PlainClose("10.00")), 0);
    EXPECT_TRUE(HasLine(model.Documents().back(), Row("KASJER", "Ewa")));
}

TEST(FiscalModel, DisplayAndDrawerStayOffThePaper) {
    FiscalModel model;
    EXPECT_EQ(model.Display()[0], std::string(20, ' '));
    EXPECT_EQ(model.Execute("2$d\f\xA1\xA2\x92\x8D" + std::string(16, ' ') + "\r\nSUMA 12,50" +
                            std::string(10, ' ')),
              0);
    EXPECT_EQ(model.Display()[0], "Żółć" + std::string(16, ' '));
    EXPECT_EQ(model.Display()[1], "SUMA 12,50" + std::string(10, ' '));

    model.SetClock([] { return FixedTime(2008, 10, 1); });
    EXPECT_EQ(model.Execute("3$d"), 0);
    EXPECT_EQ(model.Display()[0], "2008-10-01" + std::string(10, ' '));
    EXPECT_EQ(model.Display()[1], "09:05" + std::string(15, ' '));

    EXPECT_EQ(model.Execute("2$d\f"), 0);
    EXPECT_EQ(model.Display()[0], std::string(20, ' '));
    EXPECT_EQ(model.Display()[1], std::string(20, ' '));

    ASSERT_EQ(model.Execute("0$h"), 0);
    model.TakePrinted();
    EXPECT_EQ(model.Execute("1$d"), 0);   // the drawer opens with a receipt in progress too
    EXPECT_EQ(model.Execute("1$d"), 0);
    EXPECT_EQ(model.DrawerOpenings(), 2);
    EXPECT_EQ(model.TakePrinted(), "");
    EXPECT_TRUE(model.Documents().empty());
}

}  // namespace
}  // namespace tarvik::emu
