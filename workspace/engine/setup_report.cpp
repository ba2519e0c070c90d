#include "workspace/engine/setup_report.h"

#include "workspace/engine/scratch_files.h"

#include "platform/ini.h"

#include <array>

namespace mrw {

namespace {

constexpr std::array<std::string_view, 4> FormatTexts{"Decimal", "Leading Zeros", "Trailing Zeros",
                                                      "Leading/Trailing Zeros"};
constexpr std::array<std::string_view, 6> ArcCenterTexts{
    "Distance From Tool to Arc Center", "Distance From Arc Center to Tool", "Un-Signed Incremental Diatance",
    "Absolute Arc Center Coordinates ", "Radius of Arc \"R\" Values ",     "Use Linear Moves for Arcs "};

std::string yesNo(bool on)
{
    return on ? "TRUE" : "FALSE";
}

std::string rule()
{
    return std::string(75, '_');
}

class Report {
public:
    explicit Report(std::vector<std::string>& lines) : m_lines(lines) {}

    void line(std::string text) { m_lines.push_back(std::move(text)); }
    void header(const std::string& title)
    {
        line({});
        line(std::string(10, ' ') + title + std::string(6, ' '));
        line({});
    }
    void item(const char* label, const std::string& value) { line(label + value); }
    void item(const char* label, bool value) { line(label + yesNo(value)); }
    void item(const char* label, int value) { line(label + std::to_string(value)); }

private:
    std::vector<std::string>& m_lines;
};

std::string portText(int index)
{
    return index >= 0 && index < PortCount ? "Port #" + std::to_string(index + 1) : std::string();
}

void machineFormat(Report& r, const MachineSettings& s)
{
    r.header("[Machine Format]");
    r.item("Machine Type                   : ", itemText(MachineTypeTexts, s.MachType));
    if (s.MachType == machinetype::DxfFile) {
        r.item("DXF File Orientation           : ", std::string(s.Babs ? "Mill" : "Lathe"));
        r.item("DXF File Coordinates           : ", std::string(s.Bred ? "3D" : "2D"));
        return;
    }
    if (s.MachType == machinetype::PrintFile) {
        r.line("  -- No Additional Settings --");
        return;
    }
    const std::string format = itemText(FormatTexts, NumberFormatMode(s) - 1);
    r.item("Coordinate Mode                : ", std::string(s.Babs ? "Absolute" : "Incremental"));
    r.item("Number Format                  : ", format);
    r.item("Digits Left of The Decimal     : ", s.Digl);
    r.item("Digits Right of The Decimal    : ", s.Digr);
    if (s.MachType == machinetype::Lathe)
        r.item("Lathe -X- Format               : ", itemText(LatheFormatTexts, s.Lformat));
    r.item("-G- Code For Rapid             : ", s.RapCode);
    r.item("-G- Code For Linear            : ", s.Lincode);
    r.item("-G- Code For Clockwise         : ", s.CWcode);
    r.item("-G- Code For Counter Clockwise : ", s.CCwcode);
    r.item("Arc Center Type                : ", itemText(ArcCenterTexts, s.ArcType - 1));
    r.item("Output Redundant Positions     : ", s.Bred);
    r.item("Output Sequence Numbers        : ", s.Bseq);
    if (s.Bseq)
        r.item("Starting Sequence Number       : ", s.StartSeq);
    r.item("Feed Number Format             : ", format);
    r.item("Feed Digits Right of Decimal   : ", s.FeedDigits);
    r.item("Comment Start Character        : ", s.CmtStart);
    r.item("Comment End   Character        : ", s.CmtEnd);
    r.item("Program ID    Character        : ", s.ProgID);
}

void defaults(Report& r, const MachineSettings& s)
{
    r.header("[Defaults]");
    r.item("Default File Extension         : ", s.Defext);
    r.item("Default Upload Directory       : ", s.DirUPL);
    r.item("Upload Directory Always First  : ", s.CBForceUpload);
    r.item("Default Download Directory     : ", s.DirDNL);
    r.item("Download Directory Always First: ", s.CBforceDownload);
    r.item("Default Load/Save Direcctory   : ", s.DirLS);
    r.item("Load/Save Directory Always First: ", s.CBForceloadsave);
}

void communications(Report& r, const MachineSettings& s)
{
    r.header("[Communications:Properties Page]");
    r.item("TRX-8 Hub Number               : ", itemText(HubTexts, s.Hubnum));
    r.item("Port Number                    : ", portText(s.Portnum));
    r.item("Baud Rate                      : ", itemText(BaudTexts, s.Baudnum));
    r.item("Number of Bits                 : ", itemText(DataBitsTexts, s.Bitsnum));
    r.item("Parity                         : ", itemText(ParityTexts, s.Paritynum));
    r.item("Number of Stop Bits            : ", itemText(StopBitsTexts, s.Sbitsnum));
    r.item("Xon/Xoff Handshaking           : ", itemText(XonXoffTexts, s.Xonxoff));
    r.item("RTS/CTS  Handshaking           : ", s.Hdwhand);
    r.item("Terminal: Local Echo           : ", s.duplex);
    r.item("Terminal: Auto <lf>            : ", s.autolf);
    r.item("Terminal: Ansi Codes           : ", s.Ansiemu);

    r.header("[Communications:Machine Page]");
    r.item("Leader Length (Inches)         : ", s.llen);
    r.item("Code                           : ", itemText(TapeCodeTexts, s.Tapecode));
    r.item("Send Init                      : ", s.Sendinit);
    r.item("Start Send                     : ", s.Startsend);
    r.item("End Send                       : ", s.Endsend);
    r.item("Start Recv                     : ", s.Startrecv);
    r.item("End Recv                       : ", s.Endrecv);
    r.item("Strip Blank Lines While Sending: ", s.CBStripBlanks);
    r.item("Filter Redundant Line Feeds    : ", s.CBStripLfs);

    r.header("[Communications:Advanced Page]");
    r.item("<CR> In (Filter)               : ", itemText(LineEndTexts, s.crin));
    r.item("<LF> In (Filter)               : ", itemText(LineEndTexts, s.Lfin));
    r.item("<CR> Out (Filter)              : ", itemText(LineEndTexts, s.Crout));
    r.item("<LF> Out (Filter)              : ", itemText(LineEndTexts, s.LFout));
    r.item("EOF Timeout                    : ", s.EOFTime);
    r.item("Char Delay                     : ", s.Cdelay);
    r.item("Line Delay                     : ", s.Ldelay);
    r.item("Xoff Timeout                   : ", s.XoffTime);
    r.item("Send Wait for Xon              : ", s.xonwait);
    r.item("Receive Wait for Char          : ", s.xonwait1);
    r.item("Protocol                       : ", itemText(ProtocolTexts, s.Mproto));
    r.item("Multi File Send Delay          : ", s.MfileDelay);
    r.item("Drop RTS Delay                 : ", s.dropRTSDelay);
    r.item("Keep RTS Delay                 : ", s.KeepRTSDelay);
    r.item("Device Type                    : ", itemText(DeviceTypeTexts, s.Edtype));

    r.header("[Communications:Remote Page]");
    r.item("Send Start                     : ", s.EStartSend);
    r.item("Send End                       : ", s.Eendsend);
    r.item("Send Delay                     : ", s.Sdelay);
    r.item("Receive Start                  : ", s.EStartRecv);
    r.item("Receive End                    : ", s.EEndRecv);
    r.item("Receive Delay                  : ", s.Rdelay);
    r.item("Directory Start                : ", s.EStartDir);
    r.item("Directory End                  : ", s.EEndDir);
    r.item("Directory Delay                : ", s.Ddelay);
    r.item("Path Start                     : ", s.EStartPath);
    r.item("Path End                       : ", s.Eendpath);
    r.item("Message Start                  : ", s.EStartMSG);
    r.item("Message End                    : ", s.Eendmsg);
    r.item("Allow Overwrites               : ", s.CBOverwrite);
}

} // namespace

std::vector<std::string> setupReportLines(const MachineSettings& s, const std::string& machineName,
                                          const MachineDatabase& db)
{
    std::vector<std::string> lines;
    Report r(lines);
    r.line("****** Settings for Machine [" + machineName + "] *******");
    r.line({});
    r.line("Description : " + s.Eddesc);
    r.line({});
    machineFormat(r, s);
    defaults(r, s);
    communications(r, s);
    WriteSetupReport(db, lines);
    return lines;
}

void WriteSetupReport(const MachineDatabase& db, std::vector<std::string>& lines)
{
    Report r(lines);
    r.line({});
    r.line({});
    r.line(rule());
    r.line(std::string(26, ' ') + "DNC Summary");
    r.line(rule());
    r.line({});
    const platform::IniFile ini(db.path());
    for (const auto& name : db.machineNames()) {
        r.line(rule());
        r.line("Name: " + name);
        r.line("Settings: com: " + ini.readString(name, "PORT", "N/A") + " baud: " + ini.readString(name, "BAUD", "0")
               + " bits: " + ini.readString(name, "DATABITS", "8") + " stop: " + ini.readString(name, "STOPBITS", "1")
               + " parity: " + ini.readString(name, "PARITY", "N"));
        r.line("Device Type: " + itemText(DeviceTypeTexts, ini.readInt(name, "DTYPE", 0)));
        r.line("Description: " + ini.readString(name, "DESCRIPTION", ""));
    }
}

bool writeSetupReportFile(const std::string& path, const std::vector<std::string>& lines, std::string* errorText)
{
    return writeScratchLines(path, lines, errorText);
}

} // namespace mrw
