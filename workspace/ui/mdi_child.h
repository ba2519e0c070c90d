#pragma once
// The editor child window: one NC file in an editor pane, which can be split into two
// panes that show the same text. The text is kept as 8-bit bytes (shown as Latin-1)
// with CR LF line ends.
#include "workspace/engine/program_settings.h"
#include "workspace/engine/send_text.h"

#include <Qsci/qsciscintilla.h>

#include <QPointer>
#include <QWidget>

#include <string>

class NcLexer;
class QSplitter;
class TMainForm;

namespace mrw {
struct NcCommentMarks;
}

// One editor pane. Clipboard copies turn NUL characters into blanks.
class EditorPane : public QsciScintilla {
    Q_OBJECT
public:
    explicit EditorPane(QWidget* parent = nullptr);

    // The whole text as bytes.
    std::string bytes() const;
    // Replaces the text (undo history cleared, unmodified).
    void setBytes(std::string_view bytes);

    NcLexer* ncLexer() const { return m_lexer; }
    // Re-colours after the comment marks or the colour settings changed.
    void restyle();

    // Wrap at this column (0: at the window's width).
    void setWrapColumn(int column);

    // The editor component's notice of each change costs time in proportion to where the
    // change is, so a change of many lines (a utility's batch, undoing one) holds them
    // and tells once, as textChanged, when the last hold is released. Holds nest.
    void holdChangeNotices();
    void releaseChangeNotices();

public slots:
    void undo() override;
    void redo() override;

signals:
    // Insert or overwrite changed.
    void insertModeChanged();

protected:
    QMimeData* toMimeData(const QByteArray& text, bool rectangular) const override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Files dropped on a pane open in their own windows: the main window takes them.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void updateWrapMargin();
    // A line caret while inserting, a block while overwriting.
    void updateCaretStyle();
    NcLexer* m_lexer;
    int m_wrapColumn = 0;
    int m_noticeHolds = 0;
    long m_noticeMask = 0;
};

// The default or the WordStar key commands of a pane. Keys the main window's menus own
// (Ctrl+T, Ctrl+S, F3 and the others) are taken from the pane in both tables, so that
// the menu command runs.
void applyKeyTable(QsciScintilla* pane, bool wordStar);

class TMDIChild : public QWidget {
    Q_OBJECT
public:
    static constexpr int SplitBarHeight = 5;

    TMDIChild(TMainForm* mainForm, const std::string& fileName, QWidget* parent = nullptr);
    ~TMDIChild() override;

    EditorPane* Editor1 = nullptr;
    EditorPane* SplitPane = nullptr;
    bool IsSplit = false;
    EditorPane* ActivePane = nullptr;

    // The file name is the caption.
    const std::string& fileName() const { return m_fileName; }
    void setFileName(const std::string& name);

    // An untitled window has no file yet; its number (0 for none) names it "NONAME<n>".
    bool untitled() const { return m_untitled; }
    int untitledNumber() const { return m_untitledNumber; }
    void setUntitled(int number);
    void setTitled() { m_untitled = false; m_untitledNumber = 0; }

    // Loads the file into the text; false with errorText when it cannot be read.
    bool loadFile(std::string& errorText);
    // Saves the text under name (backup by the BACKUP setting); marks it unmodified.
    bool saveFile(const std::string& name, std::string& errorText);

    bool isModified() const;
    // The text, caret and selection of the active pane as a send or a print takes them.
    mrw::EditorTextView textView() const;

    void ToggleSplit();
    void ApplyChildSettings();
    void ApplyEditorSettings(EditorPane* pane);
    void setCommentMarks(const mrw::NcCommentMarks& marks);

    // Asks about unsaved changes; true when the window may close.
    bool CloseQuery();
    // The main window already asked: close without asking again.
    void closeWithoutAsking();

signals:
    // Caret or text changed, or another pane took the focus.
    void statusChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attachPane(EditorPane* pane);
    TMainForm* m_main;
    QSplitter* m_splitter;
    std::string m_fileName;
    bool m_untitled = false;
    int m_untitledNumber = 0;
    bool m_closeAgreed = false;
};
