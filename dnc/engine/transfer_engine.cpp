#include "dnc/engine/transfer_engine.h"

#include <algorithm>
#include <new>

namespace dnc {

std::string announcedFileInfo(std::size_t size, std::int64_t modified)
{
    std::string info = std::to_string(size);
    if (modified > 0) {
        std::string octal;
        for (auto t = static_cast<std::uint64_t>(modified); t; t /= 8)
            octal.insert(octal.begin(), static_cast<char>('0' + t % 8));
        info += " " + octal + " 100644";
    }
    return info;
}

std::int64_t announcedFileSize(std::string_view fields)
{
    constexpr std::int64_t Largest = std::int64_t{1} << 48;
    std::int64_t size = -1;
    for (char c : fields) {
        if (c < '0' || c > '9')
            break;
        size = std::max<std::int64_t>(size, 0) * 10 + (c - '0');
        if (size > Largest)
            return -1;
    }
    return size;
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
    finish(ProtocolCancelled);
}

void TransferEngine::guarded(const std::function<void()>& step) noexcept
{
    // The library's own words (a function name, a type) mean nothing to an operator:
    // the text says what failed in ours.
    bool noMemory = false;
    try {
        step();
        return;
    } catch (const std::bad_alloc&) {
        noMemory = true;
    } catch (...) {
    }
    if (finished_)
        return;
    try {
        send(cancelSequence());
        const std::string what = (status_.protocolName.empty() ? "" : status_.protocolName + " ") +
                                 (status_.sending ? "send" : "receive");
        finish(ProtocolRemoteError, noMemory ? "The transfer cannot go on: there is not enough memory"
                                             : "The transfer cannot go on: the " + what +
                                                   " met a fault of its own and was stopped");
    } catch (...) {
        // No room even for the text: the code alone ends it.
        finished_ = true;
        result_ = ProtocolRemoteError;
        timerMs_ = -1;
        ++timerSerial_;
    }
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
    ending();
    finished_ = true;
    result_ = code;
    resultText_ = text.empty() ? protocolResultText(code) : std::move(text);
    stopTimer();
}

bool TransferEngine::countError()
{
    ++status_.blockErrors;
    ++status_.totalErrors;
    return status_.blockErrors > options_.retries;
}

}  // namespace dnc
