#pragma once

#include <cstdint>
#include <string_view>

namespace dnc {

// CRC-16 with polynomial 1021h, most significant bit first, start value 0:
// the block check of XMODEM, YMODEM and the 16-bit ZMODEM headers.
std::uint16_t crc16Xmodem(std::string_view bytes, std::uint16_t crc = 0);
std::uint16_t crc16XmodemByte(std::uint8_t byte, std::uint16_t crc);

// CRC-32 (polynomial EDB88320h, reflected), as ZMODEM uses it: start with
// FFFFFFFFh, send the complement.  Returns the running (uncomplemented) value.
std::uint32_t crc32Update(std::string_view bytes, std::uint32_t crc = 0xFFFFFFFFu);
std::uint32_t crc32UpdateByte(std::uint8_t byte, std::uint32_t crc);

// CRC-16 with polynomial 8408h, reflected, start value 0: Kermit's block check type 3.
std::uint16_t crc16Kermit(std::string_view bytes);

}  // namespace dnc
