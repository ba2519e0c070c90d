#include "dnc/engine/transfer_protocols.h"

#include "dnc/engine/xmodem.h"

namespace dnc {

std::unique_ptr<TransferEngine> makeSendEngine(BlockProtocol protocol, std::string data, std::string announcedName,
                                               TransferTimings timings)
{
    switch (protocol) {
    case BlockProtocol::XmodemCrc:
        return std::make_unique<XmodemSender>(XmodemVariant::XmodemCrc, std::move(data), std::move(announcedName), timings);
    case BlockProtocol::Ymodem:
        return std::make_unique<XmodemSender>(XmodemVariant::Ymodem, std::move(data), std::move(announcedName), timings);
    default:
        return nullptr;
    }
}

std::unique_ptr<TransferEngine> makeReceiveEngine(BlockProtocol protocol, TransferTimings timings)
{
    switch (protocol) {
    case BlockProtocol::XmodemCrc: return std::make_unique<XmodemReceiver>(XmodemVariant::XmodemCrc, timings);
    case BlockProtocol::Ymodem: return std::make_unique<XmodemReceiver>(XmodemVariant::Ymodem, timings);
    default: return nullptr;
    }
}

}  // namespace dnc
