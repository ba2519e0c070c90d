#pragma once
// The about box: title, version and the folder the program works in.
#include <QDialog>

class QLabel;

class TMdiAbout : public QDialog {
    Q_OBJECT
public:
    explicit TMdiAbout(QWidget* parent = nullptr);

    // The folder shown as the working folder.
    void setWorkingFolder(const QString& folder);
    QString versionShown() const;
    QString workingFolderShown() const;

private:
    QLabel* m_version;
    QLabel* m_folder;
};
