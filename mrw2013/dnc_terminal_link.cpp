#include "mrw2013/dnc_terminal_link.h"

#include "dnc/ui/dnc_terminal.h"
#include "dnc/ui/send_dialog.h"
#include "workspace/ui/dnc_link.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/nc_utility_commands.h"

namespace mrw2013 {

namespace {

class TerminalLink : public DncTerminalLink {
public:
    explicit TerminalLink(TMainForm& form)
        : m_terminal(new dnc::TMDNCTERM(form, form.globals(), form.settings(), &form.prompter(), &form))
    {
        m_terminal->sendDialog().setFileCleanup([&form] { form.ncUtilities()->FileCleanupBeforeSend(); });
    }

    void go(bool remoteStart) override { m_terminal->Go(remoteStart); }
    bool showing() const override { return m_terminal->isVisible(); }
    void bringToFront() override
    {
        m_terminal->raise();
        m_terminal->activateWindow();
    }
    bool close() override { return m_terminal->close(); }
    void end() override { m_terminal->endWithProgram(); }
    bool remoteModeActive() const override { return m_terminal->remoteModeActive(); }
    void whenRemoteModeEnds(std::function<void()> ended) override
    {
        QObject::connect(m_terminal, &dnc::TMDNCTERM::remoteModeEnded, m_terminal, std::move(ended),
                         Qt::QueuedConnection);
    }
    QWidget* window() const override { return m_terminal; }

private:
    dnc::TMDNCTERM* m_terminal; // a child of the main window, which deletes it
};

} // namespace

void installDncTerminal()
{
    setDncTerminalMaker([](TMainForm& form) { return std::make_unique<TerminalLink>(form); });
}

dnc::TMDNCTERM* terminalOf(TMainForm& form)
{
    DncTerminalLink* link = form.dncTerminal();
    return link ? static_cast<dnc::TMDNCTERM*>(link->window()) : nullptr;
}

} // namespace mrw2013
