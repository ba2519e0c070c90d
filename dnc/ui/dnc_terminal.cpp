#include "dnc/ui/dnc_terminal.h"

#include "dnc/engine/send_settings.h"
#include "dnc/ui/debug_tools.h"
#include "dnc/ui/protocol_status.h"
#include "dnc/ui/send_dialog.h"
#include "dnc/ui/status_lights.h"
#include "dnc/ui/terminal_widget.h"
#include "dnc/ui/wait_box.h"
#include "workspace/engine/editor_host.h"

#include "platform/paths.h"
#include "platform/qt/latin1.h"
#include "platform/qt/help.h"
#include "platform/qt/qthost.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace dnc {

// The send dialog as the transfers use it.
class TMDNCTERM::SendDialogChooser : public SendChooser {
public:
    explicit SendDialogChooser(TSendDlg& dialog) : m_dialog(dialog) {}

    void enableEditorChoices(bool enable) override { m_dialog.EnableEditorChoices(enable); }
    bool choose() override { return m_dialog.exec() == QDialog::Accepted; }
    std::vector<std::string> selectedFiles() const override { return m_dialog.selectedFiles(); }
    void clearSelectedFiles() override { m_dialog.clearSelectedFiles(); }
    bool prepareFile(const std::string& file) override
    {
        return m_dialog.PrepareSendFile(sendmode::GivenFile, file);
    }
    std::string sendFileName() const override { return m_dialog.SendFileName(); }

private:
    TSendDlg& m_dialog;
};

// The save dialog of "&Receive" and the folder browser of direct file transfer.
class TMDNCTERM::FileDialogs : public TransferDialogs {
public:
    explicit FileDialogs(QWidget* parent) : m_parent(parent) {}

    ReceiveFileChooser receiveFileChooser;
    FolderChooser folderChooser;

    std::optional<std::string> chooseReceiveFile(const SaveRequest& request) override
    {
        if (receiveFileChooser)
            return receiveFileChooser(request);
        QFileDialog dialog(m_parent);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // The terminal asks about an existing file itself.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (!request.folder.empty())
            dialog.setDirectory(platform::toQString(request.folder));
        dialog.setDefaultSuffix(platform::toQString(request.defaultExtension));
        QStringList filters;
        for (const std::string& filter : request.filters)
            filters << platform::toQString(filter);
        dialog.setNameFilters(filters);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return platform::toBytes(dialog.selectedFiles().front());
    }

    std::optional<std::string> chooseFolder(const std::string& caption, const std::string& start) override
    {
        if (folderChooser)
            return folderChooser(caption, start);
        const QString folder =
            QFileDialog::getExistingDirectory(m_parent, platform::toQString(caption), platform::toQString(start));
        if (folder.isEmpty())
            return std::nullopt;
        return platform::toBytes(folder);
    }

private:
    QWidget* m_parent;
};

