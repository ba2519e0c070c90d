#pragma once
// A DNC session on fake lines (one fake device behind every port, virtual time) or on a
// pty pair, with a recording view, scripted message boxes, a machine database written
// for the test and the activity log in the test's folder.
#include "dnc/engine/diverting_prompter.h"
#include "dnc/engine/dnc_session.h"
#include "dnc/engine/fake_line.h"
#include "dnc/engine/posix_line.h"
#include "dnc/engine/send_image.h"
#include "dnc/engine/terminal_reader.h"
#include "dnc/engine/transfer_runner.h"
#include "workspace/engine/activity_log.h"
#include "workspace/engine/editor_host.h"

#include "platform/paths.h"

#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dnc::testrig {

// Acts as the terminal window does: while active it takes every byte arriving at the
// port (what it took is in `received`), and it shows what the session writes.
class RecordingView : public SessionView {
public:
    std::vector<std::string> lines;
    std::string shown; // everything written into the terminal, lines ended by CR LF
    std::string received; // what the terminal took from the port
    TerminalReader reader{[this](const std::string& bytes) {
        received += bytes;
        shown += bytes;
    }};
    std::string status;
    std::vector<std::string> statusHistory;
    std::string portStatus;
    bool active = false;
    bool lights = false;

    void writeTerminalLine(const std::string& text) override
    {
        lines.push_back(text);
        shown += text + "\r\n";
    }
    void writeTerminal(const std::string& text) override { shown += text; }
    void setTerminalActive(bool on) override
    {
        active = on;
        reader.setActive(on);
    }
    void setStatusLights(bool on) override { lights = on; }
    void setStatusText(const std::string& text) override
    {
        status = text;
        statusHistory.push_back(text);
    }
    void setPortStatusText(const std::string& text) override { portStatus = text; }
};

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A machine section with the keys a test needs; the rest keep their defaults.
inline std::string machineSection(const std::string& name, const std::string& keys)
{
    return "[" + name + "]\r\n" + keys;
}

class EditorStub : public mrw::EditorHost {
public:
    explicit EditorStub(const testsupport::TempFolder& folder)
        : m_buffer(folder.file("MRW0001.TMP")), m_source(folder.file("MRW0002.TMP"))
    {
    }
    std::string activeName = "NONE";
    std::string activeFileName() const override { return activeName; }
    bool writeActiveTextToSendFile(int, std::string&) override { return false; }
    std::string sendBufferFile() const override { return m_buffer; }
    std::string sendSourceFile() const override { return m_source; }

private:
    std::string m_buffer;
    std::string m_source;
};

// The send dialog: each choice is scripted as the files chosen (empty for the editor
// text) and builds the send image of the given source with the machine's options.
class ScriptedSender : public SendChooser {
public:
    ScriptedSender(mrw::EditorHost& editor, DncSession& session) : m_editor(editor), m_session(session) {}

    struct Choice {
        bool ok = true;
        std::vector<std::string> files; // disk files; empty: the editor text
        std::string editorText;         // the editor text to send
    };
    std::deque<Choice> choices;
    std::function<void()> whileShown; // what happens on the line while the dialog shows
    bool editorChoicesEnabled = false;
    std::vector<std::string> prepared;

    void enableEditorChoices(bool enable) override { editorChoicesEnabled = enable; }
    bool choose() override
    {
        if (whileShown)
            whileShown();
        Choice choice = choices.empty() ? Choice{false, {}, {}} : choices.front();
        if (!choices.empty())
            choices.pop_front();
        if (!choice.ok)
            return false;
        m_selected = choice.files;
        if (m_selected.size() > 1)
            return true;
        if (m_selected.size() == 1)
            return prepareFile(m_selected.front());
        writeBytes(m_editor.sendSourceFile(), choice.editorText);
        m_name = m_editor.activeFileName();
        return build(m_editor.sendSourceFile());
    }
    std::vector<std::string> selectedFiles() const override { return m_selected; }
    void clearSelectedFiles() override { m_selected.clear(); }
    std::vector<std::string> unsendable; // files whose image cannot be built
    bool prepareFile(const std::string& file) override
    {
        m_name = file;
        prepared.push_back(file);
        if (std::find(unsendable.begin(), unsendable.end(), file) != unsendable.end())
            return false;
        return build(file);
    }
    std::string sendFileName() const override { return m_name; }

private:
    bool build(const std::string& source)
    {
        const mrw::MachComRec& machine = m_session.currentMachine();
        SendOptions options;
        options.tapeCode = tapeCodeFromIndex(machine.TapeCode);
        options.leaderLength = machine.LeaderLength;
        options.startSendCodes = machine.StartSendCodes;
        options.endSendCodes = machine.EndSendCodes;
        prepareSendImage(source, ScratchFiles{m_editor.sendBufferFile(), m_editor.sendSourceFile()}, options);
        return true;
    }

