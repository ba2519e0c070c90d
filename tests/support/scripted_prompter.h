#pragma once
// A Prompter for tests: answers come from a script, and every box shown is recorded.
#include "platform/host.h"

#include <deque>
#include <string>
#include <vector>

namespace testsupport {

class ScriptedPrompter : public platform::Prompter {
public:
    struct Shown {
        std::string caption;
        std::string text;
        platform::MessageKind kind;
    };

    // Answers for the next message boxes, in order; when they run out, the box's default
    // button is the answer (Ok, Yes, or No where No is the default).
    std::deque<platform::Button> buttons;
    // Answers for the next input boxes; an empty optional means Cancel.
    std::deque<std::pair<bool, std::string>> inputs;

    std::vector<Shown> shown;
    int beeps = 0;

    platform::Button message(const std::string& caption, const std::string& text,
                             platform::MessageKind kind, platform::Buttons b) override;
    bool inputString(const std::string& caption, const std::string& prompt, std::string& value) override;
    void beep() override { ++beeps; }
};

class NullPump : public platform::EventPump {
public:
    int pumped = 0;
    void processEvents() override { ++pumped; }
    void waitPumping(int) override { ++pumped; }
};

} // namespace testsupport
