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

std::size_t BlockIndex::find(const std::string& block, std::string_view address)
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
    const std::size_t first = static_cast<std::uint32_t>(entry);
    if (address.size() == 1 || block.compare(first, address.size(), address) == 0)
        return first;
    return block.find(address, first + 1);
}

} // namespace vork
