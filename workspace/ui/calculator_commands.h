#pragma once
// The Calculators menu's own calculators: the desk calculator window, and the triangle
// solver and the speed and feed calculator, whose reports are pasted into the results
// window. The windows are made once for a main window and keep their fields.
#include <QObject>

#include <functional>

class QDialog;
class TBcalcform;
class TMainForm;
class TSFCalcDlg;
class TTriangleDlg;

class CalculatorCommands : public QObject {
    Q_OBJECT
public:
    // The calculators of `main`, made on first use.
    static CalculatorCommands& of(TMainForm& main);

    // Shows a dialog modally and gives its result; tests answer here.
    using DialogRunner = std::function<int(QDialog& dialog)>;
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }

    // "&Brask-Calc": the calculator window, modeless.
    void BraskCalc1Click();
    // "&Triangle Solver": after OK the report goes into the results window for a user
    // with the edit-files right; without it the operator is told it is on the clipboard.
    void TriangleSolver1Click();
    // "&Speed Feed Calculator": after OK the report goes into the results window.
    void SpeedFeedCalculator1Click();

    TBcalcform& calculatorWindow();
    TTriangleDlg& triangleDialog();
    TSFCalcDlg& speedFeedDialog();

private:
    explicit CalculatorCommands(TMainForm& main);
    void pasteIntoResults();

    TMainForm& m_main;
    DialogRunner m_runDialog;
    TBcalcform* m_calculator = nullptr;
    TTriangleDlg* m_triangle = nullptr;
    TSFCalcDlg* m_speedFeed = nullptr;
};
