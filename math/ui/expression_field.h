#pragma once
// A line edit as an expression entry: evaluating it rewrites the field with the value, or
// shows the error in a warning box and puts the focus back into the field.
#include "math/engine/expression.h"

#include <QPointer>

class QLineEdit;

namespace vork {

class LineEditEntry : public ExpressionEntry {
public:
    explicit LineEditEntry(QLineEdit* edit) : m_edit(edit) {}
    std::string text() const override;
    void setText(const std::string& text) override;
    void takeFocus() override;

private:
    QPointer<QLineEdit> m_edit;
};

// The value of the expression typed into `edit` (0 after an error, which is shown over
// the edit's window).
double evalLineEdit(QLineEdit* edit, const ExpressionDialect& dialect = AnalyzerExpressions());

} // namespace vork
