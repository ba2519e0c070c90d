#pragma once
// The Prompter and EventPump of the windows: message boxes and input boxes over a
// parent window, and the Qt event loop.
#include "platform/host.h"

#include <QPointer>
#include <QWidget>

namespace platform {

class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    Button message(const std::string& caption, const std::string& text, MessageKind kind,
                   Buttons buttons) override;
    bool inputString(const std::string& caption, const std::string& prompt, std::string& value) override;
    void beep() override;

private:
    QPointer<QWidget> m_parent;
};

// The width a title bar needs for the window's title beside its icon and buttons.
int titleBarWidthFor(const QWidget& window);
// Widens a small window so that its title fits beside the title bar's buttons.
void fitTitle(QWidget* window);

class QtEventPump : public EventPump {
public:
    void processEvents() override;
    void waitPumping(int milliseconds) override;
};

} // namespace platform