TMDNCTERM::TMDNCTERM(mrw::EditorHost& editor, mrw::WorkspaceGlobals& globals, const mrw::ProgramSettings& settings,
                     platform::Prompter* prompter, QWidget* parent)
    : QWidget(parent, Qt::Window), m_editor(editor), m_globals(globals), m_prompter(prompter)
{
    if (!m_prompter) {
        m_ownPrompter = std::make_unique<platform::QtPrompter>(this);
        m_prompter = m_ownPrompter.get();
    }
    setObjectName(QStringLiteral("TMDNCTERM"));
    setWindowTitle(QStringLiteral("Marrowin -- DNC TERMINAL"));

    m_divert = std::make_unique<DivertingPrompter>(*m_prompter);
    m_session = std::make_unique<DncSession>(globals, settings, static_cast<SessionView&>(*this), *m_divert,
                                             deviceLines(globals.ProgramIniPath));
    m_protocolStatus = new ui::ProtocolStatusWindow(this);
    connect(m_session.get(), &DncSession::protocolMade, m_protocolStatus, &ui::ProtocolStatusWindow::attach);

    ApdTerminal1 = new ui::TerminalWidget(this);
    ApdTerminal1->setPort(&m_session->port());
    ApdTerminal1->setKeyFilter([this](char key) {
        if (ApdTerminal1->isActive())
            m_session->terminalKey(key);
        return true;
    });
    m_lights = new ui::StatusLights(this);
    m_lights->setPort(&m_session->port());

    Stat = new QLineEdit(this);
    Stat->setReadOnly(true);
    Stat->setObjectName(QStringLiteral("Stat"));
    Statusline = new QLabel(this);
    Statusline->setObjectName(QStringLiteral("Statusline"));
    Label10 = new QLabel(this);
    Label10->setObjectName(QStringLiteral("Label10"));
    msgbox1 = new QListWidget(this);
    msgbox1->setObjectName(QStringLiteral("msgbox1"));
    Msglab = new QLabel(QStringLiteral("Message:"), this);

    auto button = [this](const char* text, const char* name) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    Button2 = button("&Start", "Button2");
    BitBtn2 = button("&Done", "BitBtn2");
    BitBtn3 = button("&Receive", "BitBtn3");
    BitBtn4 = button("&Send", "BitBtn4");
    Button1 = button("D", "Button1");
    Button1->setToolTip(QStringLiteral("Debugging Tools"));
    HubButton = button("Hu&b", "HubButton");
    HubButton->hide();
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setText(QStringLiteral("?"));
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    Bshutdown = new QCheckBox(QStringLiteral("Start Shut Down "), this);
    Bshutdown->setObjectName(QStringLiteral("Bshutdown"));

    connect(BitBtn4, &QPushButton::clicked, this, &TMDNCTERM::BitBtn4Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TMDNCTERM::BitBtn3Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TMDNCTERM::BitBtn2Click);
    connect(Button2, &QPushButton::clicked, this, &TMDNCTERM::Button2Click);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { platform::showHelpTopic(HelpContext, *m_prompter); });
    connect(Button1, &QPushButton::clicked, this, &TMDNCTERM::Button1Click);
    connect(Bshutdown, &QCheckBox::toggled, this, [this](bool checked) {
        if (checked)
            m_menu->requestShutdown();
    });

    auto* status = new QHBoxLayout;
    status->addWidget(Stat, 1);
    status->addWidget(Statusline);
    auto* buttons = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{BitBtn4, BitBtn3, Button2, BitBtn2, Bshutdown, Button1,
                                                      HubButton, SpeedButton1})
        buttons->addWidget(w);
    buttons->addStretch(1);
    auto* messages = new QHBoxLayout;
    messages->addWidget(Msglab);
    messages->addWidget(msgbox1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label10);
    layout->addWidget(ApdTerminal1, 1);
    layout->addWidget(m_lights);
    layout->addLayout(status);
    layout->addLayout(messages);
    layout->addLayout(buttons);

    m_sendDlg = new TSendDlg(
        editor,
        [this, &settings] {
            return sendSettingsFrom(m_globals.CurrentMachine, m_globals.Machine.settings(), settings.LineSkipMarker);
        },
        m_divert.get(), this);
    m_sendDlg->setDownloadFolderFirstTime(&m_globals.DownloadFolderFirstTime);
    m_waitBox = new Txonwaitform(this);
    m_sendChooser = std::make_unique<SendDialogChooser>(*m_sendDlg);
    m_fileDialogs = std::make_unique<FileDialogs>(this);
    m_runner = std::make_unique<TransferRunner>(*m_session, editor, *m_sendChooser, *m_fileDialogs, *m_waitBox);

    m_menu = std::make_unique<TerminalMenu>(*m_session, editor, *m_sendChooser, *m_waitBox, *m_divert);
    m_menu->postMessage = [this](const std::string& text) { addMessage(text); };
    m_menu->minimizeWindow = [this] { showMinimized(); };
    m_menu->shutdownChecked = [this] { Bshutdown->setChecked(true); };
    m_remote = std::make_unique<RemoteRequests>(*m_session, editor, *m_sendChooser, *m_waitBox, *m_divert);
    m_remote->postMessage = [this](const std::string& text) { addMessage(text); };
    m_tools = new DebugTools({*this, *m_session, *ApdTerminal1, *m_sendChooser, *m_waitBox, editor, *m_prompter}, this);
    // Quitting the program ends the menu loop before any window goes.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { m_menu->stop(); });
}

TMDNCTERM::~TMDNCTERM()
{
    m_menu->stop();
    m_remote->leave();
    m_session->end();
    // The terminal and the lights go after the session and its port.
    ApdTerminal1->setPort(nullptr);
    m_lights->setPort(nullptr);
}

void TMDNCTERM::setReceiveFileChooser(ReceiveFileChooser chooser)
{
    m_fileDialogs->receiveFileChooser = std::move(chooser);
}

void TMDNCTERM::setFolderChooser(FolderChooser chooser)
{
    m_fileDialogs->folderChooser = std::move(chooser);
}

void TMDNCTERM::Go(bool remoteStart)
{
    if (isVisible()) {
        // Already showing: it comes to the front; a transfer on the line goes on.
        showNormal();
        raise();
        activateWindow();
        return;
    }
    m_session->setRemoteDevice(false);
    if (remoteStart)
        showMinimized();
    else
        showNormal();
    raise();
    FormShow();
    if (remoteStart)
        Button2Click();
}

