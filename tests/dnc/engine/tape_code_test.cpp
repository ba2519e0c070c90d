#include "dnc/engine/tape_code.h"

#include <gtest/gtest.h>

#include <bit>
#include <map>

using namespace dnc;

namespace {

// The characters a machine's EIA reader knows, with their codes.
const std::map<int, int> EiaOfCharacter = {
    {0x00, 0x00}, {0x08, 0x2A}, {0x09, 0x3E}, {0x0A, 0x00}, {0x0D, 0x80}, {0x12, 0x4C}, {0x14, 0x2F},
    {0x1A, 0x00}, {' ', 0x10},  {'!', 0x6E},  {'"', 0x5D},  {'#', 0x1C},  {'$', 0x5B},  {'%', 0x0B},
    {'&', 0x0E},  {'(', 0x1A},  {')', 0x4A},  {'*', 0x0D},  {'+', 0x70},  {',', 0x3B},  {'-', 0x40},
    {'.', 0x6B},  {'/', 0x31},  {'0', 0x20},  {'1', 0x01},  {'2', 0x02},  {'3', 0x13},  {'4', 0x04},
    {'5', 0x15},  {'6', 0x16},  {'7', 0x07},  {'8', 0x08},  {'9', 0x19},  {':', 0x1A},  {';', 0x4F},
    {'=', 0x0B},  {'?', 0x6D},  {'@', 0x1F},  {'A', 0x61},  {'B', 0x62},  {'C', 0x73},  {'D', 0x64},
    {'E', 0x75},  {'F', 0x76},  {'G', 0x67},  {'H', 0x68},  {'I', 0x79},  {'J', 0x51},  {'K', 0x52},
    {'L', 0x43},  {'M', 0x54},  {'N', 0x45},  {'O', 0x46},  {'P', 0x57},  {'Q', 0x58},  {'R', 0x49},
    {'S', 0x32},  {'T', 0x23},  {'U', 0x34},  {'V', 0x25},  {'W', 0x26},  {'X', 0x37},  {'Y', 0x38},
    {'Z', 0x29},  {'[', 0x2C},  {'\\', 0x3D}, {']', 0x5E},  {'~', 0x4A},  {0x7F, 0x7F}, {0x8D, 0x80},
};

// The EIA codes and the characters they read back as (0 = no character).
const std::map<int, int> CharacterOfEia = {
    {0x00, 0},   {0x01, '1'}, {0x02, '2'}, {0x04, '4'}, {0x07, '7'}, {0x08, '8'},  {0x0B, '%'},
    {0x0D, '*'}, {0x0E, '&'}, {0x10, ' '}, {0x11, 0},   {0x12, 0},   {0x13, '3'},  {0x14, 0},
    {0x15, '5'}, {0x16, '6'}, {0x19, '9'}, {0x1A, ':'}, {0x1C, '#'}, {0x1F, '@'},  {0x20, '0'},
    {0x23, 'T'}, {0x25, 'V'}, {0x26, 'W'}, {0x29, 'Z'}, {0x2A, 0x08}, {0x2C, '['}, {0x2F, 0x14},
    {0x31, '/'}, {0x32, 'S'}, {0x34, 'U'}, {0x37, 'X'}, {0x38, 'Y'}, {0x3B, ','},  {0x3D, '\\'},
    {0x3E, 0x09}, {0x40, '-'}, {0x43, 'L'}, {0x45, 'N'}, {0x46, 'O'}, {0x49, 'R'}, {0x4A, '~'},
    {0x4C, 0x12}, {0x4F, ';'}, {0x51, 'J'}, {0x52, 'K'}, {0x54, 'M'}, {0x57, 'P'}, {0x58, 'Q'},
    {0x5B, '$'}, {0x5D, '"'}, {0x5E, ']'}, {0x61, 'A'}, {0x62, 'B'}, {0x64, 'D'}, {0x67, 'G'},
    {0x68, 'H'}, {0x6B, '.'}, {0x6D, '?'}, {0x6E, '!'}, {0x70, '+'}, {0x73, 'C'}, {0x75, 'E'},
    {0x76, 'F'}, {0x79, 'I'}, {0x7F, 0},   {0x80, 0x0A}, {0xFF, 0},
};

} // namespace

