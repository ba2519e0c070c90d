#pragma once
// One machine's (or hub's) communication and transfer settings as the DNC side uses
// them, and the item lists of the setup dialog's boxes whose indexes these fields hold.
// The record lives in memory only; its stored form is the keys of the machine's
// section in the machine database.
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace mrw {

// Item lists of the boxes; a field holding an index into one of them is -1 when the
// box had no selection.
inline constexpr std::array<int, 11> BaudRates{110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr std::array<std::string_view, 11> BaudTexts{"110", "300", "600", "1200", "2400", "4800",
                                                           "9600", "19200", "38400", "57600", "115200"};
inline constexpr std::array<std::string_view, 5> DataBitsTexts{"4", "5", "6", "7", "8"};
inline constexpr std::array<std::string_view, 5> ParityTexts{"None", "Odd", "Even", "Mark", "Space"};
inline constexpr std::array<std::string_view, 3> StopBitsTexts{"1", "1.5", "2"};
inline constexpr std::array<std::string_view, 5> HubTexts{"Std. PC Ports", "Hub #1", "Hub #2", "Hub #3", "Hub #4"};
inline constexpr std::array<std::string_view, 4> XonXoffTexts{"Send/Recv", "None", "Send", "Receive"};
inline constexpr std::array<std::string_view, 3> TapeCodeTexts{"EIA", "ASCII", "ISO"};
inline constexpr std::array<std::string_view, 4> LineEndTexts{"Add<Cr>Before", "Add<Lf>After", "None", "Strip"};
inline constexpr std::array<std::string_view, 5> ProtocolTexts{"ASCII", "XMODEM", "YMODEM", "ZMODEM", "KERMIT"};
inline constexpr std::array<std::string_view, 5> DeviceTypeTexts{
    "Machine Control/Hub", "Terminal on TRX-8 Hub", "Shop Terminal", "Remote CNC Control",
    "Direct File Transfer (DFT)"};
inline constexpr int PortCount = 256; // "Port #1" .. "Port #256"

// Named values of the index fields.
namespace xonxoff { inline constexpr int SendRecv = 0, None = 1, Send = 2, Receive = 3; }
namespace tapecode { inline constexpr int Eia = 0, Ascii = 1, Iso = 2; }
namespace lineend { inline constexpr int AddCrBefore = 0, AddLfAfter = 1, None = 2, Strip = 3; }
namespace protocol { inline constexpr int Ascii = 0, Xmodem = 1, Ymodem = 2, Zmodem = 3, Kermit = 4; }
namespace devicetype {
inline constexpr int MachineControl = 0, HubTerminal = 1, ShopTerminal = 2, RemoteCnc = 3, DirectFileTransfer = 4;
}
namespace parity { inline constexpr int None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4; }

// The longest leader a machine gets, in inches (10 NUL bytes an inch): some 25 metres
// of tape. The setup dialog refuses more, and a longer one read from the database is
// held to it, so that no send image asks for gigabytes of leader.
inline constexpr int MaxLeaderLength = 1000;

struct MachComRec {
    std::string Name = "Default Machine";
    int Hub = 0;          // 0 standard PC port, 1-4 TRX-8 hub number
    int Port = 1;         // index, 0 = "Port #1"; -1 = none (an undefined hub)
    int Baud = 5;         // index into BaudRates
    int DataBits = 3;     // index into DataBitsTexts
    int Parity = 2;       // index into ParityTexts
    int StopBits = 2;     // index into StopBitsTexts
    int XonXoff = 0;      // index into XonXoffTexts
    int RtsCts = 0;       // 0/1
    int LeaderLength = 0; // inches, 0 to MaxLeaderLength
    int TapeCode = 0;     // tapecode::
    int CrIn = 2, LfIn = 2, CrOut = 2, LfOut = 2; // lineend::
    int EofTimeout = 20;  // seconds
    int CharDelay = 0;    // ASCII char delay; menu time-out (s) for device types 1 and 2
    int LineDelay = 0;    // ASCII line delay; terminal lines per page for device types 1 and 2
    int MultiFileDelay = 0;
    int DropRtsDelay = 0;
    int KeepRtsDelay = 0;
    int SendWaitXon = 0;
    int ReceiveWaitChar = 0;
    int XoffTimeout = 0;  // minutes
    int LocalEcho = 1;
    int AutoLf = 1;
    int Protocol = 0;     // protocol::
    int UploadDirFirst = 1;
    int DownloadDirFirst = 1;
    int LoadSaveDirFirst = 1;
    int DeviceType = 0;   // devicetype::
    int RemoteSendDelay = 30;
    int RemoteReceiveDelay = 30;
    int RemoteDirDelay = 30;
    int RemoteOverwrite = 0;
    int DftAskDestination = 0;
    int AnsiEmulation = 1;
    std::string RemoteStartSend = "SND";
    std::string RemoteEndSend = ")";
    std::string RemoteStartRecv = "RCV";
    std::string RemoteEndRecv = ")";
    std::string RemoteStartDir = "DIR";
    std::string RemoteEndDir = ")";
    std::string RemoteStartPath = "PTH";
    std::string RemoteEndPath = ")";
    std::string RemoteStartMsg = "MSG";
    std::string RemoteEndMsg = ")";
    std::string Folder1 = "C:\\HALVEN";
    std::string Folder2 = "C:\\HALVEN";
    std::string SendInit;       // code strings
    std::string StartSendCodes;
    std::string EndSendCodes;
    std::string StartRecvCodes;
    std::string EndRecvCodes;

    bool operator==(const MachComRec&) const = default;
};

// The built-in defaults (what a default-constructed record holds).
inline MachComRec makeDefaultMachine() { return MachComRec{}; }

// The port's serial number (1-based, "COM n") or nothing when the index is out of range.
std::optional<int> portNumberOf(const MachComRec& rec);
// The baud rate, or nothing when the index is out of range.
std::optional<int> baudRateOf(const MachComRec& rec);
// The number of data bits (4..8), or nothing.
std::optional<int> dataBitsOf(const MachComRec& rec);
// Why the record's line settings cannot be used to open a port ("" when they can):
// a port, baud rate, data-bits, parity or stop-bits index outside its list. The DNC
// side reports this text instead of opening the port.
std::string lineSettingsProblem(const MachComRec& rec);

// The text of item `index` of a list, "" when the index is outside it.
template <std::size_t N>
std::string itemText(const std::array<std::string_view, N>& items, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < N ? std::string(items[static_cast<std::size_t>(index)])
                                                              : std::string();
}

} // namespace mrw
