#include "workspace/ui/expression_fields.h"

#include "math/ui/expression_field.h"
#include "platform/qt/latin1.h"

#include <QFocusEvent>
#include <QLineEdit>

namespace mrw {

namespace {

// Notes whether the evaluation failed: only then does it give the focus back.
class CheckedEntry : public vork::LineEditEntry {
public:
    using LineEditEntry::LineEditEntry;
    bool failed = false;
    void takeFocus() override
    {
        failed = true;
        LineEditEntry::takeFocus();
    }
};

} // namespace

std::optional<double> evaluateField(QLineEdit* edit, platform::Prompter& prompter)
{
    CheckedEntry entry(edit);
    const double value = vork::EvalEditExpression(entry, prompter, vork::WorkspaceExpressions());
    if (entry.failed)
        return std::nullopt;
    return value;
}

bool evaluateFields(std::initializer_list<QLineEdit*> edits, platform::Prompter& prompter)
{
    for (QLineEdit* edit : edits)
        if (!evaluateField(edit, prompter))
            return false;
    return true;
}

namespace {

// Evaluates its field whenever the focus leaves it or Return is pressed in it, changed
// or not: leaving a field as it stands must recalculate just as leaving it after a
// change does. A message shown by the evaluation takes the focus itself; that leaving
// is not evaluated again.
class LeavingWatcher : public QObject {
public:
    LeavingWatcher(QLineEdit* edit, platform::Prompter& prompter, std::function<void()> afterwards)
        : QObject(edit), m_edit(edit), m_prompter(prompter), m_afterwards(std::move(afterwards))
    {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::returnPressed, this, &LeavingWatcher::evaluate);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::FocusOut || qobject_cast<QLineEdit*>(watched) != m_edit)
            return false;
        // Another window taking the focus (a message, a menu, the dialog going away) is no
        // leaving, nor is the field being hidden, disabled or destroyed.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && m_edit->isVisible() &&
            m_edit->isEnabled())
            evaluate();
        return false;
    }

private:
    void evaluate()
    {
        if (m_busy)
            return;
        m_busy = true;
        if (evaluateField(m_edit, m_prompter) && m_afterwards)
            m_afterwards();
        m_busy = false;
    }

    QLineEdit* m_edit;
    platform::Prompter& m_prompter;
    std::function<void()> m_afterwards;
    bool m_busy = false;
};

} // namespace

void evaluateOnLeaving(QLineEdit* edit, platform::Prompter& prompter, std::function<void()> afterwards)
{
    new LeavingWatcher(edit, prompter, std::move(afterwards));
}

double fieldValue(const QLineEdit* edit) { return vork::StrToReal(platform::toBytes(edit->text())); }

} // namespace mrw