void TMDNCTERM::FormShow()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_session->begin();
    const auto emulation = m_globals.CurrentMachine.AnsiEmulation == 1 ? ui::TerminalWidget::Emulation::Ansi
                                                                       : ui::TerminalWidget::Emulation::None;
    if (ApdTerminal1->emulation() != emulation)
        ApdTerminal1->setEmulation(emulation);
    Label10->setText(platform::toQString(m_globals.CurrentMachine.Name));
    QApplication::restoreOverrideCursor();
    arrangeForDevice();
}

void TMDNCTERM::arrangeForDevice()
{
    const bool remote = m_session->remoteDevice();
    // A port that did not open sends and receives nothing until the terminal shows again.
    const bool transfers = !remote && m_session->transfersPossible();
    BitBtn4->setEnabled(transfers);
    BitBtn4->setVisible(!remote);
    BitBtn3->setEnabled(transfers);
    BitBtn3->setVisible(!remote);
    BitBtn2->setEnabled(true);
    Bshutdown->setEnabled(remote);
    Bshutdown->setChecked(false);
    Bshutdown->hide();
    Button2->setEnabled(remote);
    Button2->setVisible(remote);
    Msglab->setEnabled(remote);
    Msglab->setVisible(remote);
    msgbox1->setEnabled(remote);
    msgbox1->setVisible(remote);
    if (remote) {
        Stat->setText(QStringLiteral("Remote Mode ..."));
        Stat->setFixedWidth(192);
        setWindowTitle(QStringLiteral("REMOTE DNC MODE"));
    } else {
        Stat->setFixedWidth(450);
        setWindowTitle(QStringLiteral("Marrowin -- DNC TERMINAL"));
    }
}

void TMDNCTERM::BitBtn4Click()
{
    m_runner->setMinimized(isMinimized());
    m_runner->send();
}

void TMDNCTERM::BitBtn3Click()
{
    m_runner->setMinimized(isMinimized());
    m_runner->receive();
}

void TMDNCTERM::BitBtn2Click()
{
    m_session->setMenuRunning(false);
    Bshutdown->setChecked(true);
    close();
}

void TMDNCTERM::Button2Click()
{
    if (!m_session->remoteDevice() || m_session->menuRunning() || m_remote->active())
        return;
    BitBtn2->setEnabled(false);
    Button2->setEnabled(false);
    if (m_globals.CurrentMachine.DeviceType == mrw::devicetype::RemoteCnc) {
        BitBtn2->setEnabled(true);
        Bshutdown->hide();
        setWindowTitle(QStringLiteral("REMOTE DNC (CNC) MODE"));
        m_remote->setMinimized(isMinimized());
        m_remote->enter();
        return;
    }
    Bshutdown->setChecked(false);
    Bshutdown->show();
    m_menu->setMinimized(isMinimized());
    m_menu->RunTerminalMenu();
    BitBtn2->setEnabled(true);
}

void TMDNCTERM::Button1Click()
{
    m_tools->Button1Click();
}

void TMDNCTERM::addMessage(const std::string& text)
{
    msgbox1->addItem(platform::toQString(text));
    msgbox1->setCurrentRow(msgbox1->count() - 1);
}

void TMDNCTERM::closeEvent(QCloseEvent* event)
{
    if (!m_session->closeAllowed()) {
        event->ignore();
        return;
    }
    endSession();
    event->accept();
}

void TMDNCTERM::endWithProgram()
{
    endSession();
    hide();
}

void TMDNCTERM::endSession()
{
    m_menu->stop();
    const bool remoteMode = m_remote->active();
    m_remote->leave();
    m_session->end();
    m_waitBox->hide();
    if (remoteMode)
        emit remoteModeEnded();
}

void TMDNCTERM::writeTerminalLine(const std::string& text)
{
    ApdTerminal1->writeText(text + "\r\n");
}

void TMDNCTERM::writeTerminal(const std::string& text)
{
    ApdTerminal1->writeText(text);
}

void TMDNCTERM::setTerminalActive(bool active)
{
    ApdTerminal1->setActive(active);
}

void TMDNCTERM::setStatusLights(bool on)
{
    m_lights->setMonitoring(on);
}

void TMDNCTERM::setStatusText(const std::string& text)
{
    Stat->setText(platform::toQString(text));
}

void TMDNCTERM::setPortStatusText(const std::string& text)
{
    Statusline->setText(platform::toQString(text));
}

void TMDNCTERM::focusTerminal()
{
    ApdTerminal1->setFocus();
}

} // namespace dnc
