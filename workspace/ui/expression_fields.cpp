#include "workspace/ui/expression_fields.h"

#include "analyzer/ui/expression_field.h"
#include "platform/qt/latin1.h"

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

void evaluateOnLeaving(QLineEdit* edit, platform::Prompter& prompter, std::function<void()> afterwards)
{
    QObject::connect(edit, &QLineEdit::editingFinished, edit, [edit, &prompter, afterwards = std::move(afterwards)] {
        if (evaluateField(edit, prompter) && afterwards)
            afterwards();
    });
}

double fieldValue(const QLineEdit* edit) { return vork::StrToReal(platform::toBytes(edit->text())); }

} // namespace mrw
