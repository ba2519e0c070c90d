#include "dnc/engine/wait_ready.h"

#include "dnc/engine/comport.h"
#include "dnc/engine/dnc_session.h"

#include <QCoreApplication>

namespace dnc {

namespace {

// Sleeps on the event loop until a character waits, the box is stopped or the port closes.
bool waitForInput(const WaitContext& c)
{
    c.port.clock().waitFor(
        [&c] { return c.box.stopRequested() || c.port.charReady() || !c.port.isOpen(); }, -1, true);
    return !c.box.stopRequested() && c.port.isOpen();
}

void showBox(const WaitContext& c, const std::string& what)
{
    c.view.setTerminalActive(false);
    c.box.showWaiting("Waiting for " + c.machineName + what, c.minimized);
    QCoreApplication::processEvents();
}

} // namespace

bool WaitForChar(const WaitContext& c)
{
    showBox(c, " to send ...");
    bool ready = false;
    while (!ready && !c.box.stopRequested() && c.port.isOpen())
        ready = waitForInput(c) && c.port.charReady();
    c.box.hideWaiting();
    return ready && !c.box.stopRequested();
}

bool WaitForXon(const WaitContext& c)
{
    showBox(c, " to send an XON ...");
    const SoftwareFlow saved = c.port.softwareFlow();
    c.port.setSoftwareFlow(SoftwareFlow::None);
    bool gotXon = false;
    while (!gotXon && waitForInput(c)) {
        while (c.port.charReady() && !gotXon) {
            const char received = c.port.getChar();
            if (c.verbose)
                c.view.writeTerminalLine("Wait Char received=[" +
                                         std::to_string(static_cast<unsigned char>(received)) + "]");
            gotXon = received == XonChar;
        }
    }
    c.view.setTerminalActive(true);
    c.box.hideWaiting();
    c.port.setSoftwareFlow(saved);
    return gotXon && !c.box.stopRequested();
}

} // namespace dnc
