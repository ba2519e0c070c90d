#include "workspace/engine/machine_database.h"

#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/textfile.h"

#include <algorithm>
#include <map>
#include <optional>

namespace mrw {

namespace {

template <typename List>
int indexOrNone(const List& list, int value)
{
    return value >= 0 && static_cast<std::size_t>(value) < list.size() ? value : -1;
}

template <typename List>
int indexOfText(const List& list, const std::string& text)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i] == text)
            return static_cast<int>(i);
    return -1;
}

// Reads one machine section with the defaults of the database. The section is read
// once; values are taken as the INI layer gives them (the first of equal keys counts).
class SectionReader {
public:
    SectionReader(const platform::IniReader& ini, const std::string& section) : m_ini(ini), m_section(section)
    {
        for (auto& [key, value] : ini.entries(section))
            m_values.try_emplace(platform::upperAscii(key), std::move(value));
    }

    std::string text(const char* key, const std::string& def) const
    {
        const auto it = m_values.find(platform::upperAscii(key));
        return it == m_values.end() ? def : it->second;
    }
    int integer(const char* key, int def) const
    {
        const auto it = m_values.find(platform::upperAscii(key));
        int value = 0;
        if (it == m_values.end() || platform::parseIniInt(it->second, value))
            return it == m_values.end() ? def : value;
        // The file's own reading notes the value that did not read, for the start's message.
        return m_ini.readInt(m_section, key, def);
    }
    bool flag(const char* key, bool def) const { return integer(key, def ? 1 : 0) != 0; }

private:
    const platform::IniReader& m_ini;
    std::string m_section;
    std::map<std::string, std::string> m_values;
};

class SectionWriter {
public:
    SectionWriter(platform::IniEdit& ini, std::string section) : m_ini(ini), m_section(std::move(section)) {}

    void text(const char* key, const std::string& value) { m_ini.writeString(m_section, key, value); }
    void integer(const char* key, int value) { m_ini.writeInt(m_section, key, value); }
    void flag(const char* key, bool value) { m_ini.writeBool(m_section, key, value); }

private:
    platform::IniEdit& m_ini;
    std::string m_section;
};

std::string numbered(const char* prefix, int n)
{
    return prefix + std::to_string(n);
}

// FLOW as stored: the Xon/Xoff choice together with the RTS/CTS box.
std::string flowText(int xonxoffIndex, bool rtsCts)
{
    switch (xonxoffIndex) {
    case xonxoff::SendRecv: return rtsCts ? "3" : "1";
    case xonxoff::None: return rtsCts ? "2" : "0";
    case xonxoff::Send: return "4";
    case xonxoff::Receive: return "5";
    default: return "";
    }
}

void applyFlow(int flow, MachineSettings& s)
{
    switch (((flow % 256) + 256) % 256) {
    case 0: s.Xonxoff = xonxoff::None; break;
    case 1: s.Xonxoff = xonxoff::SendRecv; break;
    case 2: s.Xonxoff = xonxoff::None; s.Hdwhand = true; break;
    case 3: s.Xonxoff = xonxoff::SendRecv; s.Hdwhand = true; break;
    case 4: s.Xonxoff = xonxoff::Send; break;
    case 5: s.Xonxoff = xonxoff::Receive; break;
    default: break; // the box stays as it was
    }
}

void applyParity(const std::string& text, MachineSettings& s)
{
    if (text.empty())
        return;
    static constexpr std::string_view letters = "NOEMS";
    const auto at = letters.find(text.front());
    if (at != std::string_view::npos)
        s.Paritynum = static_cast<int>(at);
}

// Slots of [MACHINE NAMES] by number, read once; the first of equal keys counts.
struct NameSlots {
    bool hasNumber = false;
    int number = 0;
    std::map<int, std::string> slots;

