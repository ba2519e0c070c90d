#pragma once
// The plain dialog with OK and Cancel along the bottom that other dialogs build on:
// their controls go into body().
#include "platform/qt/shell_execute.h"

#include <QDialog>

class QFrame;
class QHBoxLayout;
class QPushButton;

class TOKBottomDlg : public QDialog {
    Q_OBJECT
public:
    explicit TOKBottomDlg(QWidget* parent = nullptr);

    // The framed area above the buttons.
    QFrame* body() const { return m_body; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    // A "&Help" button that opens help topic `topic` when the help pages are installed.
    QPushButton* addHelpButton(int topic);

private:
    QFrame* m_body;
    QHBoxLayout* m_buttons;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
