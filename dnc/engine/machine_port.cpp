#include "dnc/engine/machine_port.h"

namespace dnc {

namespace {

LineEndTranslation translation(int index)
{
    return index >= 0 && index <= 3 ? static_cast<LineEndTranslation>(index) : LineEndTranslation::None;
}

} // namespace

PortSettings portSettingsFor(const mrw::MachComRec& record, std::string device)
{
    const mrw::MachComRec defaults = mrw::makeDefaultMachine();
    PortSettings settings;
    settings.device = std::move(device);
    settings.line.baud = mrw::baudRateOf(record).value_or(*mrw::baudRateOf(defaults));
    settings.line.dataBits = mrw::dataBitsOf(record).value_or(*mrw::dataBitsOf(defaults));
    const int parity = record.Parity >= 0 && record.Parity <= 4 ? record.Parity : defaults.Parity;
    settings.line.parity = static_cast<Parity>(parity);
    // The stop-bits box's items are "1", "1.5" and "2"; 5 stands for one and a half.
    constexpr int StopBits[] = {1, 5, 2};
    settings.line.stopBits = StopBits[record.StopBits >= 0 && record.StopBits <= 2 ? record.StopBits : defaults.StopBits];
    settings.line.rtsCts = record.RtsCts == 1;
    const int flow = record.XonXoff >= 0 && record.XonXoff <= 3 ? record.XonXoff : defaults.XonXoff;
    settings.softwareFlow = static_cast<SoftwareFlow>(flow);
    return settings;
}

AsciiOptions asciiOptionsFor(const mrw::MachComRec& record, bool sending, bool rtsLowForWrite)
{
    AsciiOptions options;
    options.charDelayMs = record.CharDelay;
    options.lineDelayMs = record.LineDelay;
    options.cr = translation(sending ? record.CrOut : record.CrIn);
    options.lf = translation(sending ? record.LfOut : record.LfIn);
    options.eofTimeoutTicks = secsToTicks(record.EofTimeout);
    options.transmitTimeoutTicks = secsToTicks(record.XoffTimeout * 60);
    options.suppressCtrlZ = record.TapeCode == mrw::tapecode::Eia;
    options.rtsLowForWrite = rtsLowForWrite;
    return options;
}

} // namespace dnc