    explicit NameSlots(const platform::IniReader& ini)
    {
        for (const auto& [key, value] : ini.entries(MachineNamesSection)) {
            const std::string upper = platform::upperAscii(key);
            if (upper == "NUMBER") {
                if (!hasNumber)
                    hasNumber = platform::parseIniInt(value, number);
                continue;
            }
            if (upper.rfind("MACHINE", 0) != 0)
                continue;
            int n = 0;
            const std::string digits = upper.substr(7);
            if (!digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })
                && platform::parseIniInt(digits, n))
                slots.try_emplace(n, value);
        }
    }

    std::string at(int n) const
    {
        const auto it = slots.find(n);
        return it == slots.end() ? std::string(NotUsedSlot) : it->second;
    }

    // The slots the editors work on: NUMBER, or the highest numbered key when NUMBER
    // is missing, so that no listed machine is overwritten. A NUMBER below zero or
    // beyond any sensible database is held to the bounds.
    int editorCount() const
    {
        if (hasNumber)
            return std::clamp(number, 0, MaxMachineSlots);
        return slots.empty() ? 0 : std::clamp(slots.rbegin()->first, 0, MaxMachineSlots);
    }

    // The first slot from 1 to `count` that is free (missing or "Not Used"); 0 when all
    // are taken. Walks the keys the file holds, never the count itself.
    int firstFree(int count) const
    {
        int next = 1;
        for (const auto& [n, value] : slots) {
            if (n < next)
                continue;
            if (n > next || value == NotUsedSlot)
                break;  // `next` is missing or free
            ++next;
        }
        return next <= count ? next : 0;
    }

    // The first slot from 1 to `count` that holds exactly `name`; 0 when none does.
    int find(const std::string& name, int count) const
    {
        for (const auto& [n, value] : slots)
            if (n >= 1 && n <= count && value == name)
                return n;
        return 0;
    }
};

} // namespace

MachineDatabase::MachineDatabase(std::string path) : m_path(platform::IniFile(path).path()) {}

