#pragma once
// The option dialogs of the number-word utilities: feed/speed override, arithmetic and
// reformat. Arithmetic and reformat are bound to the current machine's settings; the
// override percents and "Allow Mixed Decimal/Trailing" stay in the dialogs.
#include "workspace/ui/utility_options_dialog.h"

#include "workspace/engine/machine_settings.h"

#include "platform/host.h"

#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QTableWidget;

class TFSoverDlg : public UtilityOptionsDlg {
    Q_OBJECT
public:
    explicit TFSoverDlg(QWidget* parent = nullptr);
    int feedPercent() const { return m_feedPercent; }
    int speedPercent() const { return m_speedPercent; }

    // The slider position's percent: 5 % to 200 % in steps of 5.
    static int percentOf(int position) { return position * 5 + 100; }

private:
    QSlider* slider(const char* name, QLabel* label, int& percent);
    int m_feedPercent = 100;
    int m_speedPercent = 100;
};

class TArithDlg : public UtilityOptionsDlg {
    Q_OBJECT
public:
    TArithDlg(mrw::MachineSettings& settings, platform::Prompter& prompter, QWidget* parent = nullptr);

    // Refuses a division by zero and stays open.
    void accept() override;

private:
    mrw::MachineSettings& m_settings;
    platform::Prompter& m_prompter;
    QLineEdit* m_amount;
};

class TReformatDlg : public UtilityOptionsDlg {
    Q_OBJECT
public:
    // machineNames: the items of the main window's machine selector; currentMachine: its
    // selected item.
    TReformatDlg(mrw::MachineSettings& settings, platform::Prompter& prompter,
                 std::function<QStringList()> machineNames, std::function<QString()> currentMachine,
                 QWidget* parent = nullptr);

    bool mixedOk() const;
    QString newMachine() const;

    // Refuses the machine that is current already and stays open.
    void accept() override;

private:
    void fillRows();
    mrw::MachineSettings& m_settings;
    platform::Prompter& m_prompter;
    std::function<QStringList()> m_machineNames;
    std::function<QString()> m_currentMachine;
    QCheckBox* m_mixOk;
    QComboBox* m_names;
    QTableWidget* m_grid;
};
