#pragma once
// The progress box of work over a whole file: a percent meter and Cancel, shown
// modeless while the work goes on; the work asks cancelled() after each line.
#include <QDialog>

class QProgressBar;

class TProcessDlg : public QDialog {
    Q_OBJECT
public:
    explicit TProcessDlg(QWidget* parent = nullptr);

    void setPercent(int percent);
    int percent() const;
    // The meter after `line` of `count` lines.
    void setProgress(long long line, long long count);
    bool cancelled() const { return m_cancelled; }
    void cancel() { m_cancelled = true; }

protected:
    bool event(QEvent* event) override;

private:
    QProgressBar* m_meter;
    bool m_cancelled = false;
};
