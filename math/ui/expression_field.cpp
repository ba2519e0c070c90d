#include "math/ui/expression_field.h"

#include "platform/qt/latin1.h"
#include "platform/qt/qthost.h"

#include <QLineEdit>

namespace vork {

std::string LineEditEntry::text() const { return m_edit ? platform::toBytes(m_edit->text()) : std::string(); }

void LineEditEntry::setText(const std::string& text)
{
    if (m_edit)
        m_edit->setText(platform::toQString(text));
}

void LineEditEntry::takeFocus()
{
    if (m_edit)
        m_edit->setFocus(Qt::OtherFocusReason);
}

double evalLineEdit(QLineEdit* edit, const ExpressionDialect& dialect)
{
    LineEditEntry entry(edit);
    platform::QtPrompter prompter(edit ? edit->window() : nullptr);
    return EvalEditExpression(entry, prompter, dialect);
}

} // namespace vork
