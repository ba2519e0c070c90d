#include "analyzer/ui/machine_setup_editor.h"

#include "analyzer/ui/window_commands.h"
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/text_printout.h"
#include "platform/qt/help.h"
#include "platform/qt/latin1.h"
#include "platform/qt/wait_cursor.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace vork {

namespace {

constexpr int SetupHelp = 10017;

const char* const GroupNames[SetupQuestionnaire::GroupCount] = {
    "Machine type", "Axis Names", " -G- Codes", " -M- Codes", "Number formats", "Cost factors and limits",
    "Spindle parameters", "Sequence numbers", "Tool/Cutter compensation codes"};

} // namespace

TMsetupForm::TMsetupForm(platform::Prompter& prompter, const std::string& programFolder, QWidget* parent)
    : QMainWindow(parent), m_prompter(prompter), m_programFolder(programFolder), m_q(prompter)
{
    setWindowFlag(Qt::Window);
    resize(820, 560);
    chooseFile = [this](bool save) {
        const QString folder = QString::fromStdString(m_programFolder);
        const QString filter = "Machine Files (*.MCH *.mch)";
        QString name = save ? QFileDialog::getSaveFileName(this, "Save Machine File", folder, filter)
                            : QFileDialog::getOpenFileName(this, "Open Machine File", folder, filter);
        if (save && !name.isEmpty() && QFileInfo(name).suffix().isEmpty())
            name += ".MCH";
        return name.toStdString();
    };

    auto* central = new QWidget(this);
    setCentralWidget(central);
    m_groups = new QListWidget(central);
    m_groups->setObjectName("groups");
    for (const char* name : GroupNames)
        m_groups->addItem(name);
    m_groups->setCurrentRow(0);
    m_groups->setMaximumWidth(230);
    connect(m_groups, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { chooseGroup(m_groups->row(item)); });
    connect(m_groups, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && (row != m_q.GrpPtr || (!m_q.waiting() && !m_q.idle())))
            chooseGroup(row);
    });

    m_memo = new QPlainTextEdit(central);
    m_memo->setObjectName("memo");
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_entry = new QLineEdit(central);
    m_entry->setObjectName("entry");
    connect(m_entry, &QLineEdit::returnPressed, this, [this] { m_q.enter(platform::toBytes(m_entry->text())); });

    auto button = [&](const char* text, auto slot) {
        auto* b = new QPushButton(text, central);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    QPushButton* none = button("\"None\"", [this] {
        m_entry->setText("@");
        m_q.none();
    });
    none->setObjectName("none");
    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(new QLabel("Entry :", central));
    entryRow->addWidget(m_entry, 1);
    entryRow->addWidget(none);
    auto* navigation = new QHBoxLayout;
    navigation->addWidget(button("&Next", [this] { m_q.next(); }));
    navigation->addWidget(button("&Previous", [this] { m_q.previous(); }));
    navigation->addWidget(button("&Top", [this] { m_q.top(); }));
    navigation->addWidget(button("&Bottom", [this] { m_q.bottom(); }));
    QPushButton* help = button("&Help", [this] {
        platform::showHelpTopic(m_q.Helpnum < 0 ? SetupHelp : m_q.Helpnum, m_prompter);
    });
    help->setEnabled(!platform::helpTopicPage(SetupHelp).isEmpty());
    navigation->addWidget(help);

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel("Question Group", central));
    left->addWidget(m_groups);
    auto* right = new QVBoxLayout;
    right->addWidget(m_memo, 1);
    right->addLayout(entryRow);
    right->addLayout(navigation);
    auto* layout = new QHBoxLayout(central);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&Open", this, &TMsetupForm::Open);
    file->addAction("&Save", this, &TMsetupForm::Save);
    file->addAction("Save &As", this, &TMsetupForm::SaveAs);
    file->addAction("&Print", this, &TMsetupForm::Print);
    file->addSeparator();
    file->addAction("E&xit", this, &TMsetupForm::Exit);
    QMenu* options = menuBar()->addMenu("&Options");
    m_numbering = options->addAction("&Display variable Numbers");
    m_numbering->setCheckable(true);
    connect(m_numbering, &QAction::toggled, this, [this](bool on) { m_q.Numbering = on; });
    m_autohelp = options->addAction("&Automatic Help Display");
    m_autohelp->setCheckable(true);
    connect(m_autohelp, &QAction::toggled, this, [this](bool on) { m_q.Autohelp = on; });
    platform::addHelpItem(*menuBar()->addMenu("Help"), "&Contents", platform::helpTopicPage(SetupHelp));

    m_q.onMemoLine = [this](const std::string& line) { m_memo->appendPlainText(platform::toQString(line)); };
    m_q.onMemoClear = [this] { m_memo->clear(); };
    m_q.onMemoReplaceLast = [this](const std::string& line) {
        QTextCursor last(m_memo->document()->lastBlock());
        last.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        last.insertText(platform::toQString(line));
    };
    m_q.onAsk = [this] { showQuestion(); };
    m_q.onCaption = [this] { updateCaption(); };
    updateCaption();
}

