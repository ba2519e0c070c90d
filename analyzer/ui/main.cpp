#include "analyzer/ui/analyzer_start.h"
#include "platform/qt/help.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::setHelpBook("vork2013");
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    vork::AnalyzerStart start(arguments);
    return app.exec();
}
