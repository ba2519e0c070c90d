#pragma once
// The NC utilities' view of an editor pane and of the progress box: lines read and
// replaced through the pane's text buffer, the progress box shown application-modal
// (so no other command can start or close the window while a batch runs) with window
// events let through about every 100 ms.
#include "workspace/engine/nc_batch.h"

#include <QElapsedTimer>
#include <QPointer>

class EditorPane;
class TProcessDlg;

class PaneUtilityEditor : public mrw::UtilityEditor {
public:
    explicit PaneUtilityEditor(EditorPane& pane);
    ~PaneUtilityEditor() override;

    int lineCount() const override;
    std::string lineCopy(int line) const override;
    bool hasSelection() const override;
    std::pair<int, int> selectedLines() const override;
    void replaceLine(int line, std::string_view text) override;
    void deleteLine(int line) override;
    void appendLine(std::string_view text) override;
    void cutAndPasteAll() override;
    void setCaret(int line, int column) override;
    void setRepaint(bool on) override;

private:
    long lineStart(int line) const;
    long lineEnd(int line) const;
    EditorPane& m_pane;
    int m_batchDepth = 0; // painting off and one undo step open while above 0
};

class ProcessDlgProgress : public mrw::BatchProgress {
public:
    explicit ProcessDlgProgress(TProcessDlg& dialog);
    ~ProcessDlgProgress() override;

    void show(const std::string& caption) override;
    void setPercent(int percent) override;
    bool cancelled() override;
    void processEvents() override;
    void hide() override;
    void setWaitCursor(bool on) override;

private:
    QPointer<TProcessDlg> m_dialog;
    QElapsedTimer m_sincePump;
    bool m_waitCursor = false;
};
