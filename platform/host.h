#pragma once
// How engine code talks to the person at the machine and lets the windows breathe,
// without knowing about windows. The Qt side implements these with message boxes,
// input dialogs and the event loop; tests implement them with scripted answers.
#include <string>

namespace platform {

// Buttons with the numbers the programs have always used for them.
enum class Button { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// YesNoDefaultNo: Yes and No with No as the default, for questions whose Yes destroys.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel, YesNoDefaultNo };

enum class MessageKind { Plain, Information, Warning, Error, Question };

class Prompter {
public:
    virtual ~Prompter() = default;

    // A message box: caption, text (lines separated by "\n"), kind and buttons.
    // Returns the button pressed (Cancel when the box was closed).
    virtual Button message(const std::string& caption, const std::string& text,
                           MessageKind kind = MessageKind::Information,
                           Buttons buttons = Buttons::Ok) = 0;

    // An input box: false when cancelled; value holds the initial text and the answer.
    virtual bool inputString(const std::string& caption, const std::string& prompt,
                             std::string& value) = 0;

    // A short sound to draw the eye.
    virtual void beep() {}

    bool ask(const std::string& caption, const std::string& text)
    {
        return message(caption, text, MessageKind::Question, Buttons::YesNo) == Button::Yes;
    }
};

class EventPump {
public:
    virtual ~EventPump() = default;
    // Lets pending window events through (repaints, button presses).
    virtual void processEvents() = 0;
    // Waits about `milliseconds` while letting events through.
    virtual void waitPumping(int milliseconds) = 0;
};

} // namespace platform
