#pragma once
// The editor hands work on: the DNC terminal (DNC > Go), the analyzer (Run Vork
// Analyzer and the B-macro interpreter's automatic run, through ZV.INI) and the
// desktop calculator.
#include <QObject>

#include <memory>
#include <string>

class DncTerminalLink;
class TMainForm;

namespace platform {
class Prompter;
}

class HandOffCommands : public QObject {
    Q_OBJECT
public:
    HandOffCommands(TMainForm& mainForm, platform::Prompter& prompter);
    ~HandOffCommands() override;

    void Go1Click();
    void SpeedButton11Click(); // Run Vork Analyzer
    void BMacroInterpeter1Click();
    void Calculator1Click();

    // Writes the analyzer job into ZV.INI and starts the analyzer; false when it failed.
    bool RunAnalyzerHandOff(const std::string& ncFile);

    // The DNC terminal, made when first needed; null when the program supplies none.
    DncTerminalLink* dncTerminal();
    bool dncTerminalShowing() const;

private:
    TMainForm& m_main;
    platform::Prompter& m_prompter;
    std::unique_ptr<DncTerminalLink> m_dncTerminal;
};
