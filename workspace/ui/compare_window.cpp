#include "workspace/ui/compare_window.h"

#include "platform/folders.h"
#include "platform/format.h"
#include "platform/ini.h"
#include "platform/qt/help.h"
#include "platform/qt/latin1.h"
#include "platform/textfile.h"
#include "workspace/ui/compare_grid_model.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/summary_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <chrono>

namespace {

const char* const Caption = "Marrowin -- File Compare";
const char* const OpenFilter = "NC-Code Files (*.TAP *.NCC *.NC);;Any file (*)";
const char* const SaveFilter = "Text Files (*.txt *.sum);;All Files (*)";

std::string toPath(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

QString fromPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string withoutFolder(const std::string& path)
{
    return mrw::TFileInfo(path).Name();
}

// Carriage returns of the engine's two-line messages as line ends of a message box.
std::string boxText(std::string text)
{
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    return text;
}

// The wait cursor while a compare runs, taken off early when Cancel is offered.
class RunCursor {
public:
    RunCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~RunCursor() { restore(); }
    RunCursor(const RunCursor&) = delete;
    RunCursor& operator=(const RunCursor&) = delete;
    void restore()
    {
        if (m_on)
            QApplication::restoreOverrideCursor();
        m_on = false;
    }

private:
    bool m_on = true;
};

} // namespace

CompareWindowHooks StandardCompareHooks(platform::Prompter& prompter)
{
    CompareWindowHooks hooks;
    hooks.openFile = [](QWidget* parent, const QString& title, const QString& folder, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, title, folder, filter);
    };
    hooks.saveFile = [](QWidget* parent, const QString& title, const QString& proposed, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, title, proposed, filter);
    };
    hooks.choosePrinter = [](QPrinter& printer, QWidget* parent) {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    };
    hooks.clock = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    hooks.now = [] { return std::time(nullptr); };
    hooks.prompter = &prompter;
    hooks.optionsFile = mrw::CompareOptionsFileName;
    return hooks;
}

