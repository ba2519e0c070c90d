#include "dnc/engine/tape_code.h"

#include <array>
#include <bit>
#include <utility>

namespace dnc {

namespace {

// The characters with an EIA code, and their codes. Several characters share a code:
// "(" and ":" (1Ah), ")" and "~" (4Ah), "%" and "=" (0Bh), NUL, LF and SUB (00h).
constexpr std::pair<std::uint8_t, std::uint8_t> EiaCodes[] = {
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

// The characters of the EIA codes that stand for one; 00h where a code stands for none.
constexpr std::pair<std::uint8_t, std::uint8_t> EiaCharacters[] = {
    {0x00, 0x00}, {0x01, '1'},  {0x02, '2'},  {0x04, '4'},  {0x07, '7'},  {0x08, '8'},  {0x0B, '%'},
    {0x0D, '*'},  {0x0E, '&'},  {0x10, ' '},  {0x11, 0x00}, {0x12, 0x00}, {0x13, '3'},  {0x14, 0x00},
    {0x15, '5'},  {0x16, '6'},  {0x19, '9'},  {0x1A, ':'},  {0x1C, '#'},  {0x1F, '@'},  {0x20, '0'},
    {0x23, 'T'},  {0x25, 'V'},  {0x26, 'W'},  {0x29, 'Z'},  {0x2A, 0x08}, {0x2C, '['},  {0x2F, 0x14},
    {0x31, '/'},  {0x32, 'S'},  {0x34, 'U'},  {0x37, 'X'},  {0x38, 'Y'},  {0x3B, ','},  {0x3D, '\\'},
    {0x3E, 0x09}, {0x40, '-'},  {0x43, 'L'},  {0x45, 'N'},  {0x46, 'O'},  {0x49, 'R'},  {0x4A, '~'},
    {0x4C, 0x12}, {0x4F, ';'},  {0x51, 'J'},  {0x52, 'K'},  {0x54, 'M'},  {0x57, 'P'},  {0x58, 'Q'},
    {0x5B, '$'},  {0x5D, '"'},  {0x5E, ']'},  {0x61, 'A'},  {0x62, 'B'},  {0x64, 'D'},  {0x67, 'G'},
    {0x68, 'H'},  {0x6B, '.'},  {0x6D, '?'},  {0x6E, '!'},  {0x70, '+'},  {0x73, 'C'},  {0x75, 'E'},
    {0x76, 'F'},  {0x79, 'I'},  {0x7F, 0x00}, {0x80, 0x0A}, {0xFF, 0x00},
};

struct ToEia {
    std::array<std::uint8_t, 256> code{};
    std::array<bool, 256> known{};
};

constexpr ToEia makeToEia()
{
    ToEia t;
    t.code.fill(EiaNoCode);
    for (const auto& [c, code] : EiaCodes) {
        t.code[c] = code;
        t.known[c] = true;
    }
    for (int c = 'a'; c <= 'z'; ++c) {
        t.code[static_cast<std::size_t>(c)] = t.code[static_cast<std::size_t>(c - 'a' + 'A')];
        t.known[static_cast<std::size_t>(c)] = true;
    }
    return t;
}

constexpr std::array<std::uint8_t, 256> makeFromEia()
{
    std::array<std::uint8_t, 256> t{};
    t.fill('?');
    for (const auto& [code, c] : EiaCharacters)
        t[code] = c;
    return t;
}

constexpr ToEia ToEiaTable = makeToEia();
constexpr std::array<std::uint8_t, 256> FromEiaTable = makeFromEia();

std::string describeCharacter(unsigned char c)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    if (c >= 0x20 && c < 0x7F) {
        text = "\"";
        text.push_back(static_cast<char>(c));
        text += "\" ";
    }
    text += "(";
    text.push_back(hex[c >> 4]);
    text.push_back(hex[c & 0x0F]);
    text += "h)";
    return text;
}

std::string noEiaCodeText(const std::string& where, std::size_t column, unsigned char c)
{
    return where + ", character " + std::to_string(column) + ": " + describeCharacter(c) +
           " has no EIA code.\nNothing was sent.";
}

} // namespace

NoEiaCode::NoEiaCode(std::string where, std::size_t line, std::size_t column, unsigned char character)
    : SendError(noEiaCodeText(where, column, character)), m_line(line), m_column(column), m_character(character)
{
}

TapeCode tapeCodeFromIndex(int index)
{
    switch (index) {
    case 0: return TapeCode::Eia;
    case 1: return TapeCode::Ascii;
    default: return TapeCode::Iso;
    }
}

std::uint8_t AsciiToEia(std::uint8_t c) { return ToEiaTable.code[c]; }

bool hasEiaCode(std::uint8_t c) { return ToEiaTable.known[c]; }

std::uint8_t EiaToAscii(std::uint8_t code) { return FromEiaTable[code]; }

std::uint8_t SetEvenParity(std::uint8_t c)
{
    return std::popcount(c) % 2 != 0 ? static_cast<std::uint8_t>(c ^ 0x80) : c;
}

std::string ConvertLineToTapeCode(std::string_view line, TapeCode code)
{
    std::string out(line);
    if (code == TapeCode::Iso)
        return out;
    for (char& ch : out) {
        const auto c = static_cast<std::uint8_t>(ch);
        ch = static_cast<char>(code == TapeCode::Eia ? AsciiToEia(c) : SetEvenParity(c));
    }
    return out;
}

} // namespace dnc
