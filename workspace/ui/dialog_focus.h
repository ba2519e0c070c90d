#pragma once
// Dialogs that are created once and shown again and again open with the focus in their
// first field, its text selected, so what the operator types replaces the last answer
// instead of going to whatever button had the focus when the dialog last closed.
class QWidget;

namespace mrw {

// From now on, every time `dialog` is shown its first field (of the enabled, visible
// controls that take the focus, push buttons aside, the top one, leftmost on its row)
// takes the focus; a text field's or spin box's text is selected. A dialog laid out in
// columns names its first field.
void focusFirstFieldOnShow(QWidget* dialog, QWidget* field = nullptr);

// The same, once, now.
void focusFirstField(QWidget* dialog, QWidget* field = nullptr);

} // namespace mrw
