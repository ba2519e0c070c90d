#include "analyzer/engine/block_index.h"

namespace vork {

void BlockIndex::rebuild(const std::string& block)
{
    if (++m_pass == 0) { // after four billion passes: the stamps start again
        m_first.fill(0);
        m_pass = 1;
    }
    m_text = block;
    const std::uint64_t stamp = std::uint64_t{m_pass} << 32;
    for (std::size_t i = block.size(); i-- > 0;) // backwards: the first occurrence is written last
        m_first[static_cast<unsigned char>(block[i])] = stamp | i;
}

// An address of several characters: its first character's first place, or a later one.
std::size_t BlockIndex::findLonger(const std::string& block, std::string_view address, std::size_t first)
{
    if (block.compare(first, address.size(), address) == 0)
        return first;
    return block.find(address, first + 1);
}

} // namespace vork
