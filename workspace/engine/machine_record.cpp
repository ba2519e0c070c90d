#include "workspace/engine/machine_record.h"

namespace mrw {

namespace {
template <typename List>
bool inList(const List& list, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}
}

std::optional<int> portNumberOf(const MachComRec& rec)
{
    if (rec.Port < 0 || rec.Port >= PortCount)
        return std::nullopt;
    return rec.Port + 1;
}

std::optional<int> baudRateOf(const MachComRec& rec)
{
    if (!inList(BaudRates, rec.Baud))
        return std::nullopt;
    return BaudRates[static_cast<std::size_t>(rec.Baud)];
}

std::optional<int> dataBitsOf(const MachComRec& rec)
{
    if (!inList(DataBitsTexts, rec.DataBits))
        return std::nullopt;
    return rec.DataBits + 4;
}

std::string lineSettingsProblem(const MachComRec& rec)
{
    if (!portNumberOf(rec))
        return "No port is set for this machine";
    if (!baudRateOf(rec))
        return "No valid baud rate is set for this machine";
    if (!dataBitsOf(rec))
        return "No valid number of data bits is set for this machine";
    if (!inList(ParityTexts, rec.Parity))
        return "No valid parity is set for this machine";
    if (!inList(StopBitsTexts, rec.StopBits))
        return "No valid number of stop bits is set for this machine";
    return {};
}

} // namespace mrw
