#include "workspace/ui/utility_options_dialog.h"

#include "workspace/ui/dialog_focus.h"

#include "platform/qt/latin1.h"

#include <QCheckBox>
#include <QLineEdit>

UtilityOptionsDlg::UtilityOptionsDlg(const QString& caption, int helpTopic, QWidget* parent) : TOKBottomDlg(parent)
{
    setWindowTitle(caption);
    addHelpButton(helpTopic);
}

void UtilityOptionsDlg::showEvent(QShowEvent* event)
{
    for (const auto& refresh : m_refreshers)
        refresh();
    TOKBottomDlg::showEvent(event);
    mrw::focusFirstField(this);
}

QLineEdit* UtilityOptionsDlg::boundText(const char* name, std::string& field)
{
    auto* edit = namedEdit(name, platform::toQString(field), this);
    connect(edit, &QLineEdit::textEdited, this, [&field](const QString& text) { field = platform::toBytes(text); });
    onShow([edit, &field] { edit->setText(platform::toQString(field)); });
    return edit;
}

QCheckBox* UtilityOptionsDlg::boundCheck(const char* name, const QString& caption, bool& field)
{
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(name);
    box->setChecked(field);
    connect(box, &QCheckBox::toggled, this, [&field](bool on) { field = on; });
    onShow([box, &field] { box->setChecked(field); });
    return box;
}

QLineEdit* namedEdit(const char* name, const QString& text, QWidget* parent)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    return edit;
}
