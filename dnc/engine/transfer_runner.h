#pragma once
// The operator's transfers in the DNC terminal: "&Send" (the editor text, one disk file
// or several), "&Receive" into a file, and for a machine reached by direct file
// transfer the copy of the files into its folder. Each transfer writes its line to the
// activity log.
#include "dnc/engine/wait_ready.h"

#include <optional>
#include <string>
#include <vector>

namespace mrw {
class EditorHost;
}

namespace dnc {

class DncSession;

// The send dialog as the transfers use it.
class SendChooser {
public:
    virtual ~SendChooser() = default;
    virtual void enableEditorChoices(bool enable) = 0;
    // Shows the dialog; true when it closed with OK: the send image is built, or
    // several disk files were chosen.
    virtual bool choose() = 0;
    // The disk files chosen in "Send From Disk File" (empty for an editor choice).
    virtual std::vector<std::string> selectedFiles() const = 0;
    virtual void clearSelectedFiles() = 0;
    // Builds the send image of one file; false when it cannot be sent (told already).
    virtual bool prepareFile(const std::string& file) = 0;
    // The name of what was prepared last.
    virtual std::string sendFileName() const = 0;
};

// The file dialogs of the transfers.
class TransferDialogs {
public:
    struct SaveRequest {
        std::string folder; // empty: where the dialog was last
        std::string defaultExtension;
        std::vector<std::string> filters;
    };
    virtual ~TransferDialogs() = default;
    // The file to receive into (the dialog does not ask about an existing file).
    virtual std::optional<std::string> chooseReceiveFile(const SaveRequest& request) = 0;
    virtual std::optional<std::string> chooseFolder(const std::string& caption, const std::string& start) = 0;
};

class TransferRunner {
public:
    TransferRunner(DncSession& session, mrw::EditorHost& editor, SendChooser& sender, TransferDialogs& dialogs,
                   WaitBox& waitBox);

    // The terminal window is minimized (the wait box shows minimized too).
    void setMinimized(bool minimized) { m_minimized = minimized; }

    // "&Send" and "&Receive". Nothing happens while a transfer is busy.
    void send();
    void receive();
    bool busy() const;

private:
    void sendOne();
    void sendSeveral(const std::vector<std::string>& files);
    bool readyToSend();
    void directFileTransfer();
    bool copyInto(const std::string& source, const std::string& folder, const std::string& name);
    WaitContext waitContext();

    DncSession& m_session;
    mrw::EditorHost& m_editor;
    SendChooser& m_sender;
    TransferDialogs& m_dialogs;
    WaitBox& m_waitBox;
    bool m_minimized = false;
    bool m_handlerBusy = false;
};

} // namespace dnc
