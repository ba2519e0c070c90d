#include "dnc/engine/transfer_protocols.h"

#include "dnc/engine/kermit.h"
#include "dnc/engine/xmodem.h"
#include "dnc/engine/zmodem.h"

namespace dnc {

std::unique_ptr<TransferEngine> makeSendEngine(ProtocolType protocol, std::string data, std::string announcedName,
                                               TransferOptions timings, std::int64_t modified)
{
    switch (protocol) {
    case ProtocolType::XmodemCrc:
        return std::make_unique<XmodemSender>(XmodemVariant::XmodemCrc, std::move(data), std::move(announcedName), timings);
    case ProtocolType::Ymodem:
        return std::make_unique<XmodemSender>(XmodemVariant::Ymodem, std::move(data), std::move(announcedName), timings,
                                              modified);
    case ProtocolType::Zmodem:
        return std::make_unique<ZmodemSender>(std::move(data), std::move(announcedName), timings, modified);
    case ProtocolType::Kermit:
        return std::make_unique<KermitSender>(std::move(data), std::move(announcedName), timings);
    default:
        return nullptr;
    }
}

std::unique_ptr<TransferEngine> makeReceiveEngine(ProtocolType protocol, TransferOptions timings)
{
    switch (protocol) {
    case ProtocolType::XmodemCrc: return std::make_unique<XmodemReceiver>(XmodemVariant::XmodemCrc, timings);
    case ProtocolType::Ymodem: return std::make_unique<XmodemReceiver>(XmodemVariant::Ymodem, timings);
    case ProtocolType::Zmodem: return std::make_unique<ZmodemReceiver>(timings);
    case ProtocolType::Kermit: return std::make_unique<KermitReceiver>(timings);
    default: return nullptr;
    }
}

}  // namespace dnc
