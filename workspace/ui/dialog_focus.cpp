#include "workspace/ui/dialog_focus.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace mrw {

namespace {

class FirstFieldOnShow : public QObject {
public:
    FirstFieldOnShow(QWidget* dialog, QWidget* field) : QObject(dialog), m_field(field) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched == parent())
            focusFirstField(static_cast<QWidget*>(watched), m_field);
        return false;
    }

private:
    QWidget* m_field;
};

// Of a group of radio buttons only the chosen one is a field: focusing another would
// choose it at the next blank typed.
bool isUnchosenRadio(const QWidget* w)
{
    const auto* radio = qobject_cast<const QRadioButton*>(w);
    if (!radio || radio->isChecked() || !radio->autoExclusive())
        return false;
    for (const QRadioButton* other : radio->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
        if (other->isChecked())
            return true;
    return false;
}

// Radio buttons of a group pass the tab focus among themselves (only the one last
// focused keeps it in its policy), so for them any focus policy counts.
bool takesFocus(const QWidget* w)
{
    return qobject_cast<const QRadioButton*>(w) ? w->focusPolicy() != Qt::NoFocus
                                                : (w->focusPolicy() & Qt::TabFocus) != 0;
}

bool isField(const QWidget* w, const QWidget* dialog)
{
    return w->isEnabled() && w->isVisibleTo(dialog) && takesFocus(w) && !qobject_cast<const QPushButton*>(w) &&
           !isUnchosenRadio(w) && dialog->isAncestorOf(w);
}

} // namespace

void focusFirstFieldOnShow(QWidget* dialog, QWidget* field)
{
    dialog->installEventFilter(new FirstFieldOnShow(dialog, field));
}

void focusFirstField(QWidget* dialog, QWidget* field)
{
    // The first field as the operator reads the dialog: the top one, leftmost on its row.
    QWidget* first = field && isField(field, dialog) ? field : nullptr;
    const bool named = first != nullptr;
    QPoint firstAt;
    for (QWidget* w = dialog->nextInFocusChain(); !named && w && w != dialog; w = w->nextInFocusChain()) {
        if (!isField(w, dialog))
            continue;
        const QPoint at = w->mapTo(dialog, QPoint(0, 0));
        if (!first || at.y() < firstAt.y() || (at.y() == firstAt.y() && at.x() < firstAt.x())) {
            first = w;
            firstAt = at;
        }
    }
    if (!first)
        return;
    first->setFocus(Qt::TabFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(first))
        edit->selectAll();
    else if (auto* spin = qobject_cast<QAbstractSpinBox*>(first))
        spin->selectAll();
    else if (auto* combo = qobject_cast<QComboBox*>(first); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
}

} // namespace mrw