TGridForm::TGridForm(CompareWindowHooks hooks, QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_hooks(std::move(hooks))
{
    setWindowTitle(Caption);
    setAcceptDrops(true);
    createWidgets();
    createMenus();
    m_summaryDlg = new TSummaryDlg(m_hooks, this);

    m_options = mrw::LoadCompareOptions(platform::IniFile(m_hooks.optionsFile));
    if (m_options.Source1Path.empty())
        m_options.Source1Path = m_options.Source2Path = platform::currentFolder();
    applyOptionsToControls();
    SetCompareState(0);
}

TGridForm::~TGridForm()
{
    // The model and the summary window refer to members that go before the children.
    m_grid->setModel(nullptr);
    delete m_model;
    delete m_summaryDlg;
}

void TGridForm::createWidgets()
{
    m_model = new CompareGridModel(m_compare, this);
    m_grid = new QTableView(this);
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->viewport()->installEventFilter(this);
    // Rows of the previous file only are drawn in the highlight colours; a selection
    // must stand apart from them.
    QPalette selection = m_grid->palette();
    const QColor highlight = selection.color(QPalette::Active, QPalette::Highlight);
    const QColor base = selection.color(QPalette::Active, QPalette::Base);
    const QColor between((highlight.red() + base.red()) / 2, (highlight.green() + base.green()) / 2,
                         (highlight.blue() + base.blue()) / 2);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        selection.setColor(group, QPalette::Highlight, between);
        selection.setColor(group, QPalette::HighlightedText, selection.color(QPalette::Active, QPalette::Text));
    }
    m_grid->setPalette(selection);
    const int screenWidth = QApplication::primaryScreen() ? QApplication::primaryScreen()->geometry().width() : 1024;
    m_grid->setColumnWidth(mrw::BlockColumn, 30);
    for (int c : {mrw::ChangeColumn, mrw::Line1Column, mrw::Line2Column})
        m_grid->setColumnWidth(c, 60);
    m_grid->setColumnWidth(mrw::TextColumn, screenWidth <= 640 ? 600 : screenWidth - 220);

    m_openFilesBtn = new QPushButton("O&pen Files", this);
    m_openFilesBtn->setToolTip("Select Two Files");
    m_runBtn = new QPushButton("&Compare", this);
    m_runBtn->setToolTip("Compare the files");
    m_summaryBtn = new QPushButton("&Summary", this);
    m_summaryBtn->setToolTip("Show Summary Report");
    m_downBtn = new QPushButton("Do&wn", this);
    m_downBtn->setToolTip("Select Next Block");
    m_topBtn = new QPushButton("&Top", this);
    m_topBtn->setToolTip("Go to Top of List");
    connect(m_openFilesBtn, &QPushButton::clicked, this, &TGridForm::OpenFilesClick);
    connect(m_runBtn, &QPushButton::clicked, this, &TGridForm::CompareClick);
    connect(m_summaryBtn, &QPushButton::clicked, this, &TGridForm::SummaryBtnClick);
    connect(m_downBtn, &QPushButton::clicked, this, &TGridForm::DownButtonClick);
    connect(m_topBtn, &QPushButton::clicked, this, &TGridForm::TopButtonClick);

    auto* control = new QWidget;
    auto* controlLayout = new QHBoxLayout(control);
    for (QPushButton* b : {m_openFilesBtn, m_runBtn, m_summaryBtn, m_downBtn, m_topBtn})
        controlLayout->addWidget(b);
    controlLayout->addStretch();

    const auto radioPage = [this](const char* title, std::initializer_list<const char*> items, QButtonGroup*& group) {
        auto* page = new QWidget;
        auto* box = new QGroupBox(title, page);
        auto* boxLayout = new QHBoxLayout(box);
        group = new QButtonGroup(this);
        int id = 0;
        for (const char* item : items) {
            auto* radio = new QRadioButton(item, box);
            group->addButton(radio, id++);
            boxLayout->addWidget(radio);
        }
        auto* pageLayout = new QHBoxLayout(page);
        pageLayout->addWidget(box);
        pageLayout->addStretch();
        return page;
    };
    m_tabs = new QTabWidget(this);
    m_tabs->addTab(control, "&Control Panel");
    m_tabs->addTab(radioPage("Difference Lines Displayed:",
                             {"Lines from &both files", "F&irst file lines only", "&Second file lines only"},
                             m_diffGroup),
                   "&Difference Lines Options");
    m_tabs->addTab(radioPage("Add to Difference List:",
                             {"&No matching lines", "&All matching lines", "Ad&jacent matching lines"}, m_matchGroup),
                   "&Matching Lines Options");
    connect(m_diffGroup, &QButtonGroup::idClicked, this, [this](int id) { m_options.DisplayDifferences = id; });
    connect(m_matchGroup, &QButtonGroup::idClicked, this, [this](int id) { m_options.DisplayMatches = id; });
    m_tabs->setMaximumHeight(m_tabs->sizeHint().height());

    m_botPanel = new QLabel(this);
    m_botPanel->setFrameShape(QFrame::Panel);
    m_botPanel->setFrameShadow(QFrame::Sunken);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_tabs);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_botPanel);
    setCentralWidget(central);
    resize(std::min(screenWidth - 40, 900), 560);
}

