#pragma once
// The jump dialog: the lines found (ListBox1) and, hidden, the line number of each
// (ListBox2). OK or a double click on a line closes it with OK.
#include "platform/qt/ok_bottom_dialog.h"

#include "workspace/engine/editor_commands.h"

#include <QString>

#include <vector>

class QListWidget;

class TSpecialOpendlg : public TOKBottomDlg {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 10024;

    explicit TSpecialOpendlg(QWidget* parent = nullptr);

    QListWidget* ListBox1;
    QListWidget* ListBox2;

    void clear();
    // Lines as 8-bit text with their line numbers.
    void setLines(const std::vector<mrw::JumpLine>& lines);
    // The line number of the chosen line, or 0 for none.
    int chosenLine() const;
};
