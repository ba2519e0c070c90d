#pragma once
// The character grid behind the terminal widget: a plain one that knows only CR, LF,
// BS and TAB, and an ANSI one on libvterm.
#include <QColor>

#include <functional>
#include <memory>
#include <string>

namespace dnc::ui {

struct TerminalCell {
    char32_t ch = U' ';
    QColor foreground; // invalid: the widget's default
    QColor background;
    bool bold = false;
};

class TerminalScreen {
public:
    virtual ~TerminalScreen() = default;
    virtual void feed(const std::string& bytes) = 0;
    virtual TerminalCell cell(int row, int column) const = 0;
    virtual int cursorRow() const = 0;
    virtual int cursorColumn() const = 0;
    virtual void clear() = 0;

    // A plain grid of rows x columns.
    static std::unique_ptr<TerminalScreen> plain(int rows, int columns);
    // An ANSI terminal; `reply` gets what the emulation answers (status reports).
    static std::unique_ptr<TerminalScreen> ansi(int rows, int columns, std::function<void(const std::string&)> reply);
};

} // namespace dnc::ui
