#pragma once
// The analyzer's own editor for the NC file of the current run: plain 8-bit text, find
// and replace, printing and renumbering of block numbers. The text goes back to the
// file only when the user answers Yes to the save question on closing.
#include "analyzer/engine/nc_resequence.h"
#include "platform/host.h"

#include <QDialog>

#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace vork {

// "RE/UN-Sequence Block Numbers": the options of the renumbering, kept between uses.
class TRESEQDlg : public QDialog {
    Q_OBJECT
public:
    explicit TRESEQDlg(QWidget* parent = nullptr);

    // The options as set; a number field that is not a whole number or a value out of
    // range gives a message naming the field (options untouched).
    std::string readOptions(ResequenceOptions& options) const;

    QLineEdit* startField() const { return m_start; }
    QLineEdit* incrementField() const { return m_increment; }
    QLineEdit* digitsField() const { return m_digits; }
    QLineEdit* skipField() const { return m_skip; }
    QCheckBox* removeBox() const { return m_remove; }
    QCheckBox* leadingZerosBox() const { return m_leadingZeros; }
    QCheckBox* oBlocksBox() const { return m_oBlocks; }

private:
    void removeToggled(bool on);

    QLineEdit* m_start;
    QLineEdit* m_increment;
    QLineEdit* m_digits;
    QLineEdit* m_skip;
    QCheckBox* m_remove;
    QCheckBox* m_leadingZeros;
    QCheckBox* m_oBlocks;
};

// The find dialog, or with a replacement field the replace dialog. Searches go forward
// from the end of the editor's selection.
class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    FindReplaceDialog(bool replace, QWidget* parent = nullptr);
    QString findText() const;
    QString replaceText() const;
    bool matchCase() const;
    bool wholeWord() const;

    QLineEdit* findField() const { return m_find; }
    QLineEdit* replaceField() const { return m_replace; }
    QCheckBox* caseBox() const { return m_case; }
    QCheckBox* wordBox() const { return m_word; }
    QPushButton* findNextButton() const { return m_findNext; }
    QPushButton* replaceButton() const { return m_replaceOne; }
    QPushButton* replaceAllButton() const { return m_replaceAll; }

signals:
    void findNextRequested();
    void replaceRequested();
    void replaceAllRequested();

private:
    void updateButtons();

    QLineEdit* m_find;
    QLineEdit* m_replace = nullptr;
    QCheckBox* m_case;
    QCheckBox* m_word;
    QPushButton* m_findNext;
    QPushButton* m_replaceOne = nullptr;
    QPushButton* m_replaceAll = nullptr;
};

class TNCEditor : public QDialog {
    Q_OBJECT
public:
    explicit TNCEditor(platform::Prompter& prompter, QWidget* parent = nullptr);

    void SetFileName(const std::string& name);
    const std::string& fileName() const { return FFileName; }
    // Loads the file's lines (8-bit) into the editing area; false when unreadable.
    bool LoadFile(const std::string& name);
    void setLines(const std::vector<std::string>& lines);
    std::vector<std::string> lines() const;
    // Writes the lines to the file (CR LF); false, with the message shown, when the
    // file could not be written (the text stays marked as modified).
    bool FileSave();

    // Finds the find dialog's text from the end of the selection; false (after the
    // "Cannot find" message) when it is not there.
    bool FindNext();
    void Replace();
    // Replaces every occurrence after the selection; the number replaced.
    int ReplaceAll();
    // Asks for the options and renumbers the whole text as one undoable edit.
    void Resequence();
    void Print();

    QPlainTextEdit* editor() const { return m_edit; }
    QStatusBar* statusBar() const { return m_status; }
    TRESEQDlg* resequenceDialog() const { return m_reseq; }
    FindReplaceDialog* findDialog() const { return m_findDialog; }
    FindReplaceDialog* replaceDialog() const { return m_replaceDialog; }
    QAction* undoAction() const { return m_undo; }

    static QString cannotFindText(const QString& text);

public slots:
    void done(int result) override;

protected:
    bool event(QEvent* event) override;

private:
    // The close query: true when the window may close.
    bool canClose();
    bool find(const FindReplaceDialog& dialog, bool quiet);
    QAction* action(const QString& text, const QString& hint, const QKeySequence& key = {});

    platform::Prompter& m_prompter;
    std::string FFileName;
    QPlainTextEdit* m_edit;
    QStatusBar* m_status;
    QAction* m_undo;
    TRESEQDlg* m_reseq;
    FindReplaceDialog* m_findDialog;
    FindReplaceDialog* m_replaceDialog;
    const FindReplaceDialog* m_lastSearch = nullptr;
};

} // namespace vork
