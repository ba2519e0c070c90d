#pragma once
// The compare window: takes two files (open dialogs or files dropped on it), compares
// them, shows the difference list, moves from block to block, opens either file as a
// numbered listing, copies, cuts, saves and prints the list, and keeps its options.
#include "workspace/engine/compare_outputs.h"
#include "workspace/ui/compare_hooks.h"

#include <QMainWindow>

#include <string>

class CompareGridModel;
class QAction;
class QButtonGroup;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;
class TMainForm;
class TSummaryDlg;

class TGridForm : public QMainWindow {
    Q_OBJECT
public:
    TGridForm(CompareWindowHooks hooks, QWidget* parent = nullptr);
    ~TGridForm() override;

    // The editor font, and rows twice the height of its text.
    void setGridFont(const QFont& font);

    int compareState() const { return m_state; }
    void SetCompareState(int state);
    const std::string& file1() const { return m_file1; }
    const std::string& file2() const { return m_file2; }
    const mrw::FileCompare& compare() const { return m_compare; }
    const mrw::CompareOptions& options() const { return m_options; }
    QString status() const;

    // The commands.
    void OpenFilesClick();
    void CompareClick();
    void SummaryBtnClick();
    void DownButtonClick();
    void TopButtonClick();
    void FileViewClick(int file);
    void SaveDifferenceListClick();
    void PrintClick();
    void CopytoClipBoardClick();
    void DeleteClick();
    void SelectAllClick();
    void Help1Click();
    // Files dropped on the window, in order.
    void DropFiles(const QStringList& names);
    // Selects the difference block at or after a row.
    void SelectDiffBlock(int fromRow);

    QTableView* DiffGrid() const { return m_grid; }
    CompareGridModel* gridModel() const { return m_model; }
    TSummaryDlg* summaryDialog() const { return m_summaryDlg; }
    QPushButton* OpenFilesBtn() const { return m_openFilesBtn; }
    QPushButton* RunBtn() const { return m_runBtn; }
    QPushButton* SummaryBtn() const { return m_summaryBtn; }
    QPushButton* DownButton() const { return m_downBtn; }
    QPushButton* TopButton() const { return m_topBtn; }
    QTabWidget* tabs() const { return m_tabs; }
    QAction* action(const QString& text) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createWidgets();
    void createMenus();
    void applyOptionsToControls();
    bool acceptsFiles() const { return m_state == 0 || m_state == 1 || m_state == 4; }
    bool PrepareFiles(const std::string& first, const std::string& second);
    void CompareFiles();
    void forgetFiles();
    void setStatus(const std::string& text);
    void showError(const std::string& text);
    void beep();
    void writeDifferenceList(bool toPrinter);
    std::vector<std::string> differenceList() const;
    // The selected rows as a range; false when none.
    bool selectedRange(int& first, int& last) const;
    void selectRows(int first, int last);
    void gridRightClick(const QPoint& position);

    CompareWindowHooks m_hooks;
    mrw::FileCompare m_compare;
    mrw::CompareOptions m_options;
    mrw::SummaryText m_summary;
    std::string m_file1, m_file2;
    int m_state = 0;
    bool m_comparing = false;
    bool m_closeAfterRun = false;

    CompareGridModel* m_model = nullptr;
    QTableView* m_grid = nullptr;
    QLabel* m_botPanel = nullptr;
    QTabWidget* m_tabs = nullptr;
    QPushButton* m_openFilesBtn = nullptr;
    QPushButton* m_runBtn = nullptr;
    QPushButton* m_summaryBtn = nullptr;
    QPushButton* m_downBtn = nullptr;
    QPushButton* m_topBtn = nullptr;
    QButtonGroup* m_diffGroup = nullptr;
    QButtonGroup* m_matchGroup = nullptr;
    QAction *m_openAct = nullptr, *m_saveListAct = nullptr, *m_printAct = nullptr, *m_cutAct = nullptr,
            *m_copyAct = nullptr, *m_selectAllAct = nullptr, *m_compareAct = nullptr, *m_summaryAct = nullptr,
            *m_file1Act = nullptr, *m_file2Act = nullptr, *m_caseAct = nullptr, *m_excludeAct = nullptr,
            *m_labelAct = nullptr, *m_deleteFilesAct = nullptr;
    TSummaryDlg* m_summaryDlg = nullptr;
};

// The NC Utilities command "C&ompare Two Files": shows the one compare window of the
// main window modeless (created at the first call), with the editor font and the print
// font of the program settings; printLines prints plain text lines.
void ShowCompareWindow(TMainForm& form, PlainTextLinePrinter printLines);
