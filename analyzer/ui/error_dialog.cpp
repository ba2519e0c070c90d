#include "analyzer/ui/error_dialog.h"

#include "platform/qt/latin1.h"
#include "platform/qt/help.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vork {

namespace {
constexpr int HelpContext = 6;
// The dialog's results beyond Rejected (Esc, the title bar's close): the Closed answer.
enum Result { AbortResult = 10, RetryResult, IgnoreResult };
} // namespace

TErrorDlg::TErrorDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("ErrorDlg");
    setWindowTitle("NC-Code Error");
    setModal(true);
    m_label = new QLabel(this);
    m_label->setObjectName("ErLabel");
    m_label->setMinimumWidth(380);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName("Edline");

    auto* buttons = new QDialogButtonBox(this);
    const auto add = [&](const char* text, const char* name, int result) {
        auto* b = buttons->addButton(text, QDialogButtonBox::ActionRole);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        return b;
    };
    QPushButton* abort = add("&Abort", "Abort", AbortResult);
    add("&Retry", "Retry", RetryResult);
    add("&Ignore", "Ignore", IgnoreResult);
    auto* help = buttons->addButton("&Help", QDialogButtonBox::HelpRole);
    help->setObjectName("Help");
    help->setAutoDefault(false);
    platform::bindHelpButton(*help, HelpContext);
    abort->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

ErrorAnswer TErrorDlg::ShowError(const std::string& message, std::string& block)
{
    m_label->setText(platform::toQString(message));
    m_edit->setText(platform::toQString(block));
    m_edit->setFocus();
    switch (exec()) {
    case AbortResult:
        return ErrorAnswer::Abort;
    case RetryResult:
        block = platform::toBytes(m_edit->text());
        return ErrorAnswer::Retry;
    case IgnoreResult:
        return ErrorAnswer::Ignore;
    default:
        return ErrorAnswer::Closed;
    }
}

} // namespace vork
