// The status word read from the virtual printer through each deliverable.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/integration/printer_fixture.h"

namespace tarvik::integration {
namespace {

using ::testing::ElementsAre;

class StatusTest : public PrinterTest {};

TEST_F(StatusTest, EachDeliverableReadsTheWord) {
    struct Case {
        const Deliverable& deliverable;
        int dleExchanges;  // readiness check and status word; none for Ostryk
    };
    for (const Case& c : {Case{Quenda(), 2}, Case{Marbel(), 2}, Case{Ostryk(), 0}}) {
        printer->ClearObserved();
        DriverLibrary& lib = Load(c.deliverable);
        ASSERT_NE(lib.GetStatus, nullptr);
        uint32_t word = 0;
        EXPECT_EQ(lib.GetStatus(&word), 0) << c.deliverable.Name;
        EXPECT_EQ(word, 0x05520000u) << c.deliverable.Name;  // fiscal mode, nothing else
        const emu::Observation seen = printer->Observed();
        EXPECT_EQ(seen.dle_count, c.dleExchanges) << c.deliverable.Name;
        EXPECT_THAT(seen.Payloads(), ElementsAre("1#e", "0#s")) << c.deliverable.Name;
        driver.reset();
    }
}

TEST_F(StatusTest, PrinterFaultsShowInTheWord) {
    struct Case {
        const char* fault;
        uint32_t word;
        int result;
    };
    const Case cases[] = {
        {"busy on", 0x05520200, 0},
        {"paper-out on", 0x05520800, 0},
        {"mechanism on", 0x05520400, 0},
        {"error 14 family #e", 0x05520020, 0},  // the start command refused: the last error is 14
        {"error 2 family #e", 0x05520100, 0},
        {"error 40 family #e", 0x05522000, 0},
        {"error 12 family #e", 0x05520000, 1},  // a number the word does not map
        {"enq-answer 74", 0x04520100, 0},       // not an ENQ answer: the reading stops there
    };
    for (const Case& c : cases) {
        Fault("clear");
        Fault(c.fault);
        Load();
        uint32_t word = 0;
        EXPECT_EQ(driver->GetStatus(&word), c.result) << c.fault;
        EXPECT_EQ(word, c.word) << std::hex << c.fault;
        driver.reset();
    }
}

TEST_F(StatusTest, TraceLinesGoToTheTraceFile) {
    Load();
    uint32_t word = 0;
    ASSERT_EQ(driver->GetStatus(&word), 0);
    ASSERT_EQ(driver->GetStatus(&word), 0);
    ASSERT_EQ(driver->ReleasePort(), 0);
    ASSERT_EQ(driver->GetStatus(&word), 0);
    const std::string portLine = "name: Port=>" + LinkPath();
    EXPECT_THAT(TraceLines(), ElementsAre("FP_GETSTATUS", portLine, "FP_GETSTATUS", "FP_GETSTATUS", portLine));
}

TEST_F(StatusTest, ErrorMessagesAndDriverInformation) {
    Load(Marbel());
    char message[64] = {};
    driver->ErrInfo(11, sizeof message, message);
    EXPECT_STREQ(message, "Nieprawid\xB3owa kolejno\x9C\xE6 sekwencji paragonowych");
    // Code and length count by their low 16 bits, read as signed numbers.
    char cut[8] = "#######";
    driver->ErrInfo(0x10004, 0x20004, cut);
    EXPECT_EQ(std::string(cut, 5), "B\xB3\xB9" "d#");
    driver->ErrInfo(0xFFFF, sizeof message, message);
    EXPECT_STREQ(message, "B\xB3\xB9" "d nieokre\x9Clony");
    driver->ErrInfo(11, 0xFFFF, cut);  // a negative length writes nothing
    EXPECT_EQ(std::string(cut, 5), "B\xB3\xB9" "d#");
    char description[32] = {};
    char version[16] = {};
    char shortName[16] = {};
    EXPECT_EQ(driver->DriverInfo(sizeof description, description, sizeof version, version, sizeof shortName,
                                 shortName),
              8);
    EXPECT_STREQ(description, "Sterownik Marbel");
    EXPECT_STREQ(version, "1.4.2.35");
    EXPECT_STREQ(shortName, "Marbel");
    EXPECT_EQ(printer->Observed().raw, "");  // neither call touches the line
}

}  // namespace
}  // namespace tarvik::integration
