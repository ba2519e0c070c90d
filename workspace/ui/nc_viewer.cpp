#include "workspace/ui/nc_viewer.h"

#include "platform/qt/latin1.h"
#include "platform/textfile.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>

#include <cstdio>

Tncviewer::Tncviewer(QWidget* parent) : QMainWindow(parent, Qt::Window), m_viewer(new QPlainTextEdit(this))
{
    setWindowTitle("File Viewer");
    m_viewer->setReadOnly(true);
    m_viewer->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font("Courier New", 10);
    font.setStyleHint(QFont::TypeWriter);
    m_viewer->setFont(font);
    setCentralWidget(m_viewer);
    menuBar()->addAction("&Open", this, &Tncviewer::Open1Click);
    menuBar()->addAction("E&xit", this, &Tncviewer::Exit1Click);
    m_hexAction = menuBar()->addAction("View as &Hex");
    m_hexAction->setCheckable(true);
    connect(m_hexAction, &QAction::toggled, this, [this] { showContents(); });
    resize(640, 480);
}

bool Tncviewer::openFile(const std::string& path)
{
    auto bytes = platform::readFileBytes(path);
    if (!bytes)
        return false;
    m_fileName = path;
    m_bytes = std::move(*bytes);
    setWindowTitle("File Viewer - " + platform::toQString(path));
    showContents();
    return true;
}

void Tncviewer::closeFile()
{
    m_fileName.clear();
    m_bytes.clear();
    m_viewer->clear();
}

bool Tncviewer::hexView() const
{
    return m_hexAction->isChecked();
}

void Tncviewer::setHexView(bool on)
{
    m_hexAction->setChecked(on);
}

QString Tncviewer::shownText() const
{
    return m_viewer->toPlainText();
}

std::string Tncviewer::hexListing(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size() * 4 + 16);
    char field[32];
    for (std::size_t row = 0; row < bytes.size(); row += 16) {
        std::snprintf(field, sizeof field, "%08zX ", row);
        out += field;
        std::string chars;
        for (std::size_t i = row; i < row + 16; ++i) {
            if (i < bytes.size()) {
                const auto b = static_cast<unsigned char>(bytes[i]);
                std::snprintf(field, sizeof field, " %02X", b);
                out += field;
                chars += (b >= 32 && b != 127) ? static_cast<char>(b) : '.';
            } else {
                out += "   ";
            }
        }
        out += "  " + chars + "\n";
    }
    return out;
}

void Tncviewer::showContents()
{
    if (hexView()) {
        m_viewer->setPlainText(platform::toQString(hexListing(m_bytes)));
    } else {
        QString text;
        for (const auto& line : platform::splitLines(m_bytes))
            text += platform::toQString(line) + '\n';
        m_viewer->setPlainText(text);
    }
}

void Tncviewer::Open1Click()
{
    const QString name = QFileDialog::getOpenFileName(this, "Open", QString(), "All Files (*)");
    if (name.isEmpty())
        return;
    if (!openFile(platform::toBytes(name)))
        QMessageBox::warning(this, "File Viewer", "Cannot open file " + name);
}

void Tncviewer::Exit1Click()
{
    close();
}

void Tncviewer::closeEvent(QCloseEvent* event)
{
    closeFile();
    setWindowTitle("File Viewer");
    QMainWindow::closeEvent(event);
}
