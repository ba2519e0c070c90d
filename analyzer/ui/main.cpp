#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("VORK2013");
    QMainWindow window;
    window.setWindowTitle("Vork Analyzer");
    window.resize(900, 650);
    window.show();
    return app.exec();
}
