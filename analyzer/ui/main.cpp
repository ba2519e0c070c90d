#include "analyzer/ui/analyzer_start.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    vork::AnalyzerStart start(arguments);
    return app.exec();
}
