#include "dnc/engine/transfer_runner.h"

#include "dnc/engine/dnc_session.h"
#include "dnc/engine/received_file.h"
#include "workspace/engine/activity_log.h"
#include "workspace/engine/editor_host.h"

#include "platform/paths.h"
#include "platform/scratch_file.h"
#include "platform/stored_path.h"
#include "platform/textfile.h"

#include <QCoreApplication>


namespace dnc {

namespace {

class BusyFlag {
public:
    explicit BusyFlag(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyFlag() { m_flag = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& m_flag;
};

} // namespace

TransferRunner::TransferRunner(DncSession& session, mrw::EditorHost& editor, SendChooser& sender,
                               TransferDialogs& dialogs, WaitBox& waitBox)
    : m_session(session), m_editor(editor), m_sender(sender), m_dialogs(dialogs), m_waitBox(waitBox)
{
}

bool TransferRunner::busy() const
{
    return m_handlerBusy || m_session.transferActive();
}

WaitContext TransferRunner::waitContext()
{
    return WaitContext{m_session.port(), m_waitBox, m_session.view(), m_session.currentMachine().Name, m_minimized,
                       m_session.verbose()};
}

void TransferRunner::send()
{
    if (busy() || !m_session.transfersPossible())
        return;
    BusyFlag flag(m_handlerBusy);
    m_session.view().setStatusText("Downloading To CNC ...");
    m_sender.enableEditorChoices(true);
    if (m_session.currentMachine().DeviceType == mrw::devicetype::DirectFileTransfer) {
        directFileTransfer();
        return;
    }
    // The control's receiver may ask for the start while the dialog shows.
    const TransferInputHold hold(m_session);
    if (!m_sender.choose()) {
        m_session.view().setStatusText(ReadyText);
        return;
    }
    const std::vector<std::string> files = m_sender.selectedFiles();
    if (files.size() > 1)
        sendSeveral(files);
    else
        sendOne();
}

bool TransferRunner::readyToSend()
{
    m_session.port().flushOutBuffer();
    if (!m_session.sendCodeString(m_session.currentMachine().SendInit, "Send Init"))
        return false;
    if (m_session.globals().Machine.settings().xonwait && !WaitForXon(waitContext()))
        return false;
    return true;
}

void TransferRunner::sendOne()
{
    if (!m_session.SetupProtocol(ProtocolSide::Send))
        return;
    if (!readyToSend())
        return;
    // Busy until the finish is handled: a second send must not rebuild the send image
    // while this one is on the line.
    m_session.setTransferActive(true);
    if (!m_session.startTransmit(m_editor.sendBufferFile(), m_sender.sendFileName())) {
        m_session.setTransferActive(false);
        return;
    }
    // Logged once it is on its way: the log never names a file that was not sent.
    mrw::WriteActivityLog("DNC Send File [" + m_sender.sendFileName() + "]");
}

void TransferRunner::sendSeveral(const std::vector<std::string>& files)
{
    ComPort& port = m_session.port();
    if (!m_session.SetupProtocol(ProtocolSide::Send)) {
        m_sender.clearSelectedFiles();
        return;
    }
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
        // A file that cannot be sent is passed over, never sent with the image of another.
        if (!m_sender.prepareFile(*file))
            continue;
        m_session.view().writeTerminalLine(*file);
        if (!readyToSend())
            break;
        m_session.setTransferActive(true);
        if (!m_session.SetupProtocol(ProtocolSide::Send) || !m_session.startTransmit(m_editor.sendBufferFile(), *file))
            break;
        mrw::WriteActivityLog("DNC Send File [" + *file + "]");
        m_session.clock().waitFor(
            [this, &port] { return !m_session.finishPending() && (!port.isOpen() || port.outCount() == 0); }, -1,
            true);
        // What the last receiver said goes; the next one's start request is kept.
        port.flushInBuffer();
        m_session.waitTicks(secsToTicks(m_session.currentMachine().MultiFileDelay));
        m_session.view().writeTerminalLine("Done with: " + *file);
    }
    m_session.setTransferActive(false);
    m_sender.clearSelectedFiles();
}

void TransferRunner::receive()
{
    if (busy() || !m_session.transfersPossible())
        return;
    BusyFlag flag(m_handlerBusy);
    SessionView& view = m_session.view();
    view.setStatusText("Uploading From CNC ...");
    const mrw::MachComRec& machine = m_session.currentMachine();
    if (machine.DeviceType == mrw::devicetype::DirectFileTransfer)
        return;
    // A sender started first (a Kermit start packet, a ZMODEM request) waits for the
    // receive while the dialog shows.
    const TransferInputHold hold(m_session);
    QCoreApplication::processEvents();

    mrw::WorkspaceGlobals& globals = m_session.globals();
    const mrw::MachineSettings& settings = globals.Machine.settings();
    TransferDialogs::SaveRequest request;
    if (globals.UploadFolderFirstTime || settings.CBForceUpload)
        request.folder = platform::resolveStoredPath(settings.DirUPL);
    globals.UploadFolderFirstTime = false;
    request.defaultExtension = settings.Defext;
    request.filters = {"Tape files (*." + settings.Defext + ")", "Text Files (*.txt)", "All files (*)"};

    std::string file;
    for (;;) {
        const std::optional<std::string> chosen = m_dialogs.chooseReceiveFile(request);
        if (!chosen) {
            view.setStatusText(ReadyText);
            return;
        }
        file = *chosen;
        if (platform::fileKind(file) == platform::FileKind::NotRegular) {
            m_session.prompter().message(DncCaption, platform::notRegularFileText(file), platform::MessageKind::Error);
            view.setStatusText(ReadyText);
            return;
        }
        if (!platform::fileExists(file))
            break;
        const platform::Button answer =
            m_session.prompter().message(DncCaption,
                                         "Do you really want to overwrite " + platform::fileNamePart(file) + "?",
                                         platform::MessageKind::Question, platform::Buttons::YesNoCancel);
        if (answer == platform::Button::Yes) {
            if (writeProtected(file)) {
                m_session.prompter().message(DncCaption, writeProtectedText(file), platform::MessageKind::Error);
                view.setStatusText(ReadyText);
                return;
            }
            mrw::WriteActivityLog("DNC Receive Overwrite File [" + file + "]");
            break;
        }
        if (answer != platform::Button::No) {
            view.setStatusText(ReadyText);
            return;
        }
    }

    if (!m_session.SetupProtocol(ProtocolSide::Receive))
        return;
    mrw::WriteActivityLog("DNC Receive File [" + file + "]");
    if (!m_session.sendCodeString(machine.StartRecvCodes, "Start Receive Codes"))
        return;
    view.setTerminalActive(false);
    if (settings.xonwait1 && !WaitForChar(waitContext())) {
        view.setTerminalActive(true);
        return;
    }
    m_session.setTransferActive(true);
    if (m_session.startReceive(file))
        m_session.waitForFinish();
    m_session.setTransferActive(false);

    m_session.sendCodeString(machine.EndRecvCodes, "End Receive Codes");
    if (m_session.tapeCode() != TapeCode::Iso && m_session.receiveStored()) {
        try {
            ConvertReceivedFile(file, m_session.tapeCode());
        } catch (const ReceivedFileError& e) {
            m_session.prompter().message(DncCaption, e.what(), platform::MessageKind::Error);
        }
    }
    view.setTerminalActive(true);
}

void TransferRunner::directFileTransfer()
{
    SessionView& view = m_session.view();
    if (!m_sender.choose()) {
        view.setStatusText(ReadyText);
        return;
    }
    const mrw::MachineSettings& settings = m_session.globals().Machine.settings();
    std::string destination = platform::resolveStoredPath(settings.DirUPL);
    if (settings.CBDFTask) {
        const std::optional<std::string> chosen = m_dialogs.chooseFolder("Select Folder for Uploading", destination);
        if (!chosen) {
            view.setStatusText(ReadyText);
            return;
        }
        destination = *chosen;
    }

    const std::vector<std::string> files = m_sender.selectedFiles();
    if (files.size() > 1) {
        // Several disk files go as they are, unconverted.
        for (auto file = files.rbegin(); file != files.rend(); ++file)
            if (copyInto(*file, destination, platform::fileNamePart(*file)))
                mrw::WriteActivityLog("DNC Direct File Transfer Send [" + *file + "]");
        m_sender.clearSelectedFiles();
    } else {
        const std::string sent = files.empty() ? m_editor.activeFileName() : files.front();
        if (copyInto(m_editor.sendBufferFile(), destination, platform::fileNamePart(sent)))
            mrw::WriteActivityLog("DNC Direct File Transfer Send [" + m_sender.sendFileName() + "]");
    }
    view.setStatusText(ReadyText);
}

bool TransferRunner::copyInto(const std::string& source, const std::string& folder, const std::string& name)
{
    platform::Prompter& prompter = m_session.prompter();
    const std::string target = platform::joinPath(folder, name);
    const std::optional<std::string> bytes = platform::readFileBytes(source);
    if (!bytes) {
        prompter.message(DncCaption, "File [" + source + "] Could not be read", platform::MessageKind::Error);
        return false;
    }
    if (platform::fileExists(target) &&
        !prompter.ask(DncCaption, "The folder " + folder + " already holds " + name + ".\nReplace it?"))
        return false;
    // Written beside the target and renamed over it: the machine never reads half a file.
    std::string error;
    if (!platform::saveFileAtomic(target, *bytes, &error)) {
        prompter.message(DncCaption, "File [" + source + "] Could not be copied to " + target + "\n" + error,
                         platform::MessageKind::Error);
        return false;
    }
    return true;
}

} // namespace dnc
