#pragma once
// The DNC terminal's message boxes. While the shop-terminal menu or the remote request
// mode runs, nobody may be needed at the PC: every message then goes to the terminal's
// message list and the activity log instead of a box, questions are answered No and
// input boxes are cancelled, and the loop goes on. Otherwise boxes go to the person.
#include "platform/host.h"

#include <functional>
#include <string>

namespace dnc {

// The time of day as the message list shows it ("hh:mm:ss" with the system's separator).
std::string currentTimeText();

class DivertingPrompter : public platform::Prompter {
public:
    using Report = std::function<void(const std::string& text)>;

    explicit DivertingPrompter(platform::Prompter& person) : m_person(person) {}

    // Sends the messages to `report` until restore(); nesting is counted.
    void divert(Report report);
    void restore();
    bool diverted() const { return m_depth > 0; }
    platform::Prompter& person() { return m_person; }

    platform::Button message(const std::string& caption, const std::string& text, platform::MessageKind kind,
                             platform::Buttons buttons) override;
    bool inputString(const std::string& caption, const std::string& prompt, std::string& value) override;
    void beep() override { m_person.beep(); }

private:
    platform::Prompter& m_person;
    Report m_report;
    int m_depth = 0;
};

// Diverts a prompter (and the rights check's boxes) for the life of the guard.
class DivertedMessages {
public:
    DivertedMessages(DivertingPrompter& prompter, DivertingPrompter::Report report);
    ~DivertedMessages();
    DivertedMessages(const DivertedMessages&) = delete;
    DivertedMessages& operator=(const DivertedMessages&) = delete;

private:
    DivertingPrompter& m_prompter;
    platform::Prompter* m_rightsPrompter;
};

} // namespace dnc
