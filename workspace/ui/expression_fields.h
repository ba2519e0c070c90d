#pragma once
// Numeric entry fields of the workspace dialogs: each takes an expression, evaluated
// (and rewritten with 5 decimals) whenever the operator leaves the field.
#include "platform/host.h"

#include <functional>
#include <optional>

class QLineEdit;

namespace mrw {

// Evaluates the field as leaving it does: the value, or nothing after the evaluator's
// message was shown and the focus put back into the field (which keeps its text).
std::optional<double> evaluateField(QLineEdit* edit, platform::Prompter& prompter);

// Every field in order; false at the first that does not evaluate.
bool evaluateFields(std::initializer_list<QLineEdit*> edits, platform::Prompter& prompter);

// Evaluates the field whenever the operator leaves it (or presses Return in it), changed
// or not, then runs `afterwards` when it evaluated.
void evaluateOnLeaving(QLineEdit* edit, platform::Prompter& prompter, std::function<void()> afterwards = {});

// The field's text as a number (0 when it is none), as the calculations read it.
double fieldValue(const QLineEdit* edit);

} // namespace mrw
