#include "analyzer/ui/solids_verification.h"

#include "analyzer/engine/motion_reader.h"
#include "analyzer/ui/window_commands.h"
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/verification_dialogs.h"
#include "platform/paths.h"
#include "platform/qt/latin1.h"
#include "platform/qt/shellstart.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>

namespace vork {

namespace {

// Swallows what would start a command in the main window (keys, clicks, shortcuts,
// closing) while the export reads the motion file and the operation table.
class CommandLock : public QObject {
public:
    explicit CommandLock(QWidget& window) : m_window(window) { qApp->installEventFilter(this); }
    ~CommandLock() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::Close:
            break;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        const bool mine = widget ? widget->window() == &m_window : event->type() == QEvent::Shortcut;
        if (mine && event->type() == QEvent::Close)
            event->ignore();
        return mine;
    }

private:
    QWidget& m_window;
};

std::int64_t MotionRecords(Tmdvform& window)
{
    window.session().motion.flush();
    MotionReader reader;
    return reader.open(window.session().motion.path()) ? reader.count() : 0;
}

std::string LeftOutText(const std::map<int, int>& leftOut)
{
    std::string text = "Moves left out of the CL file (their operation came earlier in the table):";
    for (const auto& [opnum, count] : leftOut)
        text += "\n  operation " + std::to_string(opnum) + ": " + std::to_string(count) +
                (count == 1 ? " move" : " moves");
    return text;
}

} // namespace

bool ExportAndVerify(Tmdvform& window, const VerifySettings& stock)
{
    RunSession& session = window.session();
    const std::string folder = window.settings().SolidFolder();
    ClExportJob job;
    job.motionPath = session.motion.path();
    job.clPath = folder + ClFileName;
    job.ncFileName = session.state.NCFileName;
    job.operations = &window.operations();
    job.stock = stock;
    session.motion.flush();

    auto* progress = window.findChild<TWorkingDlg*>();
    if (!progress)
        progress = new TWorkingDlg(&window);
    ClExportResult result;
    {
        CommandLock lock(window);
        result = WriteCLFile(job, progress);
    }
    progress->hide();
    if (!result.written) {
        window.showError(result.error.empty() ? "The last run has no moves to export." : result.error);
        return false;
    }
    if (!result.leftOut.empty())
        window.inform(LeftOutText(result.leftOut));
    const std::string program = platform::programPath(folder, VerifierProgram);
    const int code = platform::shellOpen(program, {job.clPath}, folder);
    if (code <= 32) {
        // The whole path tried, whatever form the folder setting has.
        const QString tried = QDir::cleanPath(QFileInfo(platform::toQString(program)).absoluteFilePath());
        window.inform("Cannot Execute (" + std::to_string(code) + ") [" + platform::toBytes(tried) + "]");
        return false;
    }
    return true;
}

void SolidsVerification(Tmdvform& window)
{
    if (MotionRecords(window) == 0) {
        window.showError("File Must be Analyzed First,\nWith a complete-accurate operation list\npress [Start] to Analyze");
        return;
    }
    if (window.operations().slot(1).empty()) {
        window.showError("No Operations Have Been defined");
        return;
    }
    auto* dialog = window.findChild<TTorvelinDlg*>();
    if (!dialog)
        dialog = new TTorvelinDlg(VerifySettingsFile, [&window] { return window.session().motion.path(); },
                                  window.prompter(), &window);
    if (dialog->exec() == QDialog::Accepted)
        ExportAndVerify(window, dialog->settings());
}

} // namespace vork
