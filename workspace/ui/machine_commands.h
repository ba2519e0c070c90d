#pragma once
// The machine selector on the toolbar and Machine/DNC Setup: the machine names of the
// database, the machine the operator picks, and the setup dialog behind the
// change-system-settings right.
#include <QObject>

#include <string>

class QComboBox;
class TMainForm;

namespace platform {
class Prompter;
}

class MachineCommands : public QObject {
    Q_OBJECT
public:
    MachineCommands(TMainForm& mainForm, QComboBox& selector, platform::Prompter& prompter);

    // Fills the selector from the machine database and selects the current machine.
    void LoadMachineNames();
    // A machine chosen in the selector becomes the current one.
    void MnameboxChange(int index);
    void NCCodeSetup1Click();
    // The machine the selector shows becomes the current one when it is not already.
    void selectMachineShownInSelector();

private:
    TMainForm& m_main;
    QComboBox& m_selector;
    platform::Prompter& m_prompter;
};
