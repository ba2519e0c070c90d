#include "analyzer/ui/settings_dialog.h"

#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/engine/drawing_canvas.h"
#include "analyzer/ui/color_picker.h"
#include "platform/qt/latin1.h"
#include "platform/qt/help.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vork {

namespace {

constexpr int HelpContext = 3;

QCheckBox* addCheck(QVBoxLayout* layout, const char* text, const char* name)
{
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    layout->addWidget(box);
    return box;
}

QLineEdit* addText(QFormLayout* layout, const char* label, const char* name)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    layout->addRow(label, edit);
    return edit;
}

} // namespace

SettingsDialog::SettingsDialog(AnalyzerSettings& settings, ColorPicker& picker, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_picker(picker)
{
    setWindowTitle("Settings");
    auto* tabs = new QTabWidget(this);

    auto* general = new QWidget;
    auto* generalLayout = new QVBoxLayout(general);
    m_edit = addCheck(generalLayout, "Edit Mode", "edit");
    m_limits = addCheck(generalLayout, "Limit Checking", "limits");
    m_sub = addCheck(generalLayout, "Sub Program Mode", "sub");
    m_speed = new QSpinBox;
    m_speed->setObjectName("speed");
    m_speed->setRange(MinRunSpeed, MaxRunSpeed);
    auto* speedRow = new QHBoxLayout;
    speedRow->addWidget(new QLabel("Delay Between Blocks"));
    speedRow->addWidget(m_speed);
    speedRow->addStretch();
    generalLayout->addLayout(speedRow);
    m_rotary = addCheck(generalLayout, "Use Rotary Positions", "userotary");
    generalLayout->addStretch();
    tabs->addTab(general, "&General");

    auto* display = new QWidget;
    auto* displayLayout = new QVBoxLayout(display);
    m_arrows = addCheck(displayLayout, "Direction Arrows", "arrows");
    m_dash = addCheck(displayLayout, "Show Dashed Lines for Rapid", "dash");
    m_ruler = addCheck(displayLayout, "Show Ruler", "ruler");
    m_axis = addCheck(displayLayout, "Show Axis", "axis");
    m_positions = addCheck(displayLayout, "Update Position Display", "posup");
    m_black = addCheck(displayLayout, "Black Background", "blackback");
    auto* rapidButton = new QPushButton("Set Rapid Color");
    rapidButton->setObjectName("rapidColor");
    connect(rapidButton, &QPushButton::clicked, this, &SettingsDialog::chooseRapidColor);
    m_rapidSwatch = new QFrame;
    m_rapidSwatch->setObjectName("rapidSwatch");
    m_rapidSwatch->setFrameShape(QFrame::Box);
    m_rapidSwatch->setFixedSize(40, 20);
    m_rapidSwatch->setAutoFillBackground(true);
    auto* rapidRow = new QHBoxLayout;
    rapidRow->addWidget(rapidButton);
    rapidRow->addWidget(m_rapidSwatch);
    rapidRow->addStretch();
    displayLayout->addLayout(rapidRow);
    displayLayout->addStretch();
    tabs->addTab(display, "&Display");

    auto* defaults = new QWidget;
    auto* defaultsLayout = new QFormLayout(defaults);
    m_tapeDir = addText(defaultsLayout, "Default Directory", "tapedir");
    m_extension = addText(defaultsLayout, "Default File Extension", "defext");
    m_machine = addText(defaultsLayout, "Default Machine Name", "defmch");
    // Kept for the file's sake; nothing starts this editor.
    m_editor = new QLineEdit(defaults);
    m_editor->setObjectName("defedit");
    m_editor->hide();
    m_editor->setEnabled(false);
    tabs->addTab(defaults, "&De&faults");

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    platform::bindHelpButton(*buttons->button(QDialogButtonBox::Help), HelpContext);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

void SettingsDialog::showEvent(QShowEvent* event)
{
    loadControls();
    QDialog::showEvent(event);
}

void SettingsDialog::loadControls()
{
    const AnalyzerSettings& s = m_settings;
    m_edit->setChecked(s.edit);
    m_limits->setChecked(s.limits);
    m_sub->setChecked(s.sub);
    m_speed->setValue(ClampRunSpeed(s.speed));
    m_rotary->setChecked(s.useRotary);
    m_arrows->setChecked(s.arrows);
    m_dash->setChecked(s.dash);
    m_ruler->setChecked(s.ruler);
    m_axis->setChecked(s.axis);
    m_positions->setChecked(s.positionUpdate);
    m_black->setChecked(s.blackBackground);
    m_tapeDir->setText(platform::toQString(s.tapeDir));
    m_extension->setText(platform::toQString(s.defaultExtension));
    m_machine->setText(platform::toQString(s.defaultMachine));
    m_editor->setText(platform::toQString(s.defaultEditor));
    showRapidColor();
}

void SettingsDialog::showRapidColor()
{
    const Rgb c = PaletteColor(m_settings.rapidColor);
    QPalette palette = m_rapidSwatch->palette();
    palette.setColor(QPalette::Window, QColor(c.red, c.green, c.blue));
    m_rapidSwatch->setPalette(palette);
}

void SettingsDialog::chooseRapidColor()
{
    m_picker.Setpen(m_settings.rapidColor);
    if (m_picker.exec() != QDialog::Accepted)
        return;
    m_settings.rapidColor = m_picker.GetPen();
    showRapidColor();
}

void SettingsDialog::accept()
{
    AnalyzerSettings& s = m_settings;
    s.edit = m_edit->isChecked();
    s.limits = m_limits->isChecked();
    s.sub = m_sub->isChecked();
    s.speed = ClampRunSpeed(m_speed->value());
    s.useRotary = m_rotary->isChecked();
    s.arrows = m_arrows->isChecked();
    s.dash = m_dash->isChecked();
    s.ruler = m_ruler->isChecked();
    s.axis = m_axis->isChecked();
    s.positionUpdate = m_positions->isChecked();
    s.blackBackground = m_black->isChecked();
    s.tapeDir = platform::toBytes(m_tapeDir->text());
    s.defaultExtension = platform::toBytes(m_extension->text());
    s.defaultMachine = platform::toBytes(m_machine->text());
    s.defaultEditor = platform::toBytes(m_editor->text());
    QDialog::accept();
}

} // namespace vork
