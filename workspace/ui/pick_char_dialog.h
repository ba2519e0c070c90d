#pragma once
// "Insert Special Character": a table of the characters 32 to 255 and a box of
// control characters; OK puts the chosen character on the clipboard.
#include "platform/qt/ok_bottom_dialog.h"

class QComboBox;
class QLabel;
class QTableWidget;

class TPickCharDlg : public TOKBottomDlg {
    Q_OBJECT
public:
    explicit TPickCharDlg(QWidget* parent = nullptr);

    // The table shows its characters in this font (at size 10).
    void setTableFont(const QFont& font);
    int selectedCode() const { return m_code; }

    QTableWidget* table() const { return m_table; }
    QComboBox* controlChars() const { return m_controlChars; }
    QString status() const;

    void accept() override;

private:
    void cellChosen(int row, int column);
    void controlCharChosen(int index);
    void showPreview(const QString& text);

    QTableWidget* m_table;
    QLabel* m_preview;
    QLabel* m_stat;
    QComboBox* m_controlChars;
    int m_code = 0;
};
