#include "workspace/ui/insert_dialogs.h"

#include "workspace/ui/dialog_focus.h"

#include "workspace/ui/expression_fields.h"

#include "workspace/engine/insert_texts.h"

#include "math/engine/mathlib.h"
#include "platform/qt/help.h"
#include "platform/qt/latin1.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// OK, Cancel and Help along the bottom; OK runs `ok`, which closes the dialog itself.
template <typename Dialog>
QDialogButtonBox* okCancelHelp(Dialog* dialog, platform::Prompter& prompter, void (Dialog::*ok)())
{
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, ok);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::helpRequested, dialog,
                     [&prompter] { platform::showHelpTopic(Dialog::HelpTopic, prompter); });
    QPushButton* help = buttons->button(QDialogButtonBox::Help);
    help->setText("&Help");
    // Help takes no focus, so that asking for it never leaves a field: leaving evaluates
    // the field, and a half-typed expression would answer with an error in place of help.
    help->setFocusPolicy(Qt::NoFocus);
    return buttons;
}

void putOnClipboard(const std::string& text) { QApplication::clipboard()->setText(platform::toQString(text)); }

} // namespace

// ---- NC-code macros --------------------------------------------------------------------

TMacroInsert::TMacroInsert(platform::Prompter& prompter, QWidget* parent) : QDialog(parent), m_prompter(prompter)
{
    setWindowTitle("NC-Code Macros");
    setObjectName("MacroInsert");

    auto* machine = new QGroupBox("Current Machine", this);
    MachineLabel = new QLabel(machine);
    MachineLabel->setObjectName("MachineLabel");
    (new QVBoxLayout(machine))->addWidget(MachineLabel);

    auto* defined = new QGroupBox("Defined Macros", this);
    List1 = new QListWidget(defined);
    List1->setObjectName("List1");
    mrw::focusFirstFieldOnShow(this, List1);
    (new QVBoxLayout(defined))->addWidget(List1);
    connect(List1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_updating)
            List1Click(row);
    });

    auto* contents = new QGroupBox("Contents", this);
    Text1 = new QPlainTextEdit(contents);
    Text1->setObjectName("Text1");
    Text1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(Text1, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_updating && m_session)
            m_session->setModified(true);
    });
    auto* editing = new QHBoxLayout;
    for (const auto& [caption, slot] : {std::pair{"Cut", &QPlainTextEdit::cut}, std::pair{"Copy", &QPlainTextEdit::copy},
                                        std::pair{"Paste", &QPlainTextEdit::paste}}) {
        auto* button = new QPushButton(caption, contents);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, Text1, slot);
        editing->addWidget(button);
    }
    editing->addStretch(1);
    auto* contentsLayout = new QVBoxLayout(contents);
    contentsLayout->addWidget(Text1, 1);
    contentsLayout->addLayout(editing);

    const auto command = [this](const char* caption, void (TMacroInsert::*slot)()) {
        auto* button = new QPushButton(caption, this);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    AddBtn = command("A&dd", &TMacroInsert::AddBtnClick);
    SaveBtn = command("&Save", &TMacroInsert::SaveBtnClick);
    DeleteBtn = command("&Delete", &TMacroInsert::DeleteBtnClick);
    EditNameBtn = command("&Edit Name", &TMacroInsert::EditNameBtnClick);
    auto* commands = new QVBoxLayout;
    for (QPushButton* b : {AddBtn, SaveBtn, DeleteBtn, EditNameBtn})
        commands->addWidget(b);
    commands->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addWidget(machine);
    left->addWidget(defined, 1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addWidget(contents, 3);
    columns->addLayout(commands);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(okCancelHelp(this, m_prompter, &TMacroInsert::OKBtnClick));
    resize(640, 360);
}

TMacroInsert::~TMacroInsert() = default;

void TMacroInsert::prepare(const std::string& databasePath, const std::string& machineName)
{
    m_session = std::make_unique<mrw::MacroSession>(databasePath, machineName, m_prompter);
    MachineLabel->setText(platform::toQString(machineName));
    showLines({});
    fillList();
    for (QPushButton* b : {AddBtn, SaveBtn, DeleteBtn, EditNameBtn})
        b->setEnabled(m_session->hasMachine());
}

void TMacroInsert::done(int result)
{
    QDialog::done(result);
    m_session.reset(); // nothing is kept between showings
}

std::vector<std::string> TMacroInsert::memoLines() const
{
    return mrw::macroLinesOf(platform::toBytes(Text1->toPlainText()));
}

void TMacroInsert::showLines(const std::vector<std::string>& lines)
{
    m_updating = true;
    Text1->setPlainText(platform::toQString(mrw::macroTextOf(lines)));
    m_updating = false;
}

void TMacroInsert::fillList()
{
    m_updating = true;
    List1->clear();
    for (const std::string& name : m_session->names())
        List1->addItem(platform::toQString(name));
    List1->setCurrentRow(m_session->selected());
    m_updating = false;
}

void TMacroInsert::List1Click(int row)
{
    if (!m_session || row < 0)
        return;
    if (const auto lines = m_session->select(row, memoLines())) {
        showLines(*lines);
        return;
    }
    // The macro left could not be saved: it stays selected with its text.
    m_updating = true;
    List1->setCurrentRow(m_session->selected());
    m_updating = false;
}

void TMacroInsert::AddBtnClick()
{
    if (m_session && m_session->add(memoLines())) {
        showLines({});
        fillList();
    }
}

void TMacroInsert::SaveBtnClick()
{
    if (m_session)
        m_session->save(memoLines());
}

void TMacroInsert::DeleteBtnClick()
{
    if (m_session && m_session->remove()) {
        showLines({});
        fillList();
    }
}

void TMacroInsert::EditNameBtnClick()
{
    if (m_session && m_session->editName(memoLines()))
        fillList();
}

void TMacroInsert::OKBtnClick()
{
    if (!m_session) {
        reject();
        return;
    }
    const auto outcome = m_session->finish(memoLines());
    switch (outcome.action) {
    case mrw::MacroSession::Outcome::Cancel:
        reject();
        break;
    case mrw::MacroSession::Outcome::StayOpen:
        fillList();
        break;
    case mrw::MacroSession::Outcome::Insert:
        putOnClipboard(outcome.text);
        accept();
        break;
    }
}

// ---- Comment ---------------------------------------------------------------------------

TCommentDlg::TCommentDlg(platform::Prompter& prompter, QWidget* parent) : QDialog(parent), m_prompter(prompter)
{
    mrw::focusFirstFieldOnShow(this);
    setWindowTitle("Insert a Comment");
    setObjectName("CommentDlg");
    const auto field = [this](const char* name, const char* text) {
        auto* edit = new QLineEdit(text, this);
        edit->setObjectName(name);
        return edit;
    };
    cstart = field("cstart", "(");
    Cend = field("Cend", ")");
    Comment = field("Comment", "");
    Comment->setMinimumWidth(Comment->fontMetrics().horizontalAdvance(QString(40, 'X')));
    auto* marks = new QHBoxLayout;
    marks->addWidget(new QLabel("Comment Start :", this));
    marks->addWidget(cstart);
    marks->addSpacing(12);
    marks->addWidget(new QLabel("Comment End :", this));
    marks->addWidget(Cend);
    marks->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(marks);
    layout->addWidget(new QLabel("Comment:", this));
    layout->addWidget(Comment);
    layout->addWidget(okCancelHelp(this, m_prompter, &TCommentDlg::OKBtnClick));
}

void TCommentDlg::OKBtnClick()
{
    const auto text = mrw::commentInsertText(platform::toBytes(cstart->text()), platform::toBytes(Comment->text()),
                                             platform::toBytes(Cend->text()), m_prompter);
    if (!text)
        return;
    putOnClipboard(*text);
    accept();
}

// ---- Expression ------------------------------------------------------------------------

TInsExpDlg::TInsExpDlg(const mrw::MachineSettings& machine, platform::Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_machine(machine), m_prompter(prompter)
{
    setWindowTitle("Insert an Expression");
    setObjectName("InsExpDlg");
    mrw::focusFirstFieldOnShow(this);
    expr = new QLineEdit(this);
    expr->setObjectName("expr");
    mrw::evaluateOnLeaving(expr, m_prompter);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Expression", this));
    layout->addWidget(expr);
    auto* examples = new QVBoxLayout;
    for (const char* example : {"2+23/64-.002  ;  Simple Expression", "Sin(23DR)       ;  Sine of 23 Degrees",
                                "2*Cos(pi)         ;  2 times the Cosine  of PI",
                                "%30                ;  Inch value of 30 Millimeters"})
        examples->addWidget(new QLabel(example, this));
    layout->addLayout(examples);
    layout->addWidget(okCancelHelp(this, m_prompter, &TInsExpDlg::OKBtnClick));
}

void TInsExpDlg::OKBtnClick()
{
    if (!mrw::evaluateField(expr, m_prompter))
        return;
    const auto text = mrw::expressionInsertText(mrw::fieldValue(expr), m_machine, m_prompter);
    if (!text)
        return;
    putOnClipboard(*text);
    accept();
}
