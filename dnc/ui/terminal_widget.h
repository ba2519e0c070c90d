#pragma once
// The terminal of the DNC window: 12 rows of 67 columns in a fixed-pitch font, showing
// what arrives at the port (while active) and what the program writes into it, with ANSI
// emulation (libvterm) or none. A hook may change how each received character is shown,
// everything shown can be captured to a file in append mode, and typed keys go to the
// port unless a key filter takes them.
#include <QWidget>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace dnc {
class ComPort;
class TerminalReader;
}

namespace dnc::ui {

class TerminalScreen;

class TerminalWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int Rows = 12;
    static constexpr int Columns = 67;

    enum class Emulation { None, Ansi };

    explicit TerminalWidget(QWidget* parent = nullptr);
    ~TerminalWidget() override;

    // Starts again with an empty screen in the given emulation.
    void setEmulation(Emulation emulation);
    Emulation emulation() const { return m_emulation; }

    void setPort(ComPort* port);
    // While active the terminal reads and shows every character arriving at the port and
    // sends typed keys; inactive, the port's input is left to others.
    void setActive(bool active);
    bool isActive() const;

    // What to show for one received character (the character itself without a hook).
    using CharHook = std::function<std::string(char)>;
    void setCharHook(CharHook hook) { m_charHook = std::move(hook); }

    // Gets each typed key first; true means it is handled and not sent to the port.
    using KeyFilter = std::function<bool(char)>;
    void setKeyFilter(KeyFilter filter) { m_keyFilter = std::move(filter); }

    // Shows text as if it had arrived, without sending it anywhere.
    void writeText(const std::string& text);
    void clearScreen();

    // Appends everything shown from now on to `path`; false when the file cannot be
    // opened. An empty path ends the capture.
    bool setCapture(const std::string& path);
    bool isCapturing() const { return m_capture != nullptr; }

    // The text of a row, trailing blanks removed (Latin-1), and the cursor.
    std::string rowText(int row) const;
    QPoint cursorPosition() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showReceived(const std::string& received);
    void show(const std::string& text);
    void typeKey(char c);

    std::unique_ptr<TerminalScreen> m_screen;
    Emulation m_emulation = Emulation::Ansi;
    ComPort* m_port = nullptr;
    TerminalReader* m_reader;
    CharHook m_charHook;
    KeyFilter m_keyFilter;
    std::FILE* m_capture = nullptr;
};

} // namespace dnc::ui
