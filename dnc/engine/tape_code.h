#pragma once
// The three tape codes a machine can take on its serial line: EIA RS-244 (odd parity
// in channel 5, 80h ends a block), ASCII with even parity, and ISO (the text as it is).
#include <cstdint>
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
std::uint8_t asciiToEia(std::uint8_t c);

// True when the character has an EIA code of its own (lower-case letters included).
bool hasEiaCode(std::uint8_t c);

// The character of an EIA code: 00h for the codes that stand for no character
// (blank tape, delete and the like), "?" for a code the table does not know.
std::uint8_t eiaToAscii(std::uint8_t code);

// The byte with bit 7 inverted when it has an odd number of one bits.
std::uint8_t setEvenParity(std::uint8_t c);

// Every character of the line in the tape code: EIA by the table, ASCII with even
// parity, ISO unchanged. No line end is added.
std::string convertLineToTapeCode(std::string_view line, TapeCode code);

} // namespace dnc
