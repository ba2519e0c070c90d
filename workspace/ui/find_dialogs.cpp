#include "workspace/ui/find_dialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
constexpr QPoint ScreenPosition{150, 150};

// The buttons are enabled while there is a text to find.
void enableWithText(QLineEdit* edit, std::initializer_list<QPushButton*> buttons)
{
    auto update = [edit, buttons = std::vector<QPushButton*>(buttons)] {
        for (QPushButton* b : buttons)
            b->setEnabled(!edit->text().isEmpty());
    };
    QObject::connect(edit, &QLineEdit::textChanged, edit, update);
    update();
}
} // namespace

TFindDialog::TFindDialog(QWidget* parent)
    : QDialog(parent), m_find(new QLineEdit(this)), m_word(new QCheckBox("Match &whole word only", this)),
      m_case(new QCheckBox("Match &case", this)), m_up(new QRadioButton("&Up", this)),
      m_down(new QRadioButton("&Down", this)), m_next(new QPushButton("&Find Next", this))
{
    setWindowTitle("Find");
    setModal(false);
    auto* cancel = new QPushButton("Cancel", this);
    auto* what = new QLabel("Fi&nd what:", this);
    what->setBuddy(m_find);
    auto* direction = new QGroupBox("Direction", this);
    auto* dirLayout = new QHBoxLayout(direction);
    dirLayout->addWidget(m_up);
    dirLayout->addWidget(m_down);
    m_down->setChecked(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(what, 0, 0);
    grid->addWidget(m_find, 0, 1, 1, 2);
    grid->addWidget(m_next, 0, 3);
    auto* boxes = new QVBoxLayout;
    boxes->addWidget(m_word);
    boxes->addWidget(m_case);
    grid->addLayout(boxes, 1, 0, 1, 2);
    grid->addWidget(direction, 1, 2);
    grid->addWidget(cancel, 1, 3, Qt::AlignTop);
    m_next->setDefault(true);
    enableWithText(m_find, {m_next});
    connect(m_next, &QPushButton::clicked, this, &TFindDialog::findNext);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

QString TFindDialog::findText() const
{
    return m_find->text();
}
void TFindDialog::setFindText(const QString& text)
{
    m_find->setText(text);
}
bool TFindDialog::matchCase() const
{
    return m_case->isChecked();
}
bool TFindDialog::wholeWord() const
{
    return m_word->isChecked();
}
bool TFindDialog::searchUp() const
{
    return m_up->isChecked();
}

void TFindDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        move(ScreenPosition);
        m_find->selectAll();
        m_find->setFocus();
    }
}

TReplaceDialog::TReplaceDialog(QWidget* parent)
    : QDialog(parent), m_find(new QLineEdit(this)), m_replace(new QLineEdit(this)),
      m_word(new QCheckBox("Match &whole word only", this)), m_case(new QCheckBox("Match &case", this)),
      m_next(new QPushButton("&Find Next", this)), m_replaceOne(new QPushButton("&Replace", this)),
      m_replaceAll(new QPushButton("Replace &All", this))
{
    setWindowTitle("Replace");
    setModal(false);
    auto* cancel = new QPushButton("Cancel", this);
    auto* what = new QLabel("Fi&nd what:", this);
    what->setBuddy(m_find);
    auto* with = new QLabel("Re&place with:", this);
    with->setBuddy(m_replace);

    auto* grid = new QGridLayout(this);
    grid->addWidget(what, 0, 0);
    grid->addWidget(m_find, 0, 1);
    grid->addWidget(with, 1, 0);
    grid->addWidget(m_replace, 1, 1);
    grid->addWidget(m_word, 2, 0, 1, 2);
    grid->addWidget(m_case, 3, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_next);
    buttons->addWidget(m_replaceOne);
    buttons->addWidget(m_replaceAll);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    grid->addLayout(buttons, 0, 2, 5, 1);
    grid->setRowStretch(4, 1);
    m_next->setDefault(true);
    enableWithText(m_find, {m_next, m_replaceOne, m_replaceAll});
    connect(m_next, &QPushButton::clicked, this, &TReplaceDialog::findNext);
    connect(m_replaceOne, &QPushButton::clicked, this, [this] { emit replace(false); });
    connect(m_replaceAll, &QPushButton::clicked, this, [this] { emit replace(true); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

QString TReplaceDialog::findText() const
{
    return m_find->text();
}
void TReplaceDialog::setFindText(const QString& text)
{
    m_find->setText(text);
}
QString TReplaceDialog::replaceText() const
{
    return m_replace->text();
}
bool TReplaceDialog::matchCase() const
{
    return m_case->isChecked();
}
bool TReplaceDialog::wholeWord() const
{
    return m_word->isChecked();
}

void TReplaceDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        move(ScreenPosition);
        m_find->selectAll();
        m_find->setFocus();
    }
}
