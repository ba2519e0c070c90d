#pragma once
// Where each character first occurs in a block, so that the many address words read
// from one block cost one pass over it rather than one search each.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vork {

class BlockIndex {
public:
    // The first position where `address` occurs in `block`, as block.find(address)
    // gives it. The index follows the block: a text that differs from the one indexed
    // (the interpreter edits blocks in place between reads) is indexed again.
    std::size_t find(const std::string& block, std::string_view address)
    {
        if (address.empty())
            return std::string::npos;
        if (block.size() > UINT32_MAX)
            return block.find(address); // beyond what the index counts
        if (m_pass == 0 || block != m_text)
            rebuild(block);
        const std::uint64_t entry = m_first[static_cast<unsigned char>(address[0])];
        if (entry >> 32 != m_pass)
            return std::string::npos;
        const auto first = static_cast<std::uint32_t>(entry);
        return address.size() == 1 ? first : findLonger(block, address, first);
    }

private:
    void rebuild(const std::string& block);
    static std::size_t findLonger(const std::string& block, std::string_view address, std::size_t first);

    std::string m_text; // the block as indexed
    // By character: the pass that saw it last (high half) and its first position in that
    // pass's text (low half). A new pass leaves the old entries stale instead of clearing them.
    std::array<std::uint64_t, 256> m_first{};
    std::uint32_t m_pass = 0; // 0: no text indexed yet
};

} // namespace vork
