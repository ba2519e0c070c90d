#pragma once

#include <memory>
#include <string>

#include "dnc/engine/transfer_engine.h"

namespace dnc {

// The machine record's protocol numbers; 0 (ASCII) is not a block protocol.
enum class BlockProtocol { XmodemCrc = 1, Ymodem = 2, Zmodem = 3, Kermit = 4 };

std::unique_ptr<TransferEngine> makeSendEngine(BlockProtocol protocol, std::string data, std::string announcedName,
                                               TransferTimings timings = {});
std::unique_ptr<TransferEngine> makeReceiveEngine(BlockProtocol protocol, TransferTimings timings = {});

}  // namespace dnc
