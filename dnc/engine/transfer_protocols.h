#pragma once

#include <memory>
#include <string>

#include "dnc/engine/transfer_engine.h"

namespace dnc {

// Engines of the block protocols; null for ASCII.
// `modified` is the file's time (seconds since 1970, 0 when unknown) for the headers that carry it.
std::unique_ptr<TransferEngine> makeSendEngine(ProtocolType protocol, std::string data, std::string announcedName,
                                               TransferOptions timings = {}, std::int64_t modified = 0);
std::unique_ptr<TransferEngine> makeReceiveEngine(ProtocolType protocol, TransferOptions timings = {});

}  // namespace dnc
