#pragma once
// The Properties dialog: edits the program settings. OK takes every value; Cancel takes
// none, except the fonts, which change as soon as they are chosen.
#include "platform/qt/ok_bottom_dialog.h"

#include "workspace/engine/program_settings.h"

#include "platform/host.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

class TMrwSettingsDlg : public TOKBottomDlg {
    Q_OBJECT
public:
    TMrwSettingsDlg(mrw::ProgramSettings& settings, platform::Prompter& prompter, QWidget* parent = nullptr);

    // The editor font as it is in use (the built-in one until a font is chosen).
    void setEditorFont(const QFont& font) { m_editorFont = font; }

    // Every control takes its setting.
    void FormShow();
    // OK: every setting takes its control's value; stays open while a margin is wrong.
    void accept() override;
    void UpdateControlStates();
    // Evaluates a margin field; false (with the message shown) when it is no expression.
    bool validateMargin(QLineEdit* field);
    // A number field that holds text out of its range shows its value again and is
    // reported; false when one did.
    bool validateNumbers();
    // The fonts change at once, also when the dialog is then cancelled.
    void applyEditorFont(const QFont& font);
    void applyEditorFontColor(std::uint32_t color);
    void applyPrinterFont(const QFont& font);

    // Controls, for the windows' tests.
    QCheckBox* check(const char* setting) const;
    QLineEdit* marginLeft() const { return m_marginL; }
    QLineEdit* marginTop() const { return m_marginT; }
    QLineEdit* marginBottom() const { return m_marginB; }
    QSpinBox* tabSize() const { return m_tabSize; }
    QSpinBox* wrapColumn() const { return m_wrapColumn; }
    QSpinBox* dtrDelay() const { return m_dtrDelay; }
    QSpinBox* comOpenDelay() const { return m_comOpenDelay; }
    QSpinBox* sendBufferSize() const { return m_outBuffer; }
    QComboBox* colorBox(int index) const { return m_colors[static_cast<std::size_t>(index)]; }
    QGroupBox* syntaxGroup() const { return m_syntaxGroup; }
    QLabel* sample() const { return m_sample; }

signals:
    // The editor font (or its colour) changed; the settings hold the new font.
    void editorFontChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* generalPage();
    QWidget* editorPage();
    QWidget* dncPage();
    QCheckBox* addCheck(const char* setting, const QString& caption, QWidget* parent);
    void showSample(const QFont& font);

    mrw::ProgramSettings& m_settings;
    platform::Prompter& m_prompter;
    QFont m_editorFont;
    std::vector<std::pair<std::string, QCheckBox*>> m_checks;
    QLineEdit* m_marginL = nullptr;
    QLineEdit* m_marginT = nullptr;
    QLineEdit* m_marginB = nullptr;
    QRadioButton* m_tabTypes[3] = {};
    QSpinBox* m_tabSize = nullptr;
    QCheckBox* m_wrapToColumn = nullptr;
    QSpinBox* m_wrapColumn = nullptr;
    QGroupBox* m_syntaxGroup = nullptr;
    std::array<QComboBox*, 6> m_colors{}; // alpha, non-alpha, comments, background, selection, font
    QLabel* m_sample = nullptr;
    QLineEdit* m_lineSkip = nullptr;
    QSpinBox* m_inBuffer = nullptr;
    QSpinBox* m_outBuffer = nullptr;
    QSpinBox* m_dtrDelay = nullptr;
    QSpinBox* m_comOpenDelay = nullptr;
};
