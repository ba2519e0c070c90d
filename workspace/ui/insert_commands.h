#pragma once
// The Insert menu's own items (files, date and time, the file name) and Strip TABS.
// Each needs an open file first.
#include "platform/host.h"

#include <QObject>

class TMainForm;

class InsertCommands : public QObject {
    Q_OBJECT
public:
    InsertCommands(TMainForm& mainForm, platform::Prompter& prompter);

    // Inserts the lines of the chosen files at the caret, each file read whole first.
    void File2Click();
    void DateTime1Click();
    void CurrentFileName1Click();
    void StripTabs1Click();

private:
    void pasteText(const QString& text);
    TMainForm& m_main;
    platform::Prompter& m_prompter;
};
