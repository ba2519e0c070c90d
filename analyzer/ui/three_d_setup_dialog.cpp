#include "analyzer/ui/three_d_setup_dialog.h"

#include "analyzer/engine/analyzer_settings.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/top_glyph.h"
#include "math/ui/expression_field.h"
#include "analyzer/ui/qt_canvas.h"
#include "platform/numbers.h"
#include "platform/qt/help.h"
#include "platform/qt/shell_execute.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace vork {

namespace {
constexpr int HelpContext = 10025;
constexpr int SpinRepeatMilliseconds = 150;

QToolButton* arrowButton(QWidget* parent, Qt::ArrowType arrow, const char* name)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setObjectName(name);
    button->setAutoRepeat(true);
    button->setAutoRepeatInterval(SpinRepeatMilliseconds);
    return button;
}
} // namespace

ThreeDSetupDialog::ThreeDSetupDialog(ViewState& view, const AnalyzerSettings& settings, QWidget* parent)
    : QDialog(parent), m_view(view), m_settings(settings),
      m_previewCanvas(std::make_unique<ImageCanvas>(QSize(220, 220)))
{
    setWindowTitle("3D View Setup");
    m_preview = new CanvasView(m_previewCanvas.get(), this);
    m_preview->setFixedSize(220, 220);

    m_x = new QLineEdit("-50.0", this);
    m_y = new QLineEdit("-50.0", this);
    m_z = new QLineEdit("50.0", this);
    m_x->setObjectName("eyeX");
    m_y->setObjectName("eyeY");
    m_z->setObjectName("eyeZ");
    auto* fields = new QFormLayout;
    fields->addRow("X - Eye", m_x);
    fields->addRow("Y - Eye", m_y);
    fields->addRow("Z - Eye", m_z);
    for (QLineEdit* edit : {m_x, m_y, m_z})
        connect(edit, &QLineEdit::editingFinished, this, [this] { takeFields(); });
    m_distance = new QLabel("d: 86.603", this);
    m_distance->setObjectName("distance");
    fields->addRow(m_distance);

    // The star spinner: four arrows around a centre button for the default eye.
    auto* star = new QGridLayout;
    const struct {
        Qt::ArrowType arrow;
        const char* name;
        SpinDirection direction;
        int row, column;
    } arrows[] = {{Qt::UpArrow, "spinUp", SpinDirection::Up, 0, 1},
                  {Qt::DownArrow, "spinDown", SpinDirection::Down, 2, 1},
                  {Qt::LeftArrow, "spinLeft", SpinDirection::Left, 1, 0},
                  {Qt::RightArrow, "spinRight", SpinDirection::Right, 1, 2}};
    for (const auto& a : arrows) {
        QToolButton* button = arrowButton(this, a.arrow, a.name);
        button->setToolTip("Rotate View, Center Button for Default");
        const SpinDirection direction = a.direction;
        connect(button, &QToolButton::clicked, this, [this, direction] { spin(direction); });
        star->addWidget(button, a.row, a.column);
    }
    auto* centre = new QToolButton(this);
    centre->setObjectName("spinCentre");
    centre->setText("o");
    centre->setToolTip("Rotate View, Center Button for Default");
    connect(centre, &QToolButton::clicked, this, [this] { spin(SpinDirection::Centre); });
    star->addWidget(centre, 1, 1);

    auto* upDown = new QHBoxLayout;
    QToolButton* nearer = arrowButton(this, Qt::LeftArrow, "nearer");
    QToolButton* further = arrowButton(this, Qt::RightArrow, "further");
    connect(nearer, &QToolButton::clicked, this, [this] { moveEye(false); });
    connect(further, &QToolButton::clicked, this, [this] { moveEye(true); });
    upDown->addWidget(nearer);
    upDown->addWidget(further);

    m_presets = new QComboBox(this);
    m_presets->setObjectName("presets");
    for (const char* name : EyePresetNames)
        m_presets->addItem(name);
    connect(m_presets, &QComboBox::activated, this, [this](int index) { choosePreset(m_presets->itemText(index)); });

    auto* controls = new QVBoxLayout;
    controls->addLayout(fields);
    controls->addLayout(star);
    controls->addLayout(upDown);
    controls->addWidget(m_presets);
    controls->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(m_preview);
    top->addLayout(controls);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        takeFields();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    platform::bindHelpButton(*buttons->button(QDialogButtonBox::Help), HelpContext);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);

    m_window.SetBlackScreen(m_settings.blackBackground);
    m_window.Init(*m_previewCanvas);
    m_window.SetExt(-10, -10, 10, 10);
    m_window.SetThreeD(true, m_view.eye.x, m_view.eye.y, m_view.eye.z);
    m_window.SetupCanvas(*m_previewCanvas);
    m_window.Clearcanvas(*m_previewCanvas);
}

ThreeDSetupDialog::~ThreeDSetupDialog() = default;

void ThreeDSetupDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    showEye();
    drawPreview();
}

void ThreeDSetupDialog::showEye()
{
    m_x->setText(QString::fromStdString(platform::formatFixed(m_view.eye.x, 5)));
    m_y->setText(QString::fromStdString(platform::formatFixed(m_view.eye.y, 5)));
    m_z->setText(QString::fromStdString(platform::formatFixed(m_view.eye.z, 5)));
}

void ThreeDSetupDialog::drawPreview()
{
    Canvas& canvas = *m_previewCanvas;
    m_distance->setText(QString::fromStdString(EyeDistanceText(m_view.eye)));
    m_window.SetExt(-3, -3, 3, 3);
    m_window.SetupCanvas(canvas);
    m_window.SetBlackScreen(m_settings.blackBackground);
    m_window.SetThreeD(true, m_view.eye.x, m_view.eye.y, m_view.eye.z);
    m_window.Clearcanvas(canvas);
    m_window.Draw_Axis(canvas, false);
    DrawTopGlyph(m_window, canvas, 1.0);
    m_preview->update();
}

void ThreeDSetupDialog::takeFields()
{
    const EyePoint typed{evalLineEdit(m_x), evalLineEdit(m_y), evalLineEdit(m_z)};
    PolarEye polar;
    if (PolarFromEye(typed, polar))
        m_view.eye = typed;
    else
        showEye(); // an eye at the origin looks nowhere: the old one stays
    drawPreview();
}

void ThreeDSetupDialog::spin(SpinDirection direction)
{
    SpinEye(m_view.eye, direction);
    showEye();
    drawPreview();
}

void ThreeDSetupDialog::moveEye(bool further)
{
    ScaleEyeDistance(m_view.eye, further ? 1.1 : 0.9);
    showEye();
    drawPreview();
}

void ThreeDSetupDialog::choosePreset(const QString& name)
{
    PresetEye(name.toStdString(), m_view.eye);
    showEye();
    drawPreview();
}

} // namespace vork
