#pragma once
// "NC-File Information": name, lines, characters, tape length and modified state of
// the active file.
#include "workspace/engine/small_dialogs.h"

#include <QDialog>

class QLabel;

class TNcinfoDlg : public QDialog {
    Q_OBJECT
public:
    explicit TNcinfoDlg(QWidget* parent = nullptr);

    void showInfo(const mrw::NcFileInfo& info);
    QString shownValue(int row) const;

private:
    QLabel* m_values[6];
};
