#include "analyzer/engine/nc_resequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vork::ResequenceLines;
using vork::ResequenceOptions;
using Lines = std::vector<std::string>;

namespace {

struct LineRuleCase {
    const char* name;
    void (*set)(ResequenceOptions&); // nullptr: the dialog's defaults
    Lines in;
    Lines out;
};

const LineRuleCase lineRuleCases[] = {
    {"defaults: first line too, comment and percent kept, slash block", nullptr,
     {"N5G01X1.0", "G00Z1.0", "(FACE MILL)", "%", "/N7X2"},
     {"N10G01X1.0", "N20G00Z1.0", "(FACE MILL)", "%", "/N30X2"}},
    {"O blocks numbered in the sequence", [](ResequenceOptions& o) { o.resequenceOBlocks = true; },
     {"N5G01X1.0", "G00Z1.0", "(C)", "/N7X2", "O1234", "N8"},
     {"N10G01X1.0", "N20G00Z1.0", "(C)", "/N30X2", "O40", "N50"}},
    {"O line with the option off is a skip line and takes no number", nullptr,
     {"O1234", "N5X1"}, {"O1234", "N10X1"}},
    {"O line with the option off and O not skipped gets an N in front",
     [](ResequenceOptions& o) { o.skipCharacters = "(%"; },
     {"O1234"}, {"N10O1234"}},
    {"leading zeros", [](ResequenceOptions& o) { o.leadingZeros = true; },
     {"N5", "G01", "O7"}, {"N0010", "N0020G01", "O7"}},
    {"leading zeros on O blocks",
     [](ResequenceOptions& o) { o.leadingZeros = true; o.resequenceOBlocks = true; },
     {"O1234"}, {"O0010"}},
    {"past the widest number the sequence starts again at the increment",
     [](ResequenceOptions& o) { o.start = 9990; },
     {"N1", "N2", "N3"}, {"N9990", "N10", "N20"}},
    {"a start wider than the digits begins at the increment",
     [](ResequenceOptions& o) { o.start = 12345; o.increment = 5; },
     {"X1", "X2"}, {"N5X1", "N10X2"}},
    {"H lines are block numbers with the letter H", nullptr,
     {"H5X1", "H"}, {"H10X1", "H20"}},
    {"slash with and without a letter", nullptr,
     {"/X2", "/5X2", "/H3Y1", "/O9", "/"}, {"/N10X2", "/N20X2", "/H30Y1", "/O40", "/N50"}},
    {"removing drops the number and the blanks after it, keeps lines without one",
     [](ResequenceOptions& o) { o.remove = true; },
     {"N10 G01X1.0", "N 20  G00", "G00Z1", "N30", "H4 X1", " X1"},
     {"G01X1.0", "G00", "G00Z1", "", "X1", " X1"}},
    {"removing keeps the block-delete slash", [](ResequenceOptions& o) { o.remove = true; },
     {"/N7 X2", "/X2", "/ X2"}, {"/X2", "/X2", "/X2"}},
    {"without removing blanks end the number", nullptr,
     {"N5 G01", "N 5"}, {"N10 G01", "N20 5"}},
    {"every default skip character keeps its line and takes no number", nullptr,
     {"<A", "(C)", "%", "=1", "$A", "#1=2", "O1", "E1", "\\X", "^X", "@X", ":1", "G1"},
     {"<A", "(C)", "%", "=1", "$A", "#1=2", "O1", "E1", "\\X", "^X", "@X", ":1", "N10G1"}},
    {"block letters win over skip characters", [](ResequenceOptions& o) { o.skipCharacters = "N/H"; },
     {"N5", "/X", "H1", "Z1"}, {"N10", "/N20X", "H30", "N40Z1"}},
    {"empty lines stay and take no number", nullptr, {"", "X1", ""}, {"", "N10X1", ""}},
    {"a blank or a lower-case n first gets a number in front", nullptr,
     {" X1", "n5X1"}, {"N10 X1", "N20n5X1"}},
    {"bytes 0x80-0xFF kept", nullptr,
     {"N5X\xB0\xFF", "\xE9t\xE9"}, {"N10X\xB0\xFF", "N20\xE9t\xE9"}},
    {"digits scan stops at the first other character", [](ResequenceOptions& o) { o.increment = 1; o.start = 1; },
     {"N0012.5", "N7N8"}, {"N1.5", "N2N8"}},
};

} // namespace

TEST(NcResequence, LineRuleTable)
{
    for (const LineRuleCase& c : lineRuleCases) {
        ResequenceOptions options;
        if (c.set)
            c.set(options);
        Lines lines = c.in;
        EXPECT_EQ(ResequenceLines(lines, options), "") << c.name;
        EXPECT_EQ(lines, c.out) << c.name;
    }
}

TEST(NcResequence, InvalidOptionsChangeNoLineAndNameTheField)
{
    struct Case {
        void (*set)(ResequenceOptions&);
        const char* field;
    };
    const Case cases[] = {
        {[](ResequenceOptions& o) { o.start = -1; }, "Start Number"},
        {[](ResequenceOptions& o) { o.increment = 0; }, "Number Increment"},
        {[](ResequenceOptions& o) { o.digits = 0; }, "Max number of Digits"},
        {[](ResequenceOptions& o) { o.digits = 10; }, "Max number of Digits"},
        {[](ResequenceOptions& o) { o.increment = 10000; }, "Number Increment"},
        {[](ResequenceOptions& o) { o.digits = 10; o.remove = true; }, "Max number of Digits"},
    };
    for (const Case& c : cases) {
        ResequenceOptions options;
        c.set(options);
        Lines lines = {"N5G01", "X1"};
        const std::string error = ResequenceLines(lines, options);
        EXPECT_NE(error.find(c.field), std::string::npos) << error;
        EXPECT_EQ(lines, (Lines{"N5G01", "X1"})) << error;
    }
}

TEST(NcResequence, ReadsTheNumberFieldsAsTyped)
{
    ResequenceOptions options;
    EXPECT_EQ(vork::ReadResequenceNumbers(" 100", "+5 ", "6", options), "");
    EXPECT_EQ(options.start, 100);
    EXPECT_EQ(options.increment, 5);
    EXPECT_EQ(options.digits, 6);

    struct Case {
        const char* start;
        const char* increment;
        const char* digits;
        const char* field;
    };
    const Case cases[] = {
        {"", "10", "4", "Start Number"},
        {"10", "1.5", "4", "Number Increment"},
        {"10", "10", "4x", "Max number of Digits"},
        {"10", "10", "99999999999999999999", "Max number of Digits"},
    };
    for (const Case& c : cases) {
        ResequenceOptions kept;
        const std::string error = vork::ReadResequenceNumbers(c.start, c.increment, c.digits, kept);
        EXPECT_EQ(error.rfind(c.field, 0), 0u) << error;
        EXPECT_EQ(kept.start, 10);
        EXPECT_EQ(kept.increment, 10);
        EXPECT_EQ(kept.digits, 4);
    }
}
