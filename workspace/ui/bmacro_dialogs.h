#pragma once
// The B-macro interpreter's windows: the run dialog with its options, pre-defined
// variables and progress, and the small box that asks for a value.
#include "workspace/engine/bmacro_interpreter.h"

#include <QDialog>
#include <QElapsedTimer>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace mrw {
struct WorkspaceGlobals;
}

// "Input a Number": a prompt and a value field that takes expressions.
class TGetvardlg : public QDialog {
    Q_OBJECT
public:
    explicit TGetvardlg(platform::Prompter& prompter, QWidget* parent = nullptr);
    ~TGetvardlg() override;

    void setPrompt(const std::string& text);
    void setValue(double value);
    double value() const;
    // Evaluates the field and shows the value with five decimals.
    void TresultExit();

    QLabel* prompt = nullptr;
    QLineEdit* Tresult = nullptr;

    void accept() override;

private:
    platform::Prompter& m_prompter;
};

// "B-Macro Interpeter": expands the active program into the output file.
class TMacrobdlg : public QDialog, private mrw::BMacroConsole {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 120;

    TMacrobdlg(mrw::WorkspaceGlobals& globals, platform::Prompter& prompter, QWidget* parent = nullptr);

    QLineEdit* Ofilename = nullptr;
    QLineEdit* Estopcode = nullptr;
    QCheckBox* CBKeepCmts = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QGroupBox* RGsubfmt = nullptr;
    QCheckBox* CBarun = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    bool AutoRun() const;
    int subFormat() const;
    void setSubFormat(int index);
    std::string outputFile() const;

    // The program a run expands, read when the run starts.
    void setProgramSource(std::function<std::vector<std::string>()> source) { m_program = std::move(source); }
    // Asks for the value of a "??" assignment (the value box unless replaced).
    void setValueAsker(std::function<bool(const std::string&, double&)> asker) { m_asker = std::move(asker); }

    // How the last run ended.
    const mrw::BMacroResult& lastResult() const { return m_result; }
    bool running() const { return m_running; }
    const std::string& varfname() const { return m_varfname; }

    void OKBtnClick();
    void CancelBtnClick();
    void FormShow();

    // During a run, closing the dialog stops the run first.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool askValue(const std::string& prompt, double& value) override;
    void showLine(int line, const std::string& text, int percent) override;
    bool stopRequested() override;
    void paintLine();

    static constexpr qint64 PaintInterval = 40; // milliseconds
    static constexpr qint64 PumpInterval = 20;

    mrw::WorkspaceGlobals& m_globals;
    platform::Prompter& m_prompter;
    std::array<QRadioButton*, mrw::SubProgramFormatCount> m_formats{};
    std::function<std::vector<std::string>()> m_program;
    std::function<bool(const std::string&, double&)> m_asker;
    std::string m_varfname;
    mrw::BMacroResult m_result;
    bool m_running = false;
    bool m_cancel = false;
    QElapsedTimer m_clock;
    qint64 m_lastPaint = 0;
    qint64 m_lastPump = 0;
    int m_shownLine = 0;
    std::string m_shownText;
    int m_shownPercent = 0;
};
