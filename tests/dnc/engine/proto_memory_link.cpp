#include "proto_memory_link.h"

namespace prototest {

std::string transferInMemory(dnc::ProtocolType type, const std::string& data, int* receiveResult,
                             dnc::TransferOptions options, const std::function<std::string(std::string)>& line)
{
    auto cross = [&](std::string bytes) { return line ? line(std::move(bytes)) : bytes; };
    auto sender = dnc::makeSendEngine(type, data, "PART.TAP", options);
    auto receiver = dnc::makeReceiveEngine(type, options);
    receiver->start();
    sender->start();
    std::string received;
    for (int round = 0; round < 100000 && !(sender->finished() && receiver->finished()); ++round) {
        std::string toReceiver = sender->takeOutput();
        if (toReceiver.empty())
            sender->outputDrained();
        toReceiver += sender->takeOutput();
        receiver->receive(cross(toReceiver));
        sender->receive(cross(receiver->takeOutput()));
        received += receiver->takeReceivedData();
        if (toReceiver.empty() && !receiver->hasOutput() && !sender->hasOutput()) {
            // Nothing moves: let the waiting side's timer run out.
            if (!receiver->finished())
                receiver->timerExpired();
            else if (!sender->finished())
                sender->timerExpired();
        }
    }
    received += receiver->takeReceivedData();
    if (receiveResult)
        *receiveResult = receiver->result();
    return received;
}

}  // namespace prototest
