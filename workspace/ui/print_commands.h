#pragma once
// Print setup and printing of the active editor child: pretty printing (NC syntax
// styles and a page header) painted on the printer, or plain text. One printer is kept
// for the run.
#include "workspace/engine/print_layout.h"

#include "platform/host.h"

#include <QObject>

#include <functional>
#include <memory>

class QPrinter;
class TMainForm;

class PrintCommands : public QObject {
    Q_OBJECT
public:
    PrintCommands(TMainForm& mainForm, platform::Prompter& prompter);
    ~PrintCommands() override;

    // Shows the print dialog on the printer (selectionAvailable: the range "Selection"
    // is offered); true to print. Tests answer here.
    using PrintDialogRunner = std::function<bool(QPrinter& printer, bool selectionAvailable)>;
    void setPrintDialogRunner(PrintDialogRunner runner) { m_runDialog = std::move(runner); }

    void PrintSetup1Click();
    void Print1Click();

    QPrinter& printer() { return *m_printer; }
    // Pages the last pretty print laid out (every pass).
    int lastPageCount() const { return m_lastPages; }

private:
    bool printPretty(const std::vector<std::string>& lines, const std::string& fileName, long long byteCount,
                     int passes, const std::string& dateTime);
    bool printPlain(const std::vector<std::string>& lines, const std::string& fileName, int passes,
                    const std::string& dateTime);
    void reportFailure(const QString& text);

    TMainForm& m_main;
    platform::Prompter& m_prompter;
    std::unique_ptr<QPrinter> m_printer;
    PrintDialogRunner m_runDialog;
    int m_lastPages = 0;
};

// The date and time as the printouts and the Insert menu write them.
std::string currentDateTimeText();
