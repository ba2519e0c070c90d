#pragma once
// "Settings": the analyzer's preferences on three tabs. Showing the dialog puts the
// settings into its controls; OK puts them back. The rapid colour is taken at once when
// chosen, so it stays even when the dialog is then cancelled.
#include <QDialog>

class QCheckBox;
class QFrame;
class QLineEdit;
class QSpinBox;

namespace vork {

struct AnalyzerSettings;
class ColorPicker;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(AnalyzerSettings& settings, ColorPicker& picker, QWidget* parent = nullptr);

    void accept() override;
    // "Set Rapid Color": the picker with the rapid colour preselected.
    void chooseRapidColor();


protected:
    void showEvent(QShowEvent* event) override;

private:
    void loadControls();
    void showRapidColor();

    AnalyzerSettings& m_settings;
    ColorPicker& m_picker;
    QCheckBox* m_edit;
    QCheckBox* m_limits;
    QCheckBox* m_sub;
    QSpinBox* m_speed;
    QCheckBox* m_rotary;
    QCheckBox* m_arrows;
    QCheckBox* m_dash;
    QCheckBox* m_ruler;
    QCheckBox* m_axis;
    QCheckBox* m_positions;
    QCheckBox* m_black;
    QFrame* m_rapidSwatch;
    QLineEdit* m_tapeDir;
    QLineEdit* m_extension;
    QLineEdit* m_machine;
    QLineEdit* m_editor;
};

} // namespace vork
