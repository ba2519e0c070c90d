#include "workspace/engine/machine_settings.h"

#include "platform/numbers.h"

#include <algorithm>
#include <limits>

namespace mrw {

int NumberFormatMode(const MachineSettings& s)
{
    return s.Format >= 2 && s.Format <= 4 ? s.Format : 1;
}

void MachineRecordExchange(const MachineSettings& s, MachComRec& r)
{
    r.Hub = s.Hubnum;
    r.Port = s.Portnum;
    r.Baud = s.Baudnum;
    r.DataBits = s.Bitsnum;
    r.Parity = s.Paritynum;
    r.StopBits = s.Sbitsnum;
    r.XonXoff = s.Xonxoff;
    r.RtsCts = s.Hdwhand ? 1 : 0;
    const auto leader = platform::parseInteger(s.llen);
    r.LeaderLength = leader ? static_cast<int>(std::clamp<std::int64_t>(*leader, 0, MaxLeaderLength)) : 0;
    r.TapeCode = s.Tapecode;
    r.CrIn = s.crin;
    r.LfIn = s.Lfin;
    r.CrOut = s.Crout;
    r.LfOut = s.LFout;
    r.EofTimeout = s.EOFTime;
    r.CharDelay = s.Cdelay;
    r.LineDelay = s.Ldelay;
    r.MultiFileDelay = s.MfileDelay;
    r.DropRtsDelay = s.dropRTSDelay;
    r.KeepRtsDelay = s.KeepRTSDelay;
    r.SendWaitXon = s.xonwait ? 1 : 0;
    r.ReceiveWaitChar = s.xonwait1 ? 1 : 0;
    r.XoffTimeout = s.XoffTime;
    r.LocalEcho = s.duplex ? 1 : 0;
    r.AutoLf = s.autolf ? 1 : 0;
    r.Protocol = s.Mproto;
    r.UploadDirFirst = s.CBForceUpload ? 1 : 0;
    r.DownloadDirFirst = s.CBforceDownload ? 1 : 0;
    r.LoadSaveDirFirst = s.CBForceloadsave ? 1 : 0;
    r.DeviceType = s.Edtype;
    r.RemoteSendDelay = s.Sdelay;
    r.RemoteReceiveDelay = s.Rdelay;
    r.RemoteDirDelay = s.Ddelay;
    r.RemoteOverwrite = s.CBOverwrite ? 1 : 0;
    r.DftAskDestination = s.CBDFTask ? 1 : 0;
    r.AnsiEmulation = s.Ansiemu ? 1 : 0;
    r.RemoteStartSend = s.EStartSend;
    r.RemoteEndSend = s.Eendsend;
    r.RemoteStartRecv = s.EStartRecv;
    r.RemoteEndRecv = s.EEndRecv;
    r.RemoteStartDir = s.EStartDir;
    r.RemoteEndDir = s.EEndDir;
    r.RemoteStartPath = s.EStartPath;
    r.RemoteEndPath = s.Eendpath;
    r.RemoteStartMsg = s.EStartMSG;
    r.RemoteEndMsg = s.Eendmsg;
    r.SendInit = s.Sendinit;
    r.StartSendCodes = s.Startsend;
    r.EndSendCodes = s.Endsend;
    r.StartRecvCodes = s.Startrecv;
    r.EndRecvCodes = s.Endrecv;
}

int MachineModel::addObserver(Observer observer)
{
    const int id = m_nextObserverId++;
    m_observers.emplace_back(id, std::move(observer));
    return id;
}

void MachineModel::removeObserver(int id)
{
    std::erase_if(m_observers, [id](const auto& o) { return o.first == id; });
}

void MachineModel::notifyReloaded() const
{
    const auto observers = m_observers; // an observer may unregister itself
    for (const auto& o : observers)
        o.second();
}

} // namespace mrw
