#include "dnc/ui/debug_tools.h"

#include "dnc/engine/dnc_session.h"
#include "dnc/engine/line_tests.h"
#include "dnc/engine/transfer_runner.h"
#include "dnc/engine/wait_ready.h"
#include "dnc/ui/terminal_widget.h"
#include "workspace/engine/activity_log.h"
#include "workspace/engine/editor_host.h"

#include "platform/paths.h"
#include "platform/qt/latin1.h"
#include "platform/textfile.h"

#include <QFileDialog>
#include <QMenu>
#include <QWidget>

namespace dnc {

DebugTools::DebugTools(Parts parts, QObject* parent) : QObject(parent), m_parts(parts)
{
    m_menu = new QMenu(&parts.window);
    m_menu->setObjectName(QStringLiteral("PopupMenu1"));
    m_hex = item("&Hex Mode", &DebugTools::HexMode1Click, true);
    m_dtr = item("Toggle &DTR", &DebugTools::ToggleDTR1Click, true);
    m_dtr->setChecked(true);
    item("Send Test &Pattern", &DebugTools::SendTestPattern1Click);
    item("&Send Scan Test", &DebugTools::SendScanTest1Click);
    item("Send an XON", &DebugTools::SendanXON1Click);
    item("Send an XOFF", &DebugTools::SendanXOFF1Click);
    item("&Recieve Scan Test", &DebugTools::RecieveScanTestClick);
    item("&Clear Screen", &DebugTools::CleClick);
    item("New Send Test", &DebugTools::NewSendTest1Click);
    item("Receive Bin", &DebugTools::ReceiveBin1Click);
    m_verbose = item("Verbose Mode", &DebugTools::VerboseMode1Click, true);
    m_capture = item("Capture Terminal", &DebugTools::CaptureTerminal1Click, true);

    chooseCaptureFile = [this]() -> std::optional<std::string> {
        const QString file = QFileDialog::getSaveFileName(&m_parts.window, QStringLiteral("Receive Bin"));
        if (file.isEmpty())
            return std::nullopt;
        return platform::toBytes(file);
    };
}

DebugTools::~DebugTools() = default;

QAction* DebugTools::item(const char* caption, void (DebugTools::*slot)(), bool checkable)
{
    QAction* action = m_menu->addAction(QString::fromLatin1(caption));
    action->setCheckable(checkable);
    // A checkable item's mark is set by its own handler, as the item says what it did.
    connect(action, &QAction::triggered, this, [this, action, slot, checkable] {
        if (checkable)
            action->setChecked(!action->isChecked());
        (this->*slot)();
    });
    return action;
}

void DebugTools::message(const std::string& text)
{
    m_parts.prompter.message(DncCaption, text, platform::MessageKind::Information);
}

void DebugTools::Button1Click()
{
    QWidget& window = m_parts.window;
    m_menu->popup(window.mapToGlobal(window.rect().center() - QPoint(100, 0)));
}

void DebugTools::HexMode1Click()
{
    m_hexMode = !m_hexMode;
    m_hex->setChecked(m_hexMode);
    if (m_hexMode)
        m_parts.terminal.setCharHook(hexShown);
    else
        m_parts.terminal.setCharHook(nullptr);
}

void DebugTools::ToggleDTR1Click()
{
    ComPort& port = m_parts.session.port();
    port.setDtr(!port.dtr());
    port.processEvents();
    m_dtr->setChecked(port.dtr());
    m_parts.terminal.setFocus();
}

bool DebugTools::machineReady()
{
    if (!m_parts.session.globals().Machine.settings().xonwait)
        return true;
    return WaitForXon({m_parts.session.port(), m_parts.waitBox, m_parts.session.view(),
                       m_parts.session.currentMachine().Name, m_parts.window.isMinimized(),
                       m_parts.session.verbose()});
}

void DebugTools::SendTestPattern1Click()
{
    std::string typed;
    if (!m_parts.prompter.inputString("Send Test Pattern", "File Size (in K bytes) ?", typed))
        return;
    const std::optional<int> size = testPatternSize(typed);
    if (!size) {
        message("The test pattern's size is a whole number of 0 to 9999 (K bytes)");
        return;
    }
    std::string error;
    if (!platform::saveFileAtomic(TestPatternFile, testPatternText(*size), &error)) {
        message(std::string(TestPatternFile) + " Could not be written\n" + error);
        return;
    }
    DncSession& session = m_parts.session;
    if (!m_parts.sender.prepareFile(TestPatternFile) || !session.SetupProtocol(ProtocolSide::Send) ||
        !machineReady())
        return;
    session.setTransferActive(true);
    if (session.startTransmit(m_parts.editor.sendBufferFile(), TestPatternFile))
        session.waitForFinish();
    session.setTransferActive(false);
}

void DebugTools::SendScanTest1Click()
{
    message("Send Scan Test Not Implemented Yet");
}

void DebugTools::SendanXON1Click()
{
    m_parts.session.port().putChar(XonChar);
}

void DebugTools::SendanXOFF1Click()
{
    m_parts.session.port().putChar(XoffChar);
}

void DebugTools::RecieveScanTestClick()
{
    message("Receive Scan Test Not Implemented Yet");
}

void DebugTools::CleClick()
{
    m_parts.terminal.clearScreen();
}

void DebugTools::NewSendTest1Click()
{
    DncSession& session = m_parts.session;
    session.view().setStatusText("Downloading To CNC ...");
    m_parts.sender.enableEditorChoices(false);
    if (!m_parts.sender.choose())
        return;
    const std::vector<std::string> chosen = m_parts.sender.selectedFiles();
    m_parts.sender.clearSelectedFiles();
    const std::string file = chosen.size() == 1 ? chosen.front() : m_parts.sender.sendFileName();
    if (chosen.size() > 1 || !platform::fileExists(file)) {
        message("New Send Test sends one disk file: choose \"Send From Disk File\" and one file");
        return;
    }
    mrw::WriteActivityLog("DNC Send File [" + file + "]");
    if (!session.sendCodeString(session.currentMachine().SendInit, "Send Init") || !machineReady() ||
        !session.SetupProtocol(ProtocolSide::Send))
        return;
    session.view().writeTerminalLine("Start Sending (New method)");
    if (!sendFileInBlocks(session, file, [&session] { session.view().writeTerminal("."); }))
        message("File [" + file + "] Could not be sent");
    session.view().writeTerminalLine("Done Sending (New method)");
}

void DebugTools::ReceiveBin1Click()
{
    const std::optional<std::string> file = chooseCaptureFile();
    if (!file)
        return;
    DncSession& session = m_parts.session;
    session.view().setTerminalActive(false);
    m_parts.waitBox.showWaiting("Receiving Binary File", m_parts.window.isMinimized());
    const bool written =
        captureBinary(session.port(), *file, [this] { return m_parts.waitBox.stopRequested(); });
    m_parts.waitBox.hideWaiting();
    session.view().setTerminalActive(session.port().isOpen());
    if (!written)
        message("File [" + *file + "] Could not be written");
}

void DebugTools::VerboseMode1Click()
{
    m_verbose->setChecked(!m_parts.session.verbose());
    m_parts.session.setVerbose(m_verbose->isChecked());
}

void DebugTools::CaptureTerminal1Click()
{
    if (m_parts.terminal.isCapturing()) {
        m_parts.terminal.setCapture({});
    } else if (!m_parts.terminal.setCapture(CaptureFile)) {
        message(std::string(CaptureFile) + " Could not be opened");
    }
    m_capture->setChecked(m_parts.terminal.isCapturing());
}

} // namespace dnc
