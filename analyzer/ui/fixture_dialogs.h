#pragma once
// The fixture dialogs: "Fixture Display" loads, clears, shows or hides the fixture drawn
// under the tool path; "DXF Import" takes the transformation, the layer and the colour
// of one drawing and imports it into the fixture table.
#include "analyzer/engine/dxf_import.h"

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QWidget;

namespace platform {
class Prompter;
}

namespace vork {

class Tmdvform;

class TDXFinDlg : public QDialog {
    Q_OBJECT
public:
    TDXFinDlg(FixtureTable& table, bool latheMachine, platform::Prompter& prompter, QWidget* parent = nullptr);

    void SetDXFfname(const std::string& name) { m_fileName = name; }
    const std::string& DXFFname() const { return m_fileName; }

    // The import as the fields say; false, importing nothing, when a field is refused.
    bool readOptions(DxfImportOptions& options);
    void OKBtnClick();

    QLineEdit* edXOFF;
    QLineEdit* edYOFF;
    QLineEdit* edZoff;
    QLineEdit* Rotangle;
    QLineEdit* Edxbase;
    QLineEdit* edybase;
    QCheckBox* CBAlllayers;
    QLabel* layerLabel;
    QLineEdit* Edlayer;
    QSpinBox* edcolor;
    QLabel* Panel1;

private:
    void EnableImportControls();

    FixtureTable& m_table;
    bool m_lathe;
    platform::Prompter& m_prompter;
    std::string m_fileName;
};

class TFixtureDlg : public QDialog {
    Q_OBJECT
public:
    TFixtureDlg(FixtureTable& table, const bool& latheMachine, platform::Prompter& prompter, QWidget* parent = nullptr);

    void BloadClick();
    void BclearClick();
    void OKBtnClick();

    // How a drawing is chosen and how the import dialog is run; tests replace them.
    std::function<QString()> chooseDrawing;
    std::function<int(TDXFinDlg&)> runImport = [](TDXFinDlg& d) { return d.exec(); };

    QLabel* Label1;
    QCheckBox* Bdisplay;

private:
    FixtureTable& m_table;
    const bool& m_lathe;
    platform::Prompter& m_prompter;
    QString m_lastFolder;
};

// View "&Fixture": the fixture dialog, modal; the drawing is repainted afterwards, since a
// load or clear stays done even when the dialog is cancelled.
void ShowFixtureDialog(Tmdvform& window);

} // namespace vork
