#pragma once
// What a machine record asks of the port and of the ASCII protocol.
#include "dnc/engine/ascii_protocol.h"
#include "dnc/engine/comport.h"
#include "workspace/engine/machine_record.h"

namespace dnc {

// The port settings of a record on `device`. Check mrw::lineSettingsProblem first: an
// index outside its list gives the built-in default's value here.
PortSettings portSettingsFor(const mrw::MachComRec& record, std::string device);

// The ASCII protocol's settings for a send or a receive with the record: delays,
// the CR and LF translation of that direction, the time-outs, Ctrl-Z as data with EIA
// tape code (where 1Ah is a code of the program), and RTS low for write.
AsciiOptions asciiOptionsFor(const mrw::MachComRec& record, bool sending, bool rtsLowForWrite);

} // namespace dnc