    mrw::EditorHost& m_editor;
    DncSession& m_session;
    std::vector<std::string> m_selected;
    std::string m_name;
};

class ScriptedDialogs : public TransferDialogs {
public:
    std::deque<std::optional<std::string>> receiveFiles;
    std::deque<std::optional<std::string>> folders;
    std::vector<SaveRequest> requests;
    std::function<void()> whileShown; // what happens on the line while the dialog shows

    std::optional<std::string> chooseReceiveFile(const SaveRequest& request) override
    {
        requests.push_back(request);
        if (whileShown)
            whileShown();
        return take(receiveFiles);
    }
    std::optional<std::string> chooseFolder(const std::string&, const std::string&) override { return take(folders); }

private:
    static std::optional<std::string> take(std::deque<std::optional<std::string>>& answers)
    {
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class ScriptedWaitBox : public WaitBox {
public:
    std::vector<std::string> labels;
    bool stop = false;
    bool showing = false;
    void showWaiting(const std::string& label, bool) override
    {
        labels.push_back(label);
        stop = false;
        showing = true;
    }
    void hideWaiting() override { showing = false; }
    bool stopRequested() const override { return stop; }
};

// The session with its transfers over fake lines or, with usePty(), over a pty.
struct SessionRig {
    explicit SessionRig(const std::string& machineDatabase, const std::string& machine = "M")
    {
        folder.write("WPOSTS.INI", machineDatabase);
        // The test's folder is the program folder for stored paths as well.
        ::setenv("MRW_PROGRAM_DIR", folder.path().c_str(), 1);
        mrw::initializeWorkspaceGlobals(globals, folder.path());
        globals.CurrentMachineName = machine;
        settings.DtrDelayTicks = 36;
        session = std::make_unique<DncSession>(globals, settings, view, divert, [this](int portNumber) {
            openedPorts.push_back(portNumber);
            std::unique_ptr<SerialLine> line;
            if (ptyPath.empty())
                line = std::make_unique<FakeLine>(device, "COM" + std::to_string(portNumber));
            else
                line = std::make_unique<PosixLine>(ptyPath);
            return line;
        });
        session->setIdleClock(&device->clock);
        view.reader.setPort(&session->port());
        sender = std::make_unique<ScriptedSender>(editor, *session);
        runner = std::make_unique<TransferRunner>(*session, editor, *sender, dialogs, waitBox);

        mrw::ActivityLog& log = mrw::activityLog();
        log.setPath(folder.file("MRWDNC.LOG"));
        log.setEnabled(true);
        log.setSeparators({'/', ':'});
        log.setClock([] { return mrw::LocalDateTime{2026, 3, 4, 5, 6, 7}; });
    }
    ~SessionRig()
    {
        if (session)
            session->end();
        view.reader.setPort(nullptr);
        mrw::activityLog().setEnabled(false);
        ::unsetenv("MRW_PROGRAM_DIR");
    }
    SessionRig(const SessionRig&) = delete;
    SessionRig& operator=(const SessionRig&) = delete;

    // The log's lines without their date and time.
    std::vector<std::string> logLines() const
    {
        std::vector<std::string> lines;
        if (!platform::fileExists(folder.file("MRWDNC.LOG")))
            return lines;
        const std::string text = folder.read("MRWDNC.LOG");
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find("\r\n", start);
            const std::string line = text.substr(start, end - start);
            lines.push_back(line.substr(std::string("03/04/2026,05:06:07,").size()));
            if (end == std::string::npos)
                break;
            start = end + 2;
        }
        return lines;
    }

    // Runs the virtual time on until the session's transfer is over.
    void settle(int ms = 2000) { device->clock.waitFor([this] { return !session->finishPending(); }, ms, true); }

    testsupport::TempFolder folder;
    mrw::WorkspaceGlobals globals;
    mrw::ProgramSettings settings;
    RecordingView view;
    testsupport::ScriptedPrompter prompter;
    DivertingPrompter divert{prompter}; // what the session talks through
    std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
    std::string ptyPath; // set: every port opens this pty instead of the fake device
    std::vector<int> openedPorts;
    std::unique_ptr<DncSession> session;
    EditorStub editor{folder};
    std::unique_ptr<ScriptedSender> sender;
    ScriptedDialogs dialogs;
    ScriptedWaitBox waitBox;
    std::unique_ptr<TransferRunner> runner;
};

} // namespace dnc::testrig
