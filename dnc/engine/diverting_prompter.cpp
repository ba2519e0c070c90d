#include "dnc/engine/diverting_prompter.h"

#include "workspace/engine/activity_log.h"
#include "workspace/engine/users.h"

#include <algorithm>
#include <cstdio>

namespace dnc {

std::string currentTimeText()
{
    const mrw::LocalDateTime now = mrw::localNow();
    const char separator = mrw::systemDateTimeSeparators().time;
    char text[16];
    std::snprintf(text, sizeof text, "%02d%c%02d%c%02d", now.hour, separator, now.minute, separator, now.second);
    return text;
}

void DivertingPrompter::divert(Report report)
{
    m_report = std::move(report);
    ++m_depth;
}

void DivertingPrompter::restore()
{
    if (m_depth > 0 && --m_depth == 0)
        m_report = nullptr;
}

platform::Button DivertingPrompter::message(const std::string& caption, const std::string& text,
                                            platform::MessageKind kind, platform::Buttons buttons)
{
    if (!diverted())
        return m_person.message(caption, text, kind, buttons);
    std::string line = text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    if (m_report)
        m_report(line);
    mrw::WriteActivityLog(line);
    switch (buttons) {
    case platform::Buttons::Ok:
        return platform::Button::Ok;
    case platform::Buttons::YesNo:
    case platform::Buttons::YesNoCancel:
        return platform::Button::No;
    default:
        return platform::Button::Cancel;
    }
}

bool DivertingPrompter::inputString(const std::string& caption, const std::string& prompt, std::string& value)
{
    if (diverted())
        return false;
    return m_person.inputString(caption, prompt, value);
}

DivertedMessages::DivertedMessages(DivertingPrompter& prompter, DivertingPrompter::Report report)
    : m_prompter(prompter), m_rightsPrompter(mrw::userSession().prompter())
{
    m_prompter.divert(std::move(report));
    mrw::userSession().setPrompter(&m_prompter);
}

DivertedMessages::~DivertedMessages()
{
    mrw::userSession().setPrompter(m_rightsPrompter);
    m_prompter.restore();
}

} // namespace dnc
