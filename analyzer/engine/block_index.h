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
    std::size_t find(const std::string& block, std::string_view address);

private:
    void rebuild(const std::string& block);

    std::string m_text; // the block as indexed
    // By character: the pass that saw it last (high half) and its first position in that
    // pass's text (low half). A new pass leaves the old entries stale instead of clearing them.
    std::array<std::uint64_t, 256> m_first{};
    std::uint32_t m_pass = 0; // 0: no text indexed yet
};

} // namespace vork
