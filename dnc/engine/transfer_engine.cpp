#include "dnc/engine/transfer_engine.h"

namespace dnc {

std::string transferResultText(int code)
{
    switch (code) {
    case TransferOk: return "Transfer complete";
    case TransferTimeout: return "Timed out waiting for the other side";
    case TransferTooManyErrors: return "Too many errors";
    case TransferCancelledByRemote: return "Transfer cancelled by the other side";
    case TransferSequenceError: return "Block sequence error";
    case TransferCancelledByUser: return "Transfer cancelled";
    case TransferFileError: return "File could not be read or written";
    case TransferRemoteError: return "The other side reported an error";
    case TransferOneFileOnly: return "The other side sent more than one file; only the first was received";
    default: return "Protocol error " + std::to_string(code);
    }
}

std::string cancelBurst()
{
    return std::string(8, '\x18') + std::string(8, '\b');
}

void TransferEngine::cancel()
{
    if (finished_)
        return;
    send(cancelSequence());
    finish(TransferCancelledByUser);
}

std::string TransferEngine::takeOutput()
{
    std::string out;
    out.swap(output_);
    return out;
}

std::string TransferEngine::takeReceivedData()
{
    std::string data;
    data.swap(received_);
    return data;
}

void TransferEngine::setTimer(int ms)
{
    timerMs_ = ms;
    ++timerSerial_;
}

void TransferEngine::deliver(std::string_view bytes)
{
    received_.append(bytes);
    status_.bytesTransferred += static_cast<std::int64_t>(bytes.size());
}

void TransferEngine::finish(int code, std::string text)
{
    if (finished_)
        return;
    finished_ = true;
    result_ = code;
    resultText_ = text.empty() ? transferResultText(code) : std::move(text);
    stopTimer();
}

bool TransferEngine::countError()
{
    ++status_.blockErrors;
    ++status_.totalErrors;
    return status_.blockErrors > timings_.retries;
}

}  // namespace dnc
