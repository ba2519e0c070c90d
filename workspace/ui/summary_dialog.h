#pragma once
// The summary window: the summary report of a compare, the numbered listings of the
// compared files, and the buffer of the compare window's clipboard copies. Its text is
// saved, printed and copied as it stands.
#include "workspace/ui/compare_hooks.h"

#include <QDialog>

#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

class TSummaryDlg : public QDialog {
    Q_OBJECT
public:
    TSummaryDlg(const CompareWindowHooks& hooks, QWidget* parent = nullptr);

    void setLines(const std::vector<std::string>& lines);
    std::vector<std::string> lines() const;
    // Selects text line `line` (0-based) and scrolls it into view.
    void selectLine(long line);
    void setSaveBaseName(const std::string& name) { m_saveBaseName = name; }
    const std::string& saveBaseName() const { return m_saveBaseName; }

    QPlainTextEdit* SummaryMemo() const { return m_memo; }
    QPushButton* SaveBtn() const { return m_save; }
    QPushButton* CopyBtn() const { return m_copy; }
    QPushButton* PrintBtn() const { return m_print; }

    void SaveBtnClick();
    void PrintBtnClick();
    void CopyBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::vector<std::string> outputLines() const;
    void showError(const std::string& text);

    const CompareWindowHooks& m_hooks;
    QPlainTextEdit* m_memo;
    QPushButton* m_save;
    QPushButton* m_copy;
    QPushButton* m_print;
    std::string m_saveBaseName = "Summary";
};