std::vector<std::string> MachineDatabase::loadMachine(const std::string& name, MachineSettings& s) const
{
    const platform::IniFile ini(m_path);
    const SectionReader in(ini, name);

    s.MachType = indexOrNone(MachineTypeTexts, in.integer("MTYPE", 1) - 1);
    s.Babs = in.integer("ABSINC", 1) == 1;
    const int format = in.integer("FORMAT", 1);
    s.Format = format >= 2 && format <= 4 ? format : 1;
    s.Digl = in.text("DIGL", "3");
    s.Digr = in.text("DIGR", "4");
    s.Lformat = indexOrNone(LatheFormatTexts, in.integer("LXFORMAT", 3));
    const int arc = in.integer("ARCTYPE", 5);
    s.ArcType = arc >= 1 && arc <= 5 ? arc : 6;
    s.Eddesc = in.text("DESCRIPTION", "");
    s.RapCode = in.text("RAPCODE", "G00");
    s.Lincode = in.text("LINCODE", "G01");
    s.CWcode = in.text("CWCODE", "G02");
    s.CCwcode = in.text("CCWCODE", "G03");
    s.Bseq = in.integer("SEQOUT", 1) == 1;
    s.StartSeq = in.text("STARTSEQ", "10");
    s.FeedDigits = in.text("FDIGITS", "2");
    s.Bred = in.flag("REDUN", false);
    s.CmtStart = in.text("CMTSTART", "(");
    s.CmtEnd = in.text("CMTEND", ")");
    s.ProgID = in.text("PROGID", "O");
    s.Defext = in.text("DEFEXT", "TAP");
    s.DirUPL = in.text("DEFUPL", "\\HALVEN");
    s.DirDNL = in.text("DEFDNL", "\\HALVEN");
    s.DirLS = in.text("DIRLS", "\\HALVEN");

    auto& rs = s.Reseq;
    rs.snum = in.text("RSSEQST", "10");
    rs.nincr = in.text("RSINCR", "10");
    rs.maxdig = in.text("RSMAXDIG", "4");
    rs.Seqchrs = in.text("RSSEQCHR", "N/");
    rs.skpchrs = in.text("RSSKPCHR", "<(%=$#OE\\^@:");
    rs.lzeros = in.flag("RSLZEROS", false);
    auto& cl = s.ChgBeginEnd;
    cl.Bfrom = in.text("CLBFROM", "");
    cl.Bto = in.text("CLBTO", "");
    cl.Efrom = in.text("CLEFROM", "");
    cl.Eto = in.text("CLETO", "");
    s.Arith.Amount = in.text("ARAMOUNT", "1.0");
    s.Arith.Regs = in.text("ARREGSTR", "XYZIJKR");
    const int op = in.integer("AROPPR", 1);
    if (op >= 1 && op <= 4)
        s.Arith.Operation = op;
    s.MakeCols.Regorder = in.text("MCREGORDER", "NGXYZRFSTHM");
    s.MakeCols.tabw = in.text("MCTABW", "10");
    auto& rf = s.Reformat;
    rf.Cbrefreg = in.flag("RFBFREGS", true);
    rf.Cbgcode = in.flag("RFBCGHG", true);
    rf.Cbcmt = in.flag("RFBCHGCMT", true);
    rf.Cbusesub = in.flag("RFBUSESUB", true);
    rf.Regs = in.text("RFREGS", "XYZIJKRF");
    rf.ReformatTargetMachine = in.text("Nmname", "");
    for (int i = 1; i <= SubstitutionRows; ++i) {
        auto& row = rf.Rows[static_cast<std::size_t>(i - 1)];
        row.Old = in.text(numbered("RFSUBO", i).c_str(), "").substr(0, SubstitutionTextLimit);
        row.New = in.text(numbered("RFSUBN", i).c_str(), "").substr(0, SubstitutionTextLimit);
    }
    auto& fc = s.Fclean;
    fc.DeleteBeforeFirstPercent = in.flag("FCOPT1", false);
    fc.RemoveControlCharacters = in.flag("FCOPT2", false);
    fc.RemoveComments = in.flag("FCOPT3", false);
    fc.RemoveBlankLines = in.flag("FCOPT4", false);
    fc.StripAfterProgramEnd = in.flag("FCOPT5", false);
    fc.AddStopCode = in.flag("FCOPT6", false);

    s.Hubnum = indexOrNone(HubTexts, in.integer("HUB", 0));
    const int port = in.integer("PORT", 0);
    s.Portnum = port >= 1 && port <= PortCount ? port - 1 : -1;
    s.Baudnum = indexOfText(BaudTexts, in.text("BAUD", "4800"));
    s.Bitsnum = indexOfText(DataBitsTexts, in.text("DATABITS", "7"));
    applyParity(in.text("PARITY", "E"), s);
    s.Sbitsnum = indexOfText(StopBitsTexts, in.text("STOPBITS", "2"));
    s.Hdwhand = false;
    applyFlow(in.integer("FLOW", 0), s);
    s.Hdwhand = in.flag("HDWHAND", s.Hdwhand);
    s.duplex = in.flag("ECHO", true);
    s.autolf = in.flag("AUTOLF", true);
    s.Ansiemu = in.flag("ANSI", true);
    s.CBForceUpload = in.flag("FUDIR", true);
    s.CBforceDownload = in.flag("FDDIR", true);
    s.CBForceloadsave = in.flag("FLSDIR", true);
    s.llen = in.text("LLEN", "0");
    s.Tapecode = indexOrNone(TapeCodeTexts, in.integer("TCODE", 2));
    s.Sendinit = in.text("SINIT", "");
    s.Startsend = in.text("SSEND", "");
    s.Endsend = in.text("ESEND", "");
    s.Startrecv = in.text("SRECV", "");
    s.Endrecv = in.text("ERECV", "");
    s.CBStripBlanks = in.flag("STRIPBLANK", false);
    s.CBStripLfs = in.flag("STRIPLFS", false);
    s.CBRunFclean = in.flag("RUNFCLEAN", false);
    s.crin = indexOrNone(LineEndTexts, in.integer("CRIN", 2));
    s.Lfin = indexOrNone(LineEndTexts, in.integer("LFIN", 2));
    s.Crout = indexOrNone(LineEndTexts, in.integer("CROUT", 2));
    s.LFout = indexOrNone(LineEndTexts, in.integer("LFOUT", 2));
    s.xonwait = in.flag("XONWAIT", false);
    s.xonwait1 = in.flag("XONWAIT1", false);
    s.Mproto = indexOrNone(ProtocolTexts, in.integer("PROTOCOL", 0));
    s.Edtype = indexOrNone(DeviceTypeTexts, in.integer("DTYPE", 0));
    s.EOFTime = EofTimeRange.clamp(in.integer("EOFTIME", 10));
    s.Cdelay = DelayRange.clamp(in.integer("CDELAY", 0));
    s.Ldelay = DelayRange.clamp(in.integer("LDELAY", 0));
    s.XoffTime = XoffTimeRange.clamp(in.integer("XOFFTIME", 1));
    s.MfileDelay = MultiFileDelayRange.clamp(in.integer("MFILEDELAY", 1));
    s.dropRTSDelay = RtsDelayRange.clamp(in.integer("DROPRTSDELAY", 0));
    s.KeepRTSDelay = RtsDelayRange.clamp(in.integer("KEEPRTSDELAY", 0));
    s.CBDFTask = in.flag("DFTASK", false);
    s.EStartSend = in.text("RMTSTARTSEND", "SND");
    s.EStartRecv = in.text("RMTSTARTRECV", "RCV");
    s.EStartDir = in.text("RMTSTARTDIR", "DIR");
    s.EStartPath = in.text("RMTSTARTPATH", "PTH");
    s.EStartMSG = in.text("RMTSTARTMSG", "MSG");
    s.Eendsend = in.text("RMTENDSEND", ")");
    s.EEndRecv = in.text("RMTENDRECV", ")");
    s.EEndDir = in.text("RMTENDDIR", ")");
    s.Eendpath = in.text("RMTENDPATH", ")");
    s.Eendmsg = in.text("RMTENDMSG", ")");
    s.Sdelay = RemoteDelayRange.clamp(in.integer("RMTSDELAY", 30));
    s.Rdelay = RemoteDelayRange.clamp(in.integer("RMTRDELAY", 30));
    s.Ddelay = RemoteDelayRange.clamp(in.integer("RMTDDELAY", 30));
    s.CBOverwrite = in.flag("RMTOVERWRITE", false);
    return ini.unreadValues();
}

