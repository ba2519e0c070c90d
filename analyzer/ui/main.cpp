#include "analyzer/ui/analyzer_start.h"
#include "platform/qt/help.h"

#include "platform/qt/termination_signals.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Before anything is made: a logout at any instant leaves no scratch file behind.
    platform::catchTerminationSignals();
    QApplication app(argc, argv);
    platform::setHelpBook("vork2013");
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    vork::AnalyzerStart start(arguments, {}, true, nullptr, true);
    if (start.ending())
        return 0;
    return app.exec();
}
