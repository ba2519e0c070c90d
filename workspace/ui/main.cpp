#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("MRW2013");
    QMainWindow window;
    window.setWindowTitle("Marrowin");
    window.resize(900, 650);
    window.show();
    return app.exec();
}
