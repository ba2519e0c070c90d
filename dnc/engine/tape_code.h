#pragma once
// The three tape codes a machine can take on its serial line: EIA RS-244 (odd parity
// in channel 5, 80h ends a block), ASCII with even parity, and ISO (the text as it is).
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dnc {

enum class TapeCode { Eia = 0, Ascii = 1, Iso = 2 };

// The tape code of a machine record's index (0 EIA, 1 ASCII, 2 ISO); any other index is ISO,
// which sends the text unchanged.
TapeCode tapeCodeFromIndex(int index);

inline constexpr std::uint8_t EiaEndOfBlock = 0x80;
// What a character without an EIA code of its own becomes: the code of "0".
inline constexpr std::uint8_t EiaNoCode = 0x20;

// The EIA code of a character; "a" to "z" are taken as upper case. A character the
// table does not know gives EiaNoCode (see hasEiaCode).
std::uint8_t AsciiToEia(std::uint8_t c);

// True when the character has an EIA code of its own (lower-case letters included).
bool hasEiaCode(std::uint8_t c);

// The character of an EIA code: 00h for the codes that stand for no character
// (blank tape, delete and the like), "?" for a code the table does not know.
std::uint8_t EiaToAscii(std::uint8_t code);

// The byte with bit 7 inverted when it has an odd number of one bits.
std::uint8_t SetEvenParity(std::uint8_t c);

// Every character of the line in the tape code: EIA by the table, ASCII with even
// parity, ISO unchanged. No line end is added.
std::string ConvertLineToTapeCode(std::string_view line, TapeCode code);

// Why nothing could be prepared for sending; what() is the text for the operator.
class SendError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A character that has no EIA code, found in the text or in a code string. Sending it
// would put the code of "0" on the tape, so nothing is sent.
class NoEiaCode : public SendError {
public:
    NoEiaCode(std::string where, std::size_t line, std::size_t column, unsigned char character);
    std::size_t line() const { return m_line; }     // 1-based; 0 for a code string
    std::size_t column() const { return m_column; } // 1-based
    unsigned char character() const { return m_character; }

private:
    std::size_t m_line;
    std::size_t m_column;
    unsigned char m_character;
};

} // namespace dnc
