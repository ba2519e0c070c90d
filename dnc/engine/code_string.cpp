#include "dnc/engine/code_string.h"

#include <chrono>
#include <thread>

namespace dnc {

namespace {

// The three characters after a "/" as a whole number: an optional minus sign and digits.
std::optional<int> codeValue(std::string_view three)
{
    std::size_t i = 0;
    bool negative = false;
    if (three[0] == '-') {
        negative = true;
        i = 1;
    }
    int value = 0;
    for (; i < three.size(); ++i) {
        if (three[i] < '0' || three[i] > '9')
            return std::nullopt;
        value = value * 10 + (three[i] - '0');
    }
    return negative ? -value : value;
}

} // namespace

std::string CodeString::bytes() const
{
    std::string out;
    for (const auto& step : steps)
        out += step.bytes;
    return out;
}

CodeString readCodeString(std::string_view text, bool translateToEia)
{
    CodeString result;
    auto addByte = [&result](char c) {
        if (result.steps.empty() || result.steps.back().waitMs > 0)
            result.steps.push_back({});
        result.steps.back().bytes.push_back(c);
    };
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '/') {
            if (text.size() - i - 1 >= 3) {
                if (const auto value = codeValue(text.substr(i + 1, 3))) {
                    if (*value < 0)
                        result.steps.push_back({std::string(), -*value});
                    else
                        addByte(static_cast<char>(*value & 0xFF));
                }
                i += 4;
            } else {
                ++i;
            }
            continue;
        }
        const auto c = static_cast<std::uint8_t>(text[i]);
        if (translateToEia) {
            if (!hasEiaCode(c) && !result.untranslatable)
                result.untranslatable = i;
            addByte(static_cast<char>(AsciiToEia(c)));
        } else {
            addByte(text[i]);
        }
        ++i;
    }
    return result;
}

CodeString readCodeString(std::string_view text, TapeCode code, const std::string& what)
{
    CodeString read = readCodeString(text, code == TapeCode::Eia);
    if (read.untranslatable) {
        const std::size_t at = *read.untranslatable;
        throw NoEiaCode(what, 0, at + 1, static_cast<unsigned char>(text[at]));
    }
    return read;
}

void SendCodeString(std::string_view text, TapeCode code, const std::string& what, const PutBytes& put,
                    const WaitMilliseconds& wait)
{
    playCodeString(readCodeString(text, code, what), put, wait);
}

void playCodeString(const CodeString& code, const PutBytes& put, const WaitMilliseconds& wait)
{
    for (const auto& step : code.steps) {
        if (step.waitMs > 0)
            wait(step.waitMs);
        else
            put(step.bytes);
    }
}

void holdThread(int milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace dnc
