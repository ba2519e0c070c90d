#pragma once
// "Brask-Calc": a desk calculator with a paper tape, modeless beside the editor. It only
// copies: its pop-up item "&Copy To Clipboard" puts the shown value on the clipboard.
#include "workspace/engine/desk_calculator.h"

#include <QWidget>

class QLabel;
class QListView;
class TapeModel;
class QMenu;

class TBcalcform : public QWidget {
    Q_OBJECT
public:
    explicit TBcalcform(QWidget* parent = nullptr);

    mrw::DeskCalculator& calculator() { return m_calc; }
    QMenu* popupMenu() const { return m_popup; }

    void press(mrw::DeskCalculator::Key key);
    // The shown value with 5 decimals, trailing zeros dropped.
    void CopyToClipboard1Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void refresh();

    mrw::DeskCalculator m_calc;
    QLabel* m_display;
    QLabel* m_memory;
    TapeModel* m_tapeModel;
    QListView* m_tape;
    QLabel* m_items;
    QMenu* m_popup;
};
