#include "workspace/ui/main_form.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("MARROWIN 2013");
    TMainForm mainForm(QApplication::arguments().mid(1));
    mainForm.show();
    return app.exec();
}