void TMsetupForm::updateCaption() { setWindowTitle(QString::fromStdString(m_q.caption())); }

void TMsetupForm::showQuestion()
{
    m_entry->setText(platform::toQString(m_q.entryText()));
    m_entry->selectAll();
    m_entry->setFocus();
    m_memo->verticalScrollBar()->setValue(m_memo->verticalScrollBar()->maximum());
    if (m_q.Autohelp)
        platform::openHelpPage(platform::helpTopicPage(m_q.Helpnum), m_prompter);
}

void TMsetupForm::chooseGroup(int group)
{
    if (group < 0 || group >= SetupQuestionnaire::GroupCount)
        return;
    m_q.startGroup(group);
}

void TMsetupForm::Open()
{
    const std::string name = chooseFile(false);
    if (name.empty())
        return;
    m_q.open(name);
}

bool TMsetupForm::SaveAs()
{
    const int group = m_q.GrpPtr;
    m_q.KillMainLoop();
    const std::string name = chooseFile(true);
    if (name.empty()) {
        if (!m_q.finished)
            m_q.startGroup(group);
        return false;
    }
    platform::WaitCursor wait;
    return m_q.saveAs(name);
}

bool TMsetupForm::Save()
{
    if (m_q.needsName())
        return SaveAs();
    platform::WaitCursor wait;
    return m_q.save();
}

void TMsetupForm::PrintTo(QPrinter& printer)
{
    const std::vector<std::string> lines = m_q.print();
    PrintTextLines(printer, lines, windowTitle());
}

void TMsetupForm::Print()
{
    QPrinter& printer = ProgramPrinter(this);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    platform::WaitCursor wait;
    PrintTo(printer);
}

void TMsetupForm::Exit()
{
    m_q.KillMainLoop();
    m_q.finished = true;
    close();
}

void TMsetupForm::closeEvent(QCloseEvent* event)
{
    if (m_q.Dirty) {
        const platform::Button answer = m_prompter.message("Confirm", "File Not Saved, Save it",
                                                           platform::MessageKind::Question,
                                                           platform::Buttons::YesNoCancel);
        if (answer == platform::Button::Cancel) {
            event->ignore(); // the question still waits
            return;
        }
        if (answer == platform::Button::Yes) {
            // Saving on the way out asks no further question.
            const bool wasFinished = m_q.finished;
            m_q.finished = true;
            const bool saved = Save();
            m_q.finished = wasFinished;
            if (!saved) {
                if (!m_q.finished)
                    m_q.startGroup(m_q.GrpPtr);
                event->ignore();
                return;
            }
        }
    }
    m_q.KillMainLoop();
    event->accept();
}

// ---- The main window's command ----

void ShowMachineSetupEditor(Tmdvform& window)
{
    // One editor for the whole program run: the working copy and its options stay.
    auto* editor = window.findChild<TMsetupForm*>(QString(), Qt::FindDirectChildrenOnly);
    if (!editor)
        editor = new TMsetupForm(window.prompter(), window.programFolder(), &window);
    editor->show();
    editor->raise();
    editor->activateWindow();
}

} // namespace vork
