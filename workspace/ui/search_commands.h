#pragma once
// The Search menu: the Find and Replace boxes, Find Next and the NC searches for the
// next T, S, F word or comment, Go to line, top and bottom, and the jumps to a tool or
// sub-program line. Every search starts at the caret of the active pane and selects
// the match.
#include "workspace/engine/workspace_globals.h"

#include "platform/host.h"

#include <QObject>
#include <QString>

class EditorPane;
class TFindDialog;
class TMainForm;
class TReplaceDialog;
class TSpecialOpendlg;

// The search options kept between searches.
struct SearchOptions {
    bool backward = false;
    bool matchCase = false;
    bool wholeWord = false;
    bool replace = false;
    bool replaceAll = false;
};

// Searches `text` (8-bit) in pane from the caret (forward from the selection's end,
// backward from its start) and selects the match; false when there is none.
bool findInPane(EditorPane& pane, const std::string& text, const SearchOptions& options);
// Replaces every match from the caret to the end in one undo step; the number replaced.
long long replaceAllInPane(EditorPane& pane, const std::string& text, const std::string& with,
                           const SearchOptions& options);

class SearchCommands : public QObject {
    Q_OBJECT
public:
    SearchCommands(TMainForm& mainForm, mrw::WorkspaceGlobals& globals, platform::Prompter& prompter);
    ~SearchCommands() override;

    void Find1Click();
    void Replace1Click();
    // A Find Next of either box (fromReplace: the Replace box).
    void FindDialog1Find(bool fromReplace);
    void ReplaceDialog1Replace(bool all);
    void FindNext1Click();
    void FindNextT1Click();
    void FindNextS1Click();
    void FindNextF1Click();
    void FindNextComment1Click();
    void FindNextSubprogram1Click();
    void OpenSpecial1Click();
    void Gotoline1Click();
    void GotoTop1Click();
    void GotoBottom1Click();

    // The text of every Find Next.
    QString findText() const;
    const SearchOptions& options() const { return m_options; }

    TFindDialog* findDialog();
    TReplaceDialog* replaceDialog();
    TSpecialOpendlg* jumpDialog();

signals:
    // The search state changed: the menus' enabling runs.
    void searchChanged();

private:
    EditorPane* activePane() const;
    void searchActive(const std::string& text);
    void findNextWord(const std::string& text);
    void notFound(const QString& text);
    void jump(bool tool);

    TMainForm& m_main;
    mrw::WorkspaceGlobals& m_globals;
    platform::Prompter& m_prompter;
    SearchOptions m_options;
    TFindDialog* m_find = nullptr;
    TReplaceDialog* m_replace = nullptr;
    TSpecialOpendlg* m_jump = nullptr;
};
