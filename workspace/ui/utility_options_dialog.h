#pragma once
// The base of the NC utilities' option dialogs: OK, Cancel and Help along the bottom,
// and controls bound live to fields of the current machine's settings (what is typed
// goes straight in, so it stays after Cancel until the next machine is loaded). The
// controls show the fields again every time the dialog is shown.
#include "platform/qt/ok_bottom_dialog.h"

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QFormLayout;
class QLineEdit;

class UtilityOptionsDlg : public TOKBottomDlg {
    Q_OBJECT
public:
    UtilityOptionsDlg(const QString& caption, int helpTopic, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

    // A text field named `name` bound to `field`.
    QLineEdit* boundText(const char* name, std::string& field);
    QCheckBox* boundCheck(const char* name, const QString& caption, bool& field);
    // Runs when the dialog is shown, after the bound controls were refreshed.
    void onShow(std::function<void()> refresh) { m_refreshers.push_back(std::move(refresh)); }

private:
    std::vector<std::function<void()>> m_refreshers;
};

// A line edit with an object name.
QLineEdit* namedEdit(const char* name, const QString& text, QWidget* parent = nullptr);
