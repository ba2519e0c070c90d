#include "mrw2013/dnc_terminal_link.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/shell_helpers.h"

#include "platform/qt/help.h"
#include "platform/qt/termination_signals.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Before anything is made: a logout at any instant still removes the scratch files.
    platform::catchTerminationSignals();
    QApplication app(argc, argv);
    platform::setHelpBook("mrw2013");
    QApplication::setApplicationName("MARROWIN 2013");
    // The editors may force Caps Lock on; the keyboard is left as it was found.
    const mrw::CapsLockRestorer capsLock(QGuiApplication::platformName() == QLatin1String("xcb"));
    mrw2013::installDncTerminal();
    // Watched before the window is made: a start-up message box must not hold a logout.
    TMainForm* made = nullptr;
    const platform::TerminationSignals termination([&made](int) {
        if (made)
            made->EndWithoutAsking();
        else // its boxes are cancelled; it ends once made
            platform::armEndGuard();
    });
    TMainForm mainForm(QApplication::arguments().mid(1));
    made = &mainForm;
    if (termination.signalled()) {
        mainForm.EndWithoutAsking();
        return 0;
    }
    mainForm.show();
    return app.exec();
}
