#pragma once
// "Solids Verification": the stock for the verification program, milling (a block) or
// turning (a cylinder), typed as expressions or taken from the moves of the last run;
// and "Working ...", the progress window of the CL export.
#include "analyzer/engine/solid_verification.h"
#include "platform/host.h"
#include "platform/qt/ok_bottom_dialog.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace vork {

class TTorvelinDlg : public TOKBottomDlg {
    Q_OBJECT
public:
    // iniName: the settings file (ZV.INI by bare name); motionPath gives the motion file
    // for "&Calculate Extents".
    TTorvelinDlg(std::string iniName, std::function<std::string()> motionPath, platform::Prompter& prompter,
                 QWidget* parent = nullptr);

    // The settings as the controls hold them.
    VerifySettings settings() const;
    void ShowModeControls();
    void CalculateExtents();
    void accept() override;

    QRadioButton* milling() const { return m_milling; }
    QRadioButton* turning() const { return m_turning; }
    QLineEdit* edit(int n) const { return m_edits.at(static_cast<std::size_t>(n - 1)); }
    QLabel* label(int n) const { return m_labels.at(static_cast<std::size_t>(n - 1)); }
    QPushButton* calculateButton() const { return m_calculate; }
    QLabel* blockPicture() const { return m_block; }
    QLabel* cylinderPicture() const { return m_cylinder; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setSettings(const VerifySettings& s);

    std::string m_iniName;
    std::function<std::string()> m_motionPath;
    platform::Prompter& m_prompter;
    QRadioButton* m_milling;
    QRadioButton* m_turning;
    std::array<QLineEdit*, 7> m_edits{};
    std::array<QLabel*, 7> m_labels{};
    QLabel* m_block;
    QLabel* m_cylinder;
    QPushButton* m_calculate;
};

class TWorkingDlg : public QDialog, public ClProgress {
    Q_OBJECT
public:
    explicit TWorkingDlg(QWidget* parent = nullptr);

    void Reset(const QString& caption);
    void SetPercent(int percent);
    // Cancel was pressed: the window is closed, the work goes on.
    bool closed = false;

    void reset(const std::string& caption) override;
    void setPercent(int percent) override { SetPercent(percent); }
    void finish() override { hide(); }

    QProgressBar* meter() const { return m_meter; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QProgressBar* m_meter;
    QPushButton* m_cancel;
};

} // namespace vork
