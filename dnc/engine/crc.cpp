#include "dnc/engine/crc.h"

#include <array>

namespace dnc {
namespace {

constexpr std::array<std::uint16_t, 256> makeCrc16MsbTable()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        table[i] = crc;
    }
    return table;
}

template <typename T>
constexpr std::array<T, 256> makeReflectedTable(T polynomial)
{
    std::array<T, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        T crc = static_cast<T>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<T>((crc & 1) ? (crc >> 1) ^ polynomial : crc >> 1);
        table[i] = crc;
    }
    return table;
}

constexpr auto crc16MsbTable = makeCrc16MsbTable();
constexpr auto crc32Table = makeReflectedTable<std::uint32_t>(0xEDB88320u);
constexpr auto crc16KermitTable = makeReflectedTable<std::uint16_t>(0x8408);

}  // namespace

std::uint16_t crc16XmodemByte(std::uint8_t byte, std::uint16_t crc)
{
    return static_cast<std::uint16_t>((crc << 8) ^ crc16MsbTable[((crc >> 8) ^ byte) & 0xFF]);
}

std::uint16_t crc16Xmodem(std::string_view bytes, std::uint16_t crc)
{
    for (char c : bytes)
        crc = crc16XmodemByte(static_cast<std::uint8_t>(c), crc);
    return crc;
}

std::uint32_t crc32UpdateByte(std::uint8_t byte, std::uint32_t crc)
{
    return crc32Table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

std::uint32_t crc32Update(std::string_view bytes, std::uint32_t crc)
{
    for (char c : bytes)
        crc = crc32UpdateByte(static_cast<std::uint8_t>(c), crc);
    return crc;
}

std::uint16_t crc16Kermit(std::string_view bytes)
{
    std::uint16_t crc = 0;
    for (char c : bytes)
        crc = static_cast<std::uint16_t>(crc16KermitTable[(crc ^ static_cast<std::uint8_t>(c)) & 0xFF] ^ (crc >> 8));
    return crc;
}

}  // namespace dnc
