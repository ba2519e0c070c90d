#include "workspace/ui/calculator_commands.h"

#include "workspace/ui/desk_calculator_window.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"
#include "workspace/ui/speed_feed_dialog.h"
#include "workspace/ui/triangle_dialog.h"

#include "workspace/engine/users.h"

namespace {
constexpr const char* ResultsWindowCaption = "Marrowin Results";
}

CalculatorCommands& CalculatorCommands::of(TMainForm& main)
{
    if (auto* existing = main.findChild<CalculatorCommands*>(QString(), Qt::FindDirectChildrenOnly))
        return *existing;
    return *new CalculatorCommands(main);
}

CalculatorCommands::CalculatorCommands(TMainForm& main)
    : QObject(&main), m_main(main), m_runDialog([](QDialog& dialog) { return dialog.exec(); })
{
}

TBcalcform& CalculatorCommands::calculatorWindow()
{
    if (!m_calculator)
        m_calculator = new TBcalcform(&m_main);
    return *m_calculator;
}

TTriangleDlg& CalculatorCommands::triangleDialog()
{
    if (!m_triangle)
        m_triangle = new TTriangleDlg(m_main.prompter(), &m_main);
    return *m_triangle;
}

TSFCalcDlg& CalculatorCommands::speedFeedDialog()
{
    if (!m_speedFeed)
        m_speedFeed = new TSFCalcDlg(m_main.prompter(), &m_main);
    return *m_speedFeed;
}

void CalculatorCommands::BraskCalc1Click()
{
    TBcalcform& window = calculatorWindow();
    window.show();
    window.raise();
    window.activateWindow();
}

void CalculatorCommands::TriangleSolver1Click()
{
    if (m_runDialog(triangleDialog()) != QDialog::Accepted)
        return;
    if (!mrw::userSession().CheckPrivilege(mrw::rights::EditFiles, true)) {
        m_main.prompter().message("Marrowin", "Triangle Results Placed in WINDOWS Clipboard",
                                  platform::MessageKind::Information, platform::Buttons::Ok);
        return;
    }
    pasteIntoResults();
}

void CalculatorCommands::SpeedFeedCalculator1Click()
{
    if (m_runDialog(speedFeedDialog()) == QDialog::Accepted)
        pasteIntoResults();
}

void CalculatorCommands::pasteIntoResults()
{
    m_main.ShowResultsWindow();
    for (TMDIChild* child : m_main.children()) {
        if (child->fileName() == ResultsWindowCaption) {
            child->ActivePane->paste();
            return;
        }
    }
}
