#pragma once
// The DNC terminal's debugging tools: the pop-up menu of the small "D" button with the
// line tests for setting up a machine connection. The check marks and the hex mode last
// for the run of the program.
#include <QObject>

#include <functional>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QWidget;

namespace mrw {
class EditorHost;
}
namespace platform {
class Prompter;
}

namespace dnc {

class DncSession;
class SendChooser;
class WaitBox;
namespace ui {
class TerminalWidget;
}

class DebugTools : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QWidget& window; // the terminal window (its centre, whether it is minimized)
        DncSession& session;
        ui::TerminalWidget& terminal;
        SendChooser& sender;
        WaitBox& waitBox;
        mrw::EditorHost& editor;
        platform::Prompter& prompter;
    };
    explicit DebugTools(Parts parts, QObject* parent = nullptr);
    ~DebugTools() override;

    QMenu* menu() const { return m_menu; }
    // The file "Receive Bin" captures into; nothing when the dialog was cancelled.
    std::function<std::optional<std::string>()> chooseCaptureFile;

    // Shows the menu 100 pixels left of the window's centre.
    void Button1Click();

    void HexMode1Click();
    void ToggleDTR1Click();
    void SendTestPattern1Click();
    void SendScanTest1Click();
    void SendanXON1Click();
    void SendanXOFF1Click();
    void RecieveScanTestClick();
    void CleClick();
    void NewSendTest1Click();
    void ReceiveBin1Click();
    void VerboseMode1Click();
    void CaptureTerminal1Click();

    bool hexMode() const { return m_hexMode; }

    static constexpr const char* TestPatternFile = "TSTPATT.TAP";
    static constexpr const char* CaptureFile = "MRW2013.LOG";

private:
    QAction* item(const char* caption, void (DebugTools::*slot)(), bool checkable = false);
    void message(const std::string& text);
    bool machineReady();

    Parts m_parts;
    QMenu* m_menu;
    QAction* m_hex = nullptr;
    QAction* m_dtr = nullptr;
    QAction* m_verbose = nullptr;
    QAction* m_capture = nullptr;
    bool m_hexMode = false;
};

} // namespace dnc