namespace {

void writeMachine(SectionWriter& out, const MachineSettings& s)
{

    out.integer("MTYPE", s.MachType + 1);
    out.integer("ABSINC", s.Babs ? 1 : 2);
    out.integer("FORMAT", NumberFormatMode(s));
    out.text("DIGL", s.Digl);
    out.text("DIGR", s.Digr);
    out.integer("LXFORMAT", s.Lformat);
    out.integer("ARCTYPE", s.ArcType >= 1 && s.ArcType <= 5 ? s.ArcType : 6);
    out.text("DESCRIPTION", s.Eddesc);
    out.text("RAPCODE", s.RapCode);
    out.text("LINCODE", s.Lincode);
    out.text("CWCODE", s.CWcode);
    out.text("CCWCODE", s.CCwcode);
    out.flag("SEQOUT", s.Bseq);
    out.text("STARTSEQ", s.StartSeq);
    out.text("FDIGITS", s.FeedDigits);
    out.flag("REDUN", s.Bred);
    out.text("CMTSTART", s.CmtStart);
    out.text("CMTEND", s.CmtEnd);
    out.text("PROGID", s.ProgID);
    out.text("DEFEXT", s.Defext);
    out.text("DEFUPL", s.DirUPL);
    out.text("DEFDNL", s.DirDNL);
    out.text("DIRLS", s.DirLS);

    const auto& rs = s.Reseq;
    out.text("RSSEQST", rs.snum);
    out.text("RSINCR", rs.nincr);
    out.text("RSMAXDIG", rs.maxdig);
    out.text("RSSEQCHR", rs.Seqchrs);
    out.text("RSSKPCHR", rs.skpchrs);
    out.flag("RSLZEROS", rs.lzeros);
    out.text("CLBFROM", s.ChgBeginEnd.Bfrom);
    out.text("CLBTO", s.ChgBeginEnd.Bto);
    out.text("CLEFROM", s.ChgBeginEnd.Efrom);
    out.text("CLETO", s.ChgBeginEnd.Eto);
    out.text("ARAMOUNT", s.Arith.Amount);
    out.text("ARREGSTR", s.Arith.Regs);
    out.integer("AROPPR", s.Arith.Operation);
    out.text("MCREGORDER", s.MakeCols.Regorder);
    out.text("MCTABW", s.MakeCols.tabw);
    const auto& rf = s.Reformat;
    out.flag("RFBFREGS", rf.Cbrefreg);
    out.flag("RFBCGHG", rf.Cbgcode);
    out.flag("RFBCHGCMT", rf.Cbcmt);
    out.flag("RFBUSESUB", rf.Cbusesub);
    out.text("RFREGS", rf.Regs);
    out.text("Nmname", rf.ReformatTargetMachine);
    for (int i = 1; i <= SubstitutionRows; ++i) {
        const auto& row = rf.Rows[static_cast<std::size_t>(i - 1)];
        out.text(numbered("RFSUBO", i).c_str(), row.Old);
        out.text(numbered("RFSUBN", i).c_str(), row.New);
    }
    const auto& fc = s.Fclean;
    out.flag("FCOPT1", fc.DeleteBeforeFirstPercent);
    out.flag("FCOPT2", fc.RemoveControlCharacters);
    out.flag("FCOPT3", fc.RemoveComments);
    out.flag("FCOPT4", fc.RemoveBlankLines);
    out.flag("FCOPT5", fc.StripAfterProgramEnd);
    out.flag("FCOPT6", fc.AddStopCode);

    out.integer("HUB", s.Hubnum);
    out.integer("PORT", s.Portnum + 1);
    out.text("BAUD", itemText(BaudTexts, s.Baudnum));
    out.text("DATABITS", itemText(DataBitsTexts, s.Bitsnum));
    out.text("PARITY", itemText(ParityTexts, s.Paritynum).substr(0, 1));
    out.text("STOPBITS", itemText(StopBitsTexts, s.Sbitsnum));
    out.flag("HDWHAND", s.Hdwhand);
    out.text("FLOW", flowText(s.Xonxoff, s.Hdwhand));
    out.flag("ECHO", s.duplex);
    out.flag("AUTOLF", s.autolf);
    out.flag("ANSI", s.Ansiemu);
    out.flag("FUDIR", s.CBForceUpload);
    out.flag("FDDIR", s.CBforceDownload);
    out.flag("FLSDIR", s.CBForceloadsave);
    out.text("LLEN", s.llen);
    out.integer("TCODE", s.Tapecode);
    out.text("SINIT", s.Sendinit);
    out.text("SSEND", s.Startsend);
    out.text("ESEND", s.Endsend);
    out.text("SRECV", s.Startrecv);
    out.text("ERECV", s.Endrecv);
    out.flag("STRIPBLANK", s.CBStripBlanks);
    out.flag("STRIPLFS", s.CBStripLfs);
    out.flag("RUNFCLEAN", s.CBRunFclean);
    out.integer("CRIN", s.crin);
    out.integer("LFIN", s.Lfin);
    out.integer("CROUT", s.Crout);
    out.integer("LFOUT", s.LFout);
    out.flag("XONWAIT", s.xonwait);
    out.flag("XONWAIT1", s.xonwait1);
    out.integer("PROTOCOL", s.Mproto);
    out.integer("DTYPE", s.Edtype);
    out.integer("EOFTIME", s.EOFTime);
    out.integer("CDELAY", s.Cdelay);
    out.integer("LDELAY", s.Ldelay);
    out.integer("XOFFTIME", s.XoffTime);
    out.integer("MFILEDELAY", s.MfileDelay);
    out.integer("DROPRTSDELAY", s.dropRTSDelay);
    out.integer("KEEPRTSDELAY", s.KeepRTSDelay);
    out.flag("DFTASK", s.CBDFTask);
    out.text("RMTSTARTSEND", s.EStartSend);
    out.text("RMTSTARTRECV", s.EStartRecv);
    out.text("RMTSTARTDIR", s.EStartDir);
    out.text("RMTSTARTPATH", s.EStartPath);
    out.text("RMTSTARTMSG", s.EStartMSG);
    out.text("RMTENDSEND", s.Eendsend);
    out.text("RMTENDRECV", s.EEndRecv);
    out.text("RMTENDDIR", s.EEndDir);
    out.text("RMTENDPATH", s.Eendpath);
    out.text("RMTENDMSG", s.Eendmsg);
    out.integer("RMTSDELAY", s.Sdelay);
    out.integer("RMTRDELAY", s.Rdelay);
    out.integer("RMTDDELAY", s.Ddelay);
    out.flag("RMTOVERWRITE", s.CBOverwrite);
}

} // namespace