void TGridForm::createMenus()
{
    QMenu* file = menuBar()->addMenu("&File");
    m_openAct = file->addAction("&Open Files...", this, &TGridForm::OpenFilesClick);
    m_saveListAct = file->addAction("&Save Difference List...", this, &TGridForm::SaveDifferenceListClick);
    m_printAct = file->addAction("&Print", this, &TGridForm::PrintClick);
    file->addSeparator();
    file->addAction("E&xit", this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu("&Edit");
    m_cutAct = edit->addAction("Cu&t", this, &TGridForm::DeleteClick);
    m_cutAct->setShortcut(QKeySequence("Ctrl+X"));
    m_copyAct = edit->addAction("&Copy", this, &TGridForm::CopytoClipBoardClick);
    m_copyAct->setShortcuts({QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Ins")});
    m_selectAllAct = edit->addAction("&Select All", this, &TGridForm::SelectAllClick);
    m_selectAllAct->setShortcut(QKeySequence("Ctrl+A"));

    QMenu* view = menuBar()->addMenu("&View");
    m_compareAct = view->addAction("&Compare the Files", this, &TGridForm::CompareClick);
    m_summaryAct = view->addAction("&Summary Report...", this, &TGridForm::SummaryBtnClick);
    m_file1Act = view->addAction("File &1 (Current)...", this, [this] { FileViewClick(1); });
    m_file2Act = view->addAction("File &2 (Previous)...", this, [this] { FileViewClick(2); });

    QMenu* options = menuBar()->addMenu("&Options");
    const auto check = [&](const char* text, bool mrw::CompareOptions::*field) {
        QAction* a = options->addAction(text);
        a->setCheckable(true);
        connect(a, &QAction::toggled, this, [this, field](bool on) {
            m_options.*field = on;
            if (field == &mrw::CompareOptions::LabelBlankLines)
                m_model->setLabelBlankLines(on);
        });
        return a;
    };
    m_caseAct = check("&Case Sensitive", &mrw::CompareOptions::CaseSensitive);
    m_excludeAct = check("&Exclude Leading Whitespace", &mrw::CompareOptions::ExcludeLeadingWhitespace);
    m_labelAct = check("&Label Blank Lines", &mrw::CompareOptions::LabelBlankLines);
    m_deleteFilesAct = check("&Delete Created Text Files", &mrw::CompareOptions::DeleteFiles);

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&Help...", this, &TGridForm::Help1Click);
}

void TGridForm::applyOptionsToControls()
{
    const mrw::CompareOptions o = m_options; // toggling writes back into m_options
    m_caseAct->setChecked(o.CaseSensitive);
    m_excludeAct->setChecked(o.ExcludeLeadingWhitespace);
    m_labelAct->setChecked(o.LabelBlankLines);
    m_deleteFilesAct->setChecked(o.DeleteFiles);
    m_diffGroup->button(o.DisplayDifferences)->setChecked(true);
    m_matchGroup->button(o.DisplayMatches)->setChecked(true);
    m_model->setLabelBlankLines(o.LabelBlankLines);
}

void TGridForm::setGridFont(const QFont& font)
{
    m_grid->setFont(font);
    const int rowHeight = 2 * QFontMetrics(font).boundingRect("Hg").height();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(rowHeight);
}

QAction* TGridForm::action(const QString& text) const
{
    for (QAction* a : findChildren<QAction*>())
        if (a->text() == text)
            return a;
    return nullptr;
}

QString TGridForm::status() const
{
    return m_botPanel->text();
}

void TGridForm::setStatus(const std::string& text)
{
    m_botPanel->setText(platform::toQString(text));
}

void TGridForm::showError(const std::string& text)
{
    m_hooks.prompter->message("Marrowin", boxText(text), platform::MessageKind::Error);
}

void TGridForm::beep()
{
    m_hooks.prompter->beep();
}

// ---- States --------------------------------------------------------------------------

void TGridForm::SetCompareState(int state)
{
    m_state = state;
    const bool open = state == 0 || state == 1 || state == 4;
    const bool run = state == 1 || state == 3 || state == 4;
    const bool summary = state == 4;
    m_openFilesBtn->setEnabled(open);
    m_openAct->setEnabled(open);
    m_runBtn->setEnabled(run);
    m_compareAct->setEnabled(run);
    m_runBtn->setText(state == 3 ? "&Cancel" : "&Compare");
    m_summaryBtn->setEnabled(summary);
    for (QAction* a : {m_summaryAct, m_file1Act, m_file2Act})
        a->setEnabled(summary);
    const bool listed = summary && m_compare.DifferencesFound();
    for (QAction* a : {m_printAct, m_saveListAct, m_copyAct, m_cutAct, m_selectAllAct})
        a->setEnabled(listed);
    m_downBtn->setEnabled(listed);
    m_topBtn->setEnabled(listed);
    m_tabs->setCurrentIndex(0);
    if (state == 0)
        m_openFilesBtn->setFocus();
    else if (state == 1)
        m_runBtn->setFocus();
    else if (state == 4)
        m_summaryBtn->setFocus();
}

// ---- Choosing files ------------------------------------------------------------------

void TGridForm::OpenFilesClick()
{
    if (!acceptsFiles())
        return;
    const QString first = m_hooks.openFile(this, "Select First NC-Code File...",
                                           fromPath(m_options.Source1Path), OpenFilter);
    if (first.isEmpty())
        return;
    const QString second = m_hooks.openFile(this, "Select Second NC-Code File...",
                                            fromPath(m_options.Source2Path), OpenFilter);
    if (second.isEmpty())
        return;
    const std::string one = toPath(first), two = toPath(second);
    m_options.Source1Path = mrw::TFileInfo(one).Folder();
    m_options.Source2Path = mrw::TFileInfo(two).Folder();
    if (PrepareFiles(one, two))
        CompareFiles();
}

void TGridForm::DropFiles(const QStringList& names)
{
    if (!acceptsFiles())
        return;
    for (const QString& name : names) {
        const std::string path = toPath(name);
        if (m_file1.empty() || !m_file2.empty()) {
            m_file1 = path;
            m_file2.clear();
            setStatus("  Received: " + path);
            SetCompareState(0); // the pair is no longer ready
        } else {
            setStatus("  Received: " + path);
            activateWindow();
            PrepareFiles(m_file1, path);
        }
    }
}

bool TGridForm::PrepareFiles(const std::string& first, const std::string& second)
{
    std::string one = first, two = second;
    try {
        m_model->beginChange();
        m_compare.PrepareFiles(one, two);
        m_model->endChange();
    } catch (const std::exception& e) {
        m_model->endChange();
        beep();
        showError(e.what());
        return false;
    }
    m_summary.WriteHeader(mrw::TFileInfo(first), mrw::TFileInfo(second));
    m_file1 = one;
    m_file2 = two;
    m_model->setHeaderTexts({"File 1: " + m_file1, "File 2: " + m_file2});
    setStatus("  READY");
    SetCompareState(1);
    return true;
}

void TGridForm::forgetFiles()
{
    m_file1.clear();
    m_file2.clear();
    m_model->setHeaderTexts({"", ""});
}

// ---- The compare run -----------------------------------------------------------------

void TGridForm::CompareClick()
{
    if (m_state == 3) {
        m_compare.RequestCancel();
        return;
    }
    if (m_state == 1 || m_state == 4)
        CompareFiles();
}

void TGridForm::CompareFiles()
{
    const int previousState = m_state;
    setStatus("");
    m_model->setHeaderTexts({"File 1, " + m_file1 + " compared to...", "File 2, " + m_file2});
    SetCompareState(2);
    m_comparing = true;
    RunCursor cursor;
    QCoreApplication::processEvents();

    mrw::CompareHooks hooks;
    hooks.clock = m_hooks.clock;
    hooks.progress = [&](int pass, double percent, bool cancelOffered) {
        setStatus(platform::format("  Pass %d  %3.1f %%", {pass, percent}));
        QCoreApplication::processEvents();
        if (cancelOffered && m_state == 2) {
            SetCompareState(3);
            cursor.restore();
        }
    };
    mrw::FileCompare::Outcome outcome{};
    m_model->setRunning(true);
    try {
        outcome = m_compare.CompareFiles(m_options.RunOptions(), hooks);
    } catch (const mrw::EOpAction&) {
        m_model->setRunning(false);
        m_comparing = false;
        setStatus("");
        SetCompareState(0);
        if (m_closeAfterRun)
            close();
        return;
    } catch (const std::exception& e) {
        m_model->setRunning(false);
        m_comparing = false;
        setStatus("  ERROR");
        cursor.restore();
        showError(e.what());
        SetCompareState(0);
        forgetFiles();
        setStatus("");
        if (m_closeAfterRun)
            close();
        return;
    }
    m_model->setRunning(false);
    m_comparing = false;
    cursor.restore();
    if (outcome == mrw::FileCompare::Outcome::EmptyFiles) {
        m_hooks.prompter->message("Marrowin", "Empty file(s) ???", platform::MessageKind::Warning);
        SetCompareState(previousState);
    } else {
        const std::string result = m_compare.ResultText();
        setStatus(result);
        m_summary.AddLine(result);
        SetCompareState(4);
        if (m_model->rowCount() > 1)
            SelectDiffBlock(0);
    }
    if (m_closeAfterRun)
        close();
}

// ---- Moving through the list ---------------------------------------------------------

void TGridForm::selectRows(int first, int last)
{
    QItemSelectionModel* selection = m_grid->selectionModel();
    selection->setCurrentIndex(m_model->index(last, 0), QItemSelectionModel::NoUpdate);
    selection->select(QItemSelection(m_model->index(first, 0), m_model->index(last, mrw::CompareColumnCount - 1)),
                      QItemSelectionModel::ClearAndSelect);
}

bool TGridForm::selectedRange(int& first, int& last) const
{
    const QModelIndexList rows = m_grid->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return false;
    first = last = rows.front().row();
    for (const QModelIndex& i : rows) {
        first = std::min(first, i.row());
        last = std::max(last, i.row());
    }
    return true;
}

void TGridForm::SelectDiffBlock(int fromRow)
{
    const int count = m_model->rowCount();
    int first = std::max(fromRow, 0);
    while (first < count && m_model->compareRow(first).block == 0)
        ++first;
    if (first >= count) {
        beep();
        return;
    }
    const int block = m_model->compareRow(first).block;
    int last = first;
    while (last + 1 < count && m_model->compareRow(last + 1).block == block)
        ++last;
    selectRows(first, last);
    if (first > 6) // the block starts below the eighth line of the list
        m_grid->scrollTo(m_model->index(first - 4, 0), QAbstractItemView::PositionAtTop);
    else
        m_grid->scrollTo(m_model->index(first, 0));
}

void TGridForm::DownButtonClick()
{
    const int count = m_model->rowCount();
    int first = 0, last = -1;
    if (count == 0 || (selectedRange(first, last) && last == count - 1)) {
        beep();
        return;
    }
    const int current = m_grid->currentIndex().isValid() ? m_grid->currentIndex().row() : -1;
    if (current < count - 1)
        SelectDiffBlock(current + 1);
}

void TGridForm::TopButtonClick()
{
    if (m_model->rowCount() == 0)
        return;
    m_grid->scrollToTop();
    m_grid->selectionModel()->setCurrentIndex(m_model->index(0, 0), QItemSelectionModel::NoUpdate);
    SelectDiffBlock(0);
}

// ---- Listing and summary -------------------------------------------------------------

void TGridForm::FileViewClick(int file)
{
    const mrw::TSourceList& list = file == 1 ? m_compare.List1() : m_compare.List2();
    long number = 0;
    const QModelIndex current = m_grid->currentIndex();
    if (current.isValid()) {
        const mrw::CompareRow& row = m_model->compareRow(current.row());
        number = file == 1 ? row.line1 : row.line2;
    }
    setStatus("Loading Source file...");
    QCoreApplication::processEvents();
    const std::string chosen = list.FileName();
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_summaryDlg->setWindowTitle(platform::toQString("Listing for:  " + chosen));
        m_summaryDlg->setLines(mrw::ListingLines(list, chosen));
        QApplication::restoreOverrideCursor();
    } catch (const std::exception&) {
        QApplication::restoreOverrideCursor();
        beep();
        showError("Unable to load all of file \r" + chosen);
        return;
    }
    if (number != 0)
        m_summaryDlg->selectLine(mrw::ListingLineIndex(number));
    m_summaryDlg->setSaveBaseName(withoutFolder(chosen));
    m_summaryDlg->show();
    m_summaryDlg->raise();
    setStatus("");
}

void TGridForm::SummaryBtnClick()
{
    if (m_state != 4)
        return;
    m_summary.AddStatistics(m_compare);
    m_summaryDlg->setWindowTitle("Summary Report");
    m_summaryDlg->setLines(m_summary.Lines());
    m_summaryDlg->setSaveBaseName("Summary");
    m_summaryDlg->show();
    m_summaryDlg->raise();
}

void TGridForm::gridRightClick(const QPoint& position)
{
    const QModelIndex index = m_grid->indexAt(position);
    if (!index.isValid() || (index.column() != mrw::Line1Column && index.column() != mrw::Line2Column)
        || m_state != 4) {
        beep();
        return;
    }
    m_grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    FileViewClick(index.column() == mrw::Line1Column ? 1 : 2);
}

// ---- Copy, cut, select ---------------------------------------------------------------

void TGridForm::CopytoClipBoardClick()
{
    int first = 0, last = 0;
    if (!selectedRange(first, last))
        return;
    std::vector<std::string> lines{"Lines:  " + m_model->cell(first, mrw::Line1Column) + "/" +
                                   m_model->cell(first, mrw::Line2Column) + " to " +
                                   m_model->cell(last, mrw::Line1Column) + "/" + m_model->cell(last, mrw::Line2Column)};
    for (int r = first; r <= last; ++r)
        lines.push_back(m_model->cell(r, mrw::TextColumn));
    m_summaryDlg->setWindowTitle("Saving to Clipboard");
    m_summaryDlg->setLines(lines);
    QApplication::clipboard()->setText(m_summaryDlg->SummaryMemo()->toPlainText());
    setStatus(platform::format("  %d Lines copied", {last - first + 1}));
}

void TGridForm::DeleteClick()
{
    int first = 0, last = 0;
    if (!selectedRange(first, last))
        return;
    CopytoClipBoardClick();
    m_model->removeCompareRows(m_compare, first, last);
}

void TGridForm::SelectAllClick()
{
    if (m_model->rowCount() > 0)
        selectRows(0, m_model->rowCount() - 1);
}

// ---- Difference list -----------------------------------------------------------------

std::vector<std::string> TGridForm::differenceList() const
{
    mrw::DifferenceListSource source;
    source.now = m_hooks.now();
    source.file1 = m_file1;
    source.file2 = m_file2;
    source.headerTexts = m_model->headerTexts();
    source.labelBlankLines = m_options.LabelBlankLines;
    return mrw::WriteDifferenceList(m_compare, source);
}

void TGridForm::SaveDifferenceListClick()
{
    const mrw::TFileInfo info(m_file1);
    const std::string base = info.Name().substr(0, info.Name().rfind('.'));
    const QString chosen = m_hooks.saveFile(this, "Save Difference List", fromPath(info.Folder() + base + ".dif"),
                                            SaveFilter);
    if (chosen.isEmpty())
        return;
    const std::string path = toPath(chosen);
    if (!platform::saveTextLinesAtomic(path, differenceList())) {
        showError("Error on output of list to " + path);
        return;
    }
    setStatus(platform::format("  Difference list for %s saved to %s", {m_file1, withoutFolder(path)}));
}

void TGridForm::PrintClick()
{
    QPrinter printer;
    if (!m_hooks.choosePrinter(printer, this))
        return;
    printer.setDocName(Caption);
    QString reason;
    if (!m_hooks.printLines || !m_hooks.printLines(printer, differenceList(), m_hooks.printFont, &reason))
        showError("Error on output of list to PRN");
}

void TGridForm::Help1Click()
{
    platform::showHelpTopic(108, *m_hooks.prompter);
}

// ---- Window events -------------------------------------------------------------------

void TGridForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    setWindowTitle(Caption);
    if (m_comparing)
        return;
    if (!m_file2.empty())
        PrepareFiles(m_file1, m_file2);
    else
        SetCompareState(0);
}

void TGridForm::closeEvent(QCloseEvent* event)
{
    if (m_comparing) { // the run ends first; the window closes after it
        m_closeAfterRun = true;
        m_compare.RequestCancel();
        event->ignore();
        return;
    }
    m_closeAfterRun = false;
    try {
        platform::IniFile ini(m_hooks.optionsFile);
        mrw::SaveCompareOptions(ini, m_options);
    } catch (const platform::IniWriteError& e) {
        showError(e.what());
    }
    event->accept();
}

void TGridForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptsFiles() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TGridForm::dropEvent(QDropEvent* event)
{
    if (!acceptsFiles())
        return;
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            names << url.toLocalFile();
    event->acceptProposedAction();
    DropFiles(names);
}

bool TGridForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            gridRightClick(mouse->position().toPoint());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Entry ---------------------------------------------------------------------------

void ShowCompareWindow(TMainForm& form, PlainTextLinePrinter printLines)
{
    auto* window = form.findChild<TGridForm*>();
    if (!window) {
        CompareWindowHooks hooks = StandardCompareHooks(form.prompter());
        hooks.printLines = std::move(printLines);
        const mrw::FontSetting& print = form.settings().PrintFont;
        hooks.printFont = QFont(platform::toQString(print.name), print.size);
        hooks.printFont.setBold(print.bold);
        hooks.printFont.setItalic(print.italic);
        hooks.printFont.setStyleHint(QFont::TypeWriter);
        window = new TGridForm(std::move(hooks), &form);
        window->setGridFont(form.editorFont());
    }
    window->show();
    window->raise();
    window->activateWindow();
}
