#pragma once
// The remote request mode: a control on the serial line asks the PC for things itself,
// framed as a keyword, an argument and an end string. SND asks for a file, DIR for a
// directory listing sent back as a small NC program, PTH sets the folder for the next
// request, MSG posts a text on the PC, and RCV announces a file the control wants to
// send. Every answer is written to the terminal and the activity log. One request is
// answered at a time, nobody is needed at the PC, and no name leads outside the
// machine's folders.
//
// The mode reads the line itself: a keyword counts only where a request can start (at
// the start of a line, or right after the previous request's end), never inside the
// argument being collected; an argument holds at most MaxRequestData bytes; and what no
// request needs is dropped as it arrives, so the mode keeps listening whatever comes. A
// line that is no request ends at its line end or, for a control that sends none (SND
// and DIR end at ")"), once the line has been quiet for a moment; text dropped that way
// is logged, so a request after a stray byte is never lost unseen.
#include "dnc/engine/comport.h"
#include "dnc/engine/confined_path.h"
#include "dnc/engine/diverting_prompter.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

namespace mrw {
class EditorHost;
}

namespace dnc {

class DncSession;
class SendChooser;
class WaitBox;

class RemoteRequests : public QObject, private ByteWatcher {
    Q_OBJECT
public:
    RemoteRequests(DncSession& session, mrw::EditorHost& editor, SendChooser& sender, WaitBox& waitBox,
                   DivertingPrompter& prompter, QObject* parent = nullptr);
    ~RemoteRequests() override;

    // What the window does for the mode.
    std::function<void(const std::string&)> postMessage; // add to the message list and select it
    // The current time as the system writes it (the wall clock unless a test sets one).
    std::function<std::string()> timeText;

    void setMinimized(bool minimized) { m_minimized = minimized; }

    // "&Start": the packets are enabled and the line re-armed; messages go to the list.
    void enter();
    // "&Done" or the window closes.
    void leave();
    bool active() const { return m_active; }

    void EnableRemotePackets(bool on);
    void RearmRemotePackets();
    static std::string FormatRemoteDirectoryLine(const std::string& cmtStart, const std::string& fileName,
                                                 std::uintmax_t size, const std::string& cmtEnd);

    const std::string& remotePath() const { return m_remotePath; }
    bool busy() const;

    // The longest argument a request may carry; a longer name is refused.
    static constexpr std::size_t MaxRequestData = 255;

private:
    enum Packet { Send, Receive, Dir, Path, Message, PacketCount };
    // Where the reading stands in the incoming bytes.
    enum class Reading { LineStart, Keyword, Argument, RestOfLine };
    struct Frame; // a request's keyword, end and handler
    static const Frame& frame(int packet);

    void onByte(char c) override;
    void read(char c);
    void startArgument(int packet);
    void endArgument();
    void argumentTimedOut();
    void stopArgumentTimer();
    // Outside a request: a quiet gap brings the reading back to where a request may start.
    void awaitGap();
    void stopGapTimer();
    void gapEnded();
    bool anyEnabled() const;
    void listen();

    void DPSendStringPacket(const std::string& data);
    void DPReceiveStringPacket(const std::string& data);
    void DPDirStringPacket(const std::string& data);
    void DPPathStringPacket(const std::string& data);
    void DPmessageStringPacket(const std::string& data);

    // Runs the packet's handler unless another request is being answered.
    void answer(int packet, const std::string& data, bool overlong);
    void refused(const std::string& argument, const ConfinedFile& file = {});
    void unanswered(const char* keyword, const std::string& data, const char* why);
    void awaitQuietLine();
    // After a RCV: requests are read and logged as dropped, never answered.
    bool awaitingQuietLine() const { return m_quietTimer >= 0; }
    void onTransferEnded();
    std::string folderText() const;
    std::string folderFor(bool upload) const;
    // The file a SND (or RCV) names: refused, missing or there.
    ConfinedFile requestedFile(const std::string& argument, bool upload) const;

    DncSession& m_session;
    mrw::EditorHost& m_editor;
    SendChooser& m_sender;
    WaitBox& m_waitBox;
    DivertingPrompter& m_prompter;
    bool m_enabled[PacketCount] = {};
    Reading m_reading = Reading::LineStart;
    int m_packet = -1;        // the request whose argument is being collected
    std::string m_word;       // the keyword so far
    std::string m_data;       // the argument so far, at most MaxRequestData bytes
    bool m_overlong = false;  // and more came
    int m_argumentTimer = -1;
    LineClock* m_argumentClock = nullptr;
    std::string m_dropped;    // the line being passed over, at most MaxRequestData bytes
    int m_gapTimer = -1;
    LineClock* m_gapClock = nullptr;
    bool m_argumentOverlong = false; // of the request being answered

    bool m_active = false;
    bool m_minimized = false;
    bool m_handling = false;
    bool m_sendRunning = false; // a SND transfer is on the line; its finish re-arms
    std::string m_remotePath;   // the folder of the last PTH as the control wrote it
    std::string m_remoteFolder; // and where it lies
    std::string m_refusedPath;  // a refused PTH: every file request fails until one is accepted
    bool m_pathRefused = false;
    int m_quietTimer = -1;
    LineClock* m_quietClock = nullptr;
    std::unique_ptr<DivertedMessages> m_diverted;
};

} // namespace dnc