void MachineDatabase::saveMachine(const std::string& name, const MachineSettings& s) const
{
    // The whole record is one save: after any interruption the file holds either the
    // old record or the new one.
    platform::IniFile(m_path).edit([&](platform::IniEdit& ini) {
        SectionWriter out(ini, name);
        writeMachine(out, s);
    });
}

std::vector<std::string> MachineDatabase::machineNames() const
{
    const platform::IniFile ini(m_path);
    const NameSlots slots(ini);
    const int count = slots.hasNumber ? slots.number : 25;
    std::vector<std::string> names;
    for (const auto& [n, value] : slots.slots)
        if (n >= 1 && n <= count && value != NotUsedSlot)
            names.push_back(value);
    return names;
}

std::vector<std::string> MachineDatabase::sortedMachineNames() const
{
    auto names = machineNames();
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return platform::upperAscii(a) < platform::upperAscii(b);
    });
    return names;
}

bool MachineDatabase::isListed(const std::string& name) const
{
    const auto names = machineNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

namespace {

// The slot choices are made on the file as it stands under the save's lock, so two
// programs adding machines at once never take the same slot.
void addName(platform::IniEdit& ini, const std::string& name)
{
    const NameSlots slots(ini);
    const int count = slots.editorCount();
    if (const int free = slots.firstFree(count)) {
        ini.writeString(MachineNamesSection, numbered("MACHINE", free), name);
        return;
    }
    int slot = count + 1;
    while (slots.at(slot) != NotUsedSlot) // a slot beyond NUMBER still holding a name
        ++slot;
    ini.writeInt(MachineNamesSection, "NUMBER", slot);
    ini.writeString(MachineNamesSection, numbered("MACHINE", slot), name);
}

bool replaceSlot(platform::IniEdit& ini, const std::string& name, const std::string& value)
{
    const NameSlots slots(ini);
    if (const int slot = slots.find(name, slots.editorCount())) {
        ini.writeString(MachineNamesSection, numbered("MACHINE", slot), value);
        return true;
    }
    return false;
}

} // namespace

void MachineDatabase::addMachineName(const std::string& name) const
{
    platform::IniFile(m_path).edit([&](platform::IniEdit& ini) { addName(ini, name); });
}

void MachineDatabase::eraseMachine(const std::string& name) const
{
    platform::IniFile(m_path).edit([&](platform::IniEdit& ini) {
        ini.eraseSection(name);
        replaceSlot(ini, name, NotUsedSlot);
    });
}

void MachineDatabase::freeSlot(const std::string& name) const
{
    platform::IniFile(m_path).edit([&](platform::IniEdit& ini) { replaceSlot(ini, name, NotUsedSlot); });
}

void MachineDatabase::renameSlot(const std::string& oldName, const std::string& newName) const
{
    platform::IniFile(m_path).edit([&](platform::IniEdit& ini) {
        if (!replaceSlot(ini, oldName, newName))
            addName(ini, newName);
    });
}

void MachineDatabase::renameMachine(const std::string& oldName, const std::string& newName) const
{
    platform::IniFile(m_path).edit([&](platform::IniEdit& ini) {
        // A change of letter case only keeps the section (names compare without case).
        if (!platform::equalsNoCase(newName, oldName)) {
            ini.eraseSection(newName); // a stale section of an unlisted name
            for (const auto& [key, value] : ini.entries(oldName))
                ini.writeString(newName, key, value);
            ini.eraseSection(oldName);
        }
        if (!replaceSlot(ini, oldName, newName))
            addName(ini, newName);
    });
}

void MachineDatabase::copySection(const std::string& from, const std::string& to) const
{
    platform::IniFile(m_path).edit([&](platform::IniEdit& ini) {
        for (const auto& [key, value] : ini.entries(from))
            ini.writeString(to, key, value);
    });
}

bool MachineDatabase::unreadable() const
{
    return platform::IniFile(m_path).unreadable();
}

MachineDatabase machineDatabase(const WorkspaceGlobals& g)
{
    return MachineDatabase(g.MachineDatabasePath);
}

std::vector<std::string> LoadMachine(WorkspaceGlobals& g, const std::string& name)
{
    g.Machine.setModified(false);
    std::vector<std::string> unread = machineDatabase(g).loadMachine(name, g.Machine.settings());
    g.UploadFolderFirstTime = true;
    g.DownloadFolderFirstTime = true;
    g.LoadSaveFolderFirstTime = true;
    g.Machine.notifyReloaded();
    return unread;
}

void SaveMachine(WorkspaceGlobals& g, const std::string& name)
{
    g.Machine.setModified(false);
    machineDatabase(g).saveMachine(name, g.Machine.settings());
}

namespace {

constexpr const char* SetupCaption = "Machine Setup";
constexpr const char* NewMachineDefault = "New Machine";

std::string trimmedName(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Why a name cannot become a machine ("" when it can). Sections compare without
// regard to case, so a name differing from a listed one only in case is taken.
std::string nameProblem(const MachineDatabase& db, const std::string& name, const std::string& except)
{
    if (name.empty())
        return "Enter a machine name";
    if (name.find_first_of("[]\r\n") != std::string::npos)
        return "A machine name cannot hold \"[\" or \"]\"";
    if (platform::equalsNoCase(name, MachineNamesSection))
        return "\"" + name + "\" cannot be used as a machine name";
    for (const auto& listed : db.machineNames())
        if (platform::equalsNoCase(listed, name) && !platform::equalsNoCase(listed, except))
            return "A machine named \"" + listed + "\" already exists";
    return {};
}

// Asks for a machine name; nothing when cancelled or refused (the refusal is shown).
std::optional<std::string> askMachineName(const MachineDatabase& db, platform::Prompter& prompter,
                                          const char* prompt, const std::string& except)
{
    std::string answer = NewMachineDefault;
    if (!prompter.inputString(SetupCaption, prompt, answer))
        return std::nullopt;
    answer = trimmedName(answer);
    const std::string problem = nameProblem(db, answer, except);
    if (!problem.empty()) {
        prompter.message(SetupCaption, problem, platform::MessageKind::Error, platform::Buttons::Ok);
        return std::nullopt;
    }
    return answer;
}

// Makes one change of the database; a refusal (a file that cannot be read or written)
// is shown and gives false.
template <typename Change>
bool changeDatabase(platform::Prompter& prompter, Change&& change)
{
    try {
        change();
        return true;
    } catch (const platform::IniWriteError& e) {
        prompter.message(SetupCaption, e.what(), platform::MessageKind::Error, platform::Buttons::Ok);
        return false;
    }
}

// A database that exists but cannot be read lists no machines: nothing may be decided
// from that list, so the command stops with the message.
bool refuseUnreadable(const MachineDatabase& db, platform::Prompter& prompter)
{
    if (!db.unreadable())
        return false;
    prompter.message(SetupCaption, platform::unreadableIniMessage(db.path()), platform::MessageKind::Error,
                     platform::Buttons::Ok);
    return true;
}

} // namespace

bool AddMachine(WorkspaceGlobals& g, platform::Prompter& prompter, const MachineCommandHooks& hooks)
{
    if (!hooks.confirmSave())
        return false;
    const MachineDatabase db = machineDatabase(g);
    if (refuseUnreadable(db, prompter))
        return false;
    const auto name = askMachineName(db, prompter, "Enter a New Machine Name", {});
    if (!name || !changeDatabase(prompter, [&] { db.addMachineName(*name); }))
        return false;
    g.CurrentMachineName = *name;
    // The shown settings become the new machine's when saved; closing asks to save them.
    g.Machine.setModified(true);
    return true;
}

bool RenameMachine(WorkspaceGlobals& g, platform::Prompter& prompter, const MachineCommandHooks& hooks)
{
    const std::string oldName = g.CurrentMachineName;
    if (!hooks.confirmSave())
        return false;
    const MachineDatabase db = machineDatabase(g);
    if (refuseUnreadable(db, prompter))
        return false;
    const auto name = askMachineName(db, prompter, "Enter New Machine Name", oldName);
    if (!name || *name == NewMachineDefault || *name == oldName)
        return false;
    db.renameMachine(oldName, *name);
    g.CurrentMachineName = *name;
    hooks.checkDefaultFolders();
    SaveMachine(g, *name);
    return true;
}

bool DeleteMachine(WorkspaceGlobals& g, const std::string& name, bool ask, platform::Prompter& prompter)
{
    if (ask
        && prompter.message("MARROWIN", "Delete Current Machine ?", platform::MessageKind::Question,
                            platform::Buttons::YesNo)
               != platform::Button::Yes)
        return false;
    if (!changeDatabase(prompter, [&] { machineDatabase(g).eraseMachine(name); }))
        return false;
    g.Machine.setModified(false);
    return true;
}

bool DeleteCurrentMachine(WorkspaceGlobals& g, platform::Prompter& prompter)
{
    if (!DeleteMachine(g, g.CurrentMachineName, true, prompter))
        return false;
    const auto names = machineDatabase(g).sortedMachineNames();
    g.CurrentMachineName = names.empty() ? std::string() : names.front();
    LoadMachine(g, g.CurrentMachineName);
    return true;
}

} // namespace mrw