// A few rows written out by hand from the EIA RS-244 code chart, and a block punched by
// hand: a mistake copied into both tables above would still show here.
TEST(TapeCodeTest, RowsWrittenOutByHand)
{
    const std::pair<int, int> toEia[] = {
        {'A', 0x61}, {'z', 0x29}, {'%', 0x0B}, {'(', 0x1A}, {' ', 0x10}, {'0', 0x20}, {'#', 0x1C},
        {'$', 0x5B}, {'+', 0x70}, {'-', 0x40}, {'.', 0x6B}, {'/', 0x31}, {0x0D, 0x80}, {'{', 0x20},
    };
    for (const auto& [c, code] : toEia)
        EXPECT_EQ(AsciiToEia(static_cast<std::uint8_t>(c)), code) << c;
    const std::pair<int, int> fromEia[] = {
        {0x11, 0x00}, {0x80, 0x0A}, {0xFF, 0x00}, {0x3E, 0x09}, {0x4A, '~'}, {0x05, '?'}, {0x73, 'C'},
    };
    for (const auto& [code, c] : fromEia)
        EXPECT_EQ(EiaToAscii(static_cast<std::uint8_t>(code)), c) << code;
    EXPECT_EQ(ConvertLineToTapeCode("N10G01X1.0\r", TapeCode::Eia),
              "\x45\x01\x20\x67\x20\x01\x37\x01\x6B\x20\x80");
}

TEST(TapeCodeTest, EveryByteToEia)
{
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        const auto byte = static_cast<std::uint8_t>(c);
        const int upper = (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
        const auto listed = EiaOfCharacter.find(upper);
        if (listed != EiaOfCharacter.end()) {
            EXPECT_EQ(AsciiToEia(byte), listed->second);
            EXPECT_TRUE(hasEiaCode(byte));
        } else {
            EXPECT_EQ(AsciiToEia(byte), 0x20) << "an unlisted byte takes the code of \"0\"";
            EXPECT_FALSE(hasEiaCode(byte));
        }
    }
}

TEST(TapeCodeTest, EveryEiaCodeToAscii)
{
    for (int code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        const auto listed = CharacterOfEia.find(code);
        EXPECT_EQ(EiaToAscii(static_cast<std::uint8_t>(code)), listed != CharacterOfEia.end() ? listed->second : '?');
    }
}

TEST(TapeCodeTest, EiaCodesOfCharactersCarryOddParityAndReadBack)
{
    for (const auto& [c, code] : EiaOfCharacter) {
        SCOPED_TRACE(c);
        if (code != 0) {
            EXPECT_EQ(std::popcount(static_cast<unsigned>(code)) % 2, 1);
        }
        const int back = EiaToAscii(static_cast<std::uint8_t>(code));
        // Shared codes read back as one of their characters; CR, DEL and the blank-tape code do not read back.
        if (c == '(' || c == ')' || c == '=' || c == 0x0D || c == 0x8D || c == 0x7F || code == 0)
            continue;
        EXPECT_EQ(back, c);
    }
    EXPECT_EQ(EiaToAscii(AsciiToEia('(')), ':');
    EXPECT_EQ(EiaToAscii(AsciiToEia(')')), '~');
    EXPECT_EQ(EiaToAscii(AsciiToEia('=')), '%');
}

TEST(TapeCodeTest, EvenParityOnEveryByte)
{
    for (int c = 0; c < 256; ++c) {
        const std::uint8_t p = SetEvenParity(static_cast<std::uint8_t>(c));
        EXPECT_EQ(std::popcount(p) % 2, 0) << c;
        EXPECT_EQ(p & 0x7F, c & 0x7F) << c;
    }
    EXPECT_EQ(SetEvenParity('1'), 0xB1);
    EXPECT_EQ(SetEvenParity('A'), 'A');
    EXPECT_EQ(SetEvenParity(0x0D), 0x8D);
    EXPECT_EQ(SetEvenParity(0xB0), 0x30);
}

TEST(TapeCodeTest, LineInEachTapeCode)
{
    EXPECT_EQ(ConvertLineToTapeCode("N10G01X1.0", TapeCode::Eia),
              std::string("\x45\x01\x20\x67\x20\x01\x37\x01\x6B\x20", 10));
    EXPECT_EQ(ConvertLineToTapeCode("n10g01x1.0", TapeCode::Eia), ConvertLineToTapeCode("N10G01X1.0", TapeCode::Eia));
    EXPECT_EQ(ConvertLineToTapeCode("N10G01X1.0", TapeCode::Ascii), "\x4E\xB1\x30\x47\x30\xB1\xD8\xB1\x2E\x30");
    EXPECT_EQ(ConvertLineToTapeCode("N10 (x)\x80", TapeCode::Iso), "N10 (x)\x80");
    EXPECT_EQ(tapeCodeFromIndex(0), TapeCode::Eia);
    EXPECT_EQ(tapeCodeFromIndex(1), TapeCode::Ascii);
    EXPECT_EQ(tapeCodeFromIndex(2), TapeCode::Iso);
    EXPECT_EQ(tapeCodeFromIndex(-1), TapeCode::Iso);
}
