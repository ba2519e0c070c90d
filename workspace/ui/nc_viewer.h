#pragma once
// The file viewer: any file, read only, as text or as hex.
#include <QMainWindow>

#include <string>

class QAction;
class QPlainTextEdit;

class Tncviewer : public QMainWindow {
    Q_OBJECT
public:
    explicit Tncviewer(QWidget* parent = nullptr);

    // Shows a file; false when it cannot be read.
    bool openFile(const std::string& path);
    void closeFile();
    const std::string& fileName() const { return m_fileName; }
    bool hexView() const;
    void setHexView(bool on);
    // What the viewer shows now.
    QString shownText() const;

    // The hex listing: offset, sixteen bytes in hex and the printable characters.
    static std::string hexListing(const std::string& bytes);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Open1Click();
    void Exit1Click();
    void showContents();
    QPlainTextEdit* m_viewer;
    QAction* m_hexAction;
    std::string m_fileName;
    std::string m_bytes;
};
