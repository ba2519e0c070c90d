#include "dnc/engine/send_settings.h"

namespace dnc {

SendOptions sendOptionsFrom(const mrw::MachComRec& machine, const mrw::MachineSettings& settings,
                            const std::string& skipMarker)
{
    SendOptions o;
    o.tapeCode = tapeCodeFromIndex(machine.TapeCode);
    o.leaderLength = machine.LeaderLength;
    o.startSendCodes = machine.StartSendCodes;
    o.endSendCodes = machine.EndSendCodes;
    o.stripLineFeeds = settings.CBStripLfs;
    o.stripBlankLines = settings.CBStripBlanks;
    o.skipMarker = skipMarker;
    o.commentStart = settings.CmtStart;
    o.commentEnd = settings.CmtEnd;
    return o;
}

SendSettings sendSettingsFrom(const mrw::MachComRec& machine, const mrw::MachineSettings& settings,
                              const std::string& skipMarker)
{
    SendSettings s;
    s.send = sendOptionsFrom(machine, settings, skipMarker);
    s.runFileCleanup = settings.CBRunFclean;
    s.downloadFolder = settings.DirDNL;
    s.forceDownloadFolder = settings.CBforceDownload;
    s.defaultExtension = settings.Defext;
    return s;
}

} // namespace dnc
