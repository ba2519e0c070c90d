#pragma once

#include <memory>
#include <string>

#include "dnc/engine/transfer_engine.h"

namespace dnc {

// Engines of the block protocols; null for ASCII.
std::unique_ptr<TransferEngine> makeSendEngine(ProtocolType protocol, std::string data, std::string announcedName,
                                               TransferTimings timings = {});
std::unique_ptr<TransferEngine> makeReceiveEngine(ProtocolType protocol, TransferTimings timings = {});

}  // namespace dnc
