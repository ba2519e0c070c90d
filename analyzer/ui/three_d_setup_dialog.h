#pragma once
// "3D View Setup": sets the eye point of the 3D view by coordinates, by turning it with the
// star spinner, by moving it nearer or further, or by a preset, with a preview of the
// TOP glyph seen from there. It works on the view's eye point directly: Cancel keeps
// what was set, and the main view takes it up at its next change.
#include "analyzer/engine/drawing.h"
#include "analyzer/engine/view_state.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;

namespace vork {

struct AnalyzerSettings;
class CanvasView;
class ImageCanvas;

class ThreeDSetupDialog : public QDialog {
    Q_OBJECT
public:
    ThreeDSetupDialog(ViewState& view, const AnalyzerSettings& settings, QWidget* parent = nullptr);
    ~ThreeDSetupDialog() override;

    void spin(SpinDirection direction);
    // The up-down control: the right arrow (further) or the left one (nearer).
    void moveEye(bool further);
    void choosePreset(const QString& name);
    // The three fields evaluated and taken as the eye; an eye at the origin is refused
    // and the old one kept.
    void takeFields();
    const ImageCanvas& preview() const { return *m_previewCanvas; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showEye();
    void drawPreview();

    ViewState& m_view;
    const AnalyzerSettings& m_settings;
    Trwindow m_window;
    std::unique_ptr<ImageCanvas> m_previewCanvas;
    CanvasView* m_preview;
    QLineEdit* m_x;
    QLineEdit* m_y;
    QLineEdit* m_z;
    QLabel* m_distance;
    QComboBox* m_presets;
};

} // namespace vork
