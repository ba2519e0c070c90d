#pragma once

#include <functional>
#include <string>

#include "dnc/engine/transfer_protocols.h"

namespace prototest {

// Runs a sender and a receiver engine against each other in memory until both
// finish; `line` may change what crosses from one to the other.  Returns what
// the receiver delivered; its result code goes to receiveResult.
std::string transferInMemory(dnc::ProtocolType type, const std::string& data, int* receiveResult = nullptr,
                             dnc::TransferOptions options = {},
                             const std::function<std::string(std::string)>& line = nullptr);

}  // namespace prototest
