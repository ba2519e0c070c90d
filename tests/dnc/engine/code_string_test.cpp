#include "dnc/engine/code_string.h"

#include <gtest/gtest.h>

using namespace dnc;

namespace {

struct Case {
    const char* text;
    bool eia;
    std::vector<CodeStringStep> steps;
};

} // namespace

TEST(CodeStringTest, Cases)
{
    const std::vector<Case> cases = {
        {"/013/010", false, {{"\r\n", 0}}},
        {"/-50", false, {{"", 50}}},
        {"/1X3", false, {}},
        {"/1X3A", false, {{"A", 0}}},
        {"AB/12", false, {{"AB12", 0}}},
        {"A/", false, {{"A", 0}}},
        {"/", false, {}},
        {"/300", false, {{"\x2C", 0}}},                         // low 8 bits of 300
        {"/000", false, {{std::string(1, '\0'), 0}}},
        {"/-00", false, {{std::string(1, '\0'), 0}}},           // minus zero is the byte 0, no wait
        {"/+12", false, {}},                                    // only a minus sign may lead
        {"A/-05B/-10/-20", false, {{"A", 0}, {"", 5}, {"B", 0}, {"", 10}, {"", 20}}},
        {"%/037", true, {{"\x0B\x25", 0}}},                     // plain translated, code never
        {"g1/", true, {{"\x67\x01", 0}}},
        {"", true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const CodeString read = readCodeString(c.text, c.eia);
        EXPECT_EQ(read.steps, c.steps);
        EXPECT_FALSE(read.untranslatable);
    }
}

TEST(CodeStringTest, ImageBytesLeaveWaitsOut)
{
    EXPECT_EQ(readCodeString("A/-50B/013", false).bytes(), "AB\r");
}

TEST(CodeStringTest, FirstCharacterWithoutEiaCodeIsReported)
{
    const CodeString read = readCodeString("/123AB{C}", true);
    ASSERT_TRUE(read.untranslatable);
    EXPECT_EQ(*read.untranslatable, 6u);
    EXPECT_FALSE(readCodeString("/123AB{C}", false).untranslatable);
}

TEST(CodeStringTest, PlayedToPortInOrder)
{
    std::string log;
    playCodeString(readCodeString("AB/-20/013", false),
                   [&](std::string_view b) { log += "put[" + std::string(b) + "]"; },
                   [&](int ms) { log += "wait" + std::to_string(ms); });
    EXPECT_EQ(log, "put[AB]wait20put[\r]");
}

TEST(CodeStringTest, SentForTheMachinesTapeCode)
{
    std::vector<std::string> sent;
    std::vector<int> waits;
    const auto put = [&](std::string_view b) { sent.emplace_back(b); };
    const auto wait = [&](int ms) { waits.push_back(ms); };
    SendCodeString("%/-50/037", TapeCode::Eia, "Send Init", put, wait);
    SendCodeString("%/-50/037", TapeCode::Ascii, "Send Init", put, wait);
    SendCodeString("", TapeCode::Eia, "Send Init", put, wait);
    EXPECT_EQ(sent, (std::vector<std::string>{"\x0B", "\x25", "%", "\x25"}));
    EXPECT_EQ(waits, (std::vector<int>{50, 50}));

    sent.clear();
    try {
        SendCodeString("M30_", TapeCode::Eia, "Start Recv Codes", put, wait);
        FAIL() << "no error";
    } catch (const NoEiaCode& e) {
        EXPECT_STREQ(e.what(), "Start Recv Codes, character 4: \"_\" (5Fh) has no EIA code.\nNothing was sent.");
    }
    EXPECT_TRUE(sent.empty());
}
