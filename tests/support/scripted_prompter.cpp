#include "scripted_prompter.h"

namespace testsupport {

platform::Button ScriptedPrompter::message(const std::string& caption, const std::string& text,
                                           platform::MessageKind kind, platform::Buttons b)
{
    shown.push_back({caption, text, kind});
    if (!buttons.empty()) {
        const auto answer = buttons.front();
        buttons.pop_front();
        return answer;
    }
    switch (b) {
    case platform::Buttons::YesNo:
    case platform::Buttons::YesNoCancel:
        return platform::Button::Yes;
    case platform::Buttons::AbortRetryIgnore:
        return platform::Button::Ignore;
    case platform::Buttons::RetryCancel:
        return platform::Button::Cancel;
    case platform::Buttons::YesNoDefaultNo:
        return platform::Button::No;
    default:
        return platform::Button::Ok;
    }
}

bool ScriptedPrompter::inputString(const std::string& caption, const std::string& prompt, std::string& value)
{
    shown.push_back({caption, prompt, platform::MessageKind::Plain});
    if (inputs.empty())
        return false;
    const auto answer = inputs.front();
    inputs.pop_front();
    if (answer.first)
        value = answer.second;
    return answer.first;
}

} // namespace testsupport
