#include "workspace/ui/settings_dialog_mrw.h"

#include "workspace/engine/small_dialogs.h"
#include "workspace/ui/nc_lexer.h"

#include "math/engine/mathlib.h"
#include "math/ui/expression_field.h"
#include "platform/numbers.h"
#include "platform/qt/latin1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
// The check boxes and the settings they stand for.
struct CheckSetting {
    const char* key;
    bool mrw::ProgramSettings::*field;
};
const CheckSetting CheckSettings[] = {
    {"AUTOIND", &mrw::ProgramSettings::AutoIndent},     {"BACKUP", &mrw::ProgramSettings::Backup},
    {"PPRINT", &mrw::ProgramSettings::PrettyPrint},     {"CPRINT", &mrw::ProgramSettings::ColourPrint},
    {"WORDWRAP", &mrw::ProgramSettings::WordWrap},      {"WRAP2WINDOW", &mrw::ProgramSettings::WrapToWindow},
    {"NCWARN", &mrw::ProgramSettings::NcWarn},          {"USESECURE", &mrw::ProgramSettings::UseSecure},
    {"SHOWSYNTAX", &mrw::ProgramSettings::ShowSyntax},  {"WORDSTAR", &mrw::ProgramSettings::WordStar},
    {"FORCECAPS", &mrw::ProgramSettings::ForceCaps},    {"DNCALERT", &mrw::ProgramSettings::DncAlert},
    {"RTSLOWFORWRITE", &mrw::ProgramSettings::RtsLowForWrite},
};

std::uint32_t mrw::ProgramSettings::*const ColorSettings[] = {
    &mrw::ProgramSettings::AddressColor, &mrw::ProgramSettings::NumberColor, &mrw::ProgramSettings::CommentColor,
    &mrw::ProgramSettings::EditorColor,  &mrw::ProgramSettings::HighlightColor,
};

QComboBox* makeColorBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (const mrw::NamedColor& c : mrw::StandardColors) {
        QPixmap swatch(14, 14);
        swatch.fill(colorFromWindows(c.value));
        box->addItem(QIcon(swatch), QString::fromLatin1(c.name.data(), static_cast<qsizetype>(c.name.size())),
                     QVariant::fromValue(c.value));
    }
    return box;
}

// A value outside the sixteen colours is kept as an extra item.
void setColorBox(QComboBox* box, std::uint32_t value)
{
    const int index = mrw::standardColorIndex(value);
    if (index >= 0) {
        box->setCurrentIndex(index);
        return;
    }
    if (box->count() > static_cast<int>(mrw::StandardColors.size()))
        box->removeItem(box->count() - 1);
    QPixmap swatch(14, 14);
    swatch.fill(colorFromWindows(value));
    box->addItem(QIcon(swatch), "Custom", QVariant::fromValue(value));
    box->setCurrentIndex(box->count() - 1);
}

std::uint32_t colorOf(const QComboBox* box)
{
    return box->currentData().value<std::uint32_t>();
}

QSpinBox* makeSpin(int low, int high, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setRange(low, high);
    return spin;
}
}

TMrwSettingsDlg::TMrwSettingsDlg(mrw::ProgramSettings& settings, platform::Prompter& prompter, QWidget* parent)
    : TOKBottomDlg(parent), m_settings(settings), m_prompter(prompter)
{
    setWindowTitle("Marrowin 2013 Properties");
    addHelpButton(121);
    auto* tabs = new QTabWidget(body());
    auto* layout = new QVBoxLayout(body());
    layout->addWidget(tabs);
    tabs->addTab(generalPage(), "General");
    tabs->addTab(editorPage(), "Editor");
    tabs->addTab(dncPage(), "DNC");

    for (const char* key : {"SHOWSYNTAX", "WORDWRAP", "WRAP2WINDOW", "PPRINT", "CPRINT", "NCWARN", "USESECURE"})
        connect(check(key), &QCheckBox::toggled, this, &TMrwSettingsDlg::UpdateControlStates);
    connect(m_wrapToColumn, &QCheckBox::toggled, this, &TMrwSettingsDlg::UpdateControlStates);
    // "Wrap to Window" and "Wrap to Column" exclude each other.
    connect(check("WRAP2WINDOW"), &QCheckBox::clicked, this, [this](bool on) { m_wrapToColumn->setChecked(!on); });
    connect(m_wrapToColumn, &QCheckBox::clicked, this, [this](bool on) { check("WRAP2WINDOW")->setChecked(!on); });
    m_wrapToColumn->setChecked(!m_settings.WrapToWindow);
}

QCheckBox* TMrwSettingsDlg::addCheck(const char* setting, const QString& caption, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    m_checks.emplace_back(setting, box);
    return box;
}

QCheckBox* TMrwSettingsDlg::check(const char* setting) const
{
    for (const auto& [key, box] : m_checks)
        if (key == setting)
            return box;
    return nullptr;
}

QWidget* TMrwSettingsDlg::generalPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(addCheck("AUTOIND", "Auto Indentation", page), 0, 0);
    grid->addWidget(addCheck("BACKUP", "Create Backup File", page), 1, 0);
    grid->addWidget(addCheck("PPRINT", "Pretty Printing", page), 2, 0);
    grid->addWidget(addCheck("CPRINT", "In Color ?", page), 3, 0);

    auto* margins = new QGroupBox("Printer Margins in Inches", page);
    auto* mg = new QGridLayout(margins);
    m_marginL = new QLineEdit(margins);
    m_marginT = new QLineEdit(margins);
    m_marginB = new QLineEdit(margins);
    const std::pair<const char*, QLineEdit*> marginFields[] = {{"Left", m_marginL}, {"Top", m_marginT}, {"Bottom", m_marginB}};
    int row = 0;
    for (const auto& [caption, field] : marginFields) {
        mg->addWidget(new QLabel(caption, margins), row, 0);
        mg->addWidget(field, row++, 1);
        connect(field, &QLineEdit::editingFinished, this, [this, f = field] { validateMargin(f); });
    }
    grid->addWidget(margins, 4, 0, 3, 1);

    auto* tabType = new QGroupBox("Tab Type", page);
    auto* tv = new QVBoxLayout(tabType);
    const char* tabNames[] = {"Fixed Tabs", "Real Tabs", "Smart Tabs"};
    for (int i = 0; i < 3; ++i) {
        m_tabTypes[i] = new QRadioButton(tabNames[i], tabType);
        tv->addWidget(m_tabTypes[i]);
    }
    grid->addWidget(tabType, 0, 1, 3, 1);
    auto* tabRow = new QHBoxLayout;
    tabRow->addWidget(new QLabel("Tab Size", page));
    m_tabSize = makeSpin(-9999, 9999, page);
    tabRow->addWidget(m_tabSize);
    grid->addLayout(tabRow, 3, 1);

    grid->addWidget(addCheck("WORDWRAP", "Wordwrap", page), 4, 1);
    grid->addWidget(addCheck("WRAP2WINDOW", "Wrap to Window", page), 5, 1);
    auto* wrapRow = new QHBoxLayout;
    m_wrapToColumn = new QCheckBox("Wrap to Column", page);
    m_wrapColumn = makeSpin(-9999, 9999, page);
    wrapRow->addWidget(m_wrapToColumn);
    wrapRow->addWidget(m_wrapColumn);
    grid->addLayout(wrapRow, 6, 1);

    grid->addWidget(addCheck("NCWARN", "Warn Before Running Vork-Analyzer", page), 7, 0);
    grid->addWidget(addCheck("USESECURE", "Enable Password Security", page), 8, 0);
    auto* printerFont = new QPushButton("Printer Font", page);
    connect(printerFont, &QPushButton::clicked, this, [this] {
        bool ok = false;
        QFont initial(platform::toQString(m_settings.PrintFont.name), m_settings.PrintFont.size);
        initial.setBold(m_settings.PrintFont.bold);
        initial.setItalic(m_settings.PrintFont.italic);
        const QFont chosen = QFontDialog::getFont(&ok, initial, this, "Printer Font");
        if (ok)
            applyPrinterFont(chosen);
    });
    grid->addWidget(printerFont, 8, 1);
    return page;
}

QWidget* TMrwSettingsDlg::editorPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(addCheck("SHOWSYNTAX", "Syntax Highlighting", page), 0, 0);
    m_syntaxGroup = new QGroupBox("Syntax Highlight Colors", page);
    auto* sg = new QGridLayout(m_syntaxGroup);
    const char* syntaxNames[] = {"Alpha", "Non-Alpha", "Comments"};
    for (int i = 0; i < 3; ++i) {
        sg->addWidget(new QLabel(syntaxNames[i], m_syntaxGroup), i, 0);
        m_colors[static_cast<std::size_t>(i)] = makeColorBox(m_syntaxGroup);
        sg->addWidget(m_colors[static_cast<std::size_t>(i)], i, 1);
    }
    grid->addWidget(m_syntaxGroup, 1, 0, 3, 1);
    const char* otherNames[] = {"Editor Background Color", "Editor Text Select Color"};
    for (int i = 0; i < 2; ++i) {
        grid->addWidget(new QLabel(otherNames[i], page), 4 + 2 * i, 0);
        m_colors[static_cast<std::size_t>(3 + i)] = makeColorBox(page);
        grid->addWidget(m_colors[static_cast<std::size_t>(3 + i)], 5 + 2 * i, 0);
    }

    m_sample = new QLabel("N1 G00 X2.5 Y3.2", page);
    m_sample->setAutoFillBackground(true);
    m_sample->setFrameShape(QFrame::Box);
    m_sample->setMinimumHeight(40);
    grid->addWidget(m_sample, 0, 1, 2, 1);
    auto* editorFont = new QPushButton("Editor Font", page);
    connect(editorFont, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, m_editorFont, this, "Editor Font", QFontDialog::MonospacedFonts);
        if (ok)
            applyEditorFont(chosen);
    });
    grid->addWidget(editorFont, 2, 1);
    // The font dialog has no colour: the editor text colour has its own box.
    grid->addWidget(new QLabel("Editor Font Color", page), 3, 1);
    m_colors[5] = makeColorBox(page);
    grid->addWidget(m_colors[5], 4, 1);
    connect(m_colors[5], &QComboBox::activated, this, [this] { applyEditorFontColor(colorOf(m_colors[5])); });
    grid->addWidget(addCheck("WORDSTAR", "Wordstar Commands", page), 5, 1);
    grid->addWidget(addCheck("FORCECAPS", "Force Caps Lock", page), 6, 1);
    return page;
}

QWidget* TMrwSettingsDlg::dncPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    m_lineSkip = new QLineEdit(page);
    m_inBuffer = makeSpin(1024, 4096, page);
    m_outBuffer = makeSpin(1024, 4096, page);
    m_dtrDelay = makeSpin(-9999, 9999, page);
    m_comOpenDelay = makeSpin(-9999, 9999, page);
    const std::pair<const char*, QWidget*> rows[] = {
        {"Strip Comment Start ", m_lineSkip},  {"Receive Buffer Size", m_inBuffer},
        {"Send Buffer Size ", m_outBuffer},    {"DTR Delay (TRX-8 HUB)", m_dtrDelay},
        {"Com Port Open Delay", m_comOpenDelay},
    };
    int row = 0;
    for (const auto& [caption, field] : rows) {
        grid->addWidget(new QLabel(caption, page), row, 0);
        grid->addWidget(field, row++, 1);
    }
    grid->addWidget(addCheck("DNCALERT", "Alert After File Send/Receive", page), row++, 0, 1, 2);
    grid->addWidget(addCheck("RTSLOWFORWRITE", "Force RTS Low for Disk Writes", page), row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    return page;
}

void TMrwSettingsDlg::showEvent(QShowEvent* event)
{
    FormShow();
    TOKBottomDlg::showEvent(event);
}

void TMrwSettingsDlg::FormShow()
{
    setWindowTitle("Marrowin 2013 Properties");
    const mrw::ProgramSettings& s = m_settings;
    for (const CheckSetting& c : CheckSettings)
        check(c.key)->setChecked(s.*(c.field));
    m_marginL->setText(QString::fromStdString(platform::formatFixed(s.PrintMarginLeft, 5)));
    m_marginT->setText(QString::fromStdString(platform::formatFixed(s.PrintMarginTop, 5)));
    m_marginB->setText(QString::fromStdString(platform::formatFixed(s.PrintMarginBottom, 5)));
    if (s.TabType >= 0 && s.TabType <= 2)
        m_tabTypes[s.TabType]->setChecked(true);
    m_tabSize->setValue(s.TabSize);
    m_wrapColumn->setValue(s.WrapColumn);
    for (std::size_t i = 0; i < std::size(ColorSettings); ++i)
        setColorBox(m_colors[i], s.*ColorSettings[i]);
    setColorBox(m_colors[5], s.EditorFont.color);
    m_lineSkip->setText(platform::toQString(s.LineSkipMarker));
    m_inBuffer->setValue(s.ComInSize);
    m_outBuffer->setValue(s.ComOutSize);
    m_dtrDelay->setValue(mrw::delayTicksToSeconds(s.DtrDelayTicks));
    m_comOpenDelay->setValue(mrw::delayTicksToSeconds(s.ComOpenDelayTicks));
    showSample(m_editorFont);
    UpdateControlStates();
}

void TMrwSettingsDlg::UpdateControlStates()
{
    const mrw::PropertiesEnabling e =
        mrw::propertiesEnabling({check("SHOWSYNTAX")->isChecked(), check("WORDWRAP")->isChecked(),
                                 check("WRAP2WINDOW")->isChecked(), check("PPRINT")->isChecked()});
    m_syntaxGroup->setEnabled(e.syntaxColors);
    m_syntaxGroup->setTitle(QString::fromStdString(e.syntaxGroupCaption));
    check("WRAP2WINDOW")->setEnabled(e.wrapToWindow);
    m_wrapToColumn->setEnabled(e.wrapToColumn);
    m_wrapColumn->setEnabled(e.wrapColumn);
    check("CPRINT")->setEnabled(e.colourPrint);
}

bool TMrwSettingsDlg::validateMargin(QLineEdit* field)
{
    vork::LineEditEntry entry(field);
    vork::EvalEditExpression(entry, m_prompter, vork::WorkspaceExpressions());
    // An expression that did not evaluate keeps its text; a good one shows five decimals.
    const auto value = platform::parseReal(platform::toBytes(field->text()));
    return value.has_value() && platform::toBytes(field->text()) == platform::formatFixed(*value, 5);
}

void TMrwSettingsDlg::showSample(const QFont& font)
{
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, colorFromWindows(m_settings.EditorFont.color));
    m_sample->setPalette(palette);
    m_sample->setFont(font);
}

void TMrwSettingsDlg::applyEditorFont(const QFont& font)
{
    m_editorFont = font;
    m_settings.HasEditorFont = true;
    m_settings.EditorFont = {platform::toBytes(font.family()), font.pointSize(), m_settings.EditorFont.color,
                             font.bold(), font.italic()};
    showSample(font);
    emit editorFontChanged();
}

void TMrwSettingsDlg::applyEditorFontColor(std::uint32_t color)
{
    m_settings.EditorFont.color = color;
    showSample(m_editorFont);
    emit editorFontChanged();
}

void TMrwSettingsDlg::applyPrinterFont(const QFont& font)
{
    m_settings.PrintFont = {platform::toBytes(font.family()), font.pointSize(), 0, font.bold(), font.italic()};
}

bool TMrwSettingsDlg::validateNumbers()
{
    for (QSpinBox* spin : findChildren<QSpinBox*>()) {
        if (spin->hasAcceptableInput())
            continue;
        const std::string typed = platform::toBytes(spin->text());
        spin->interpretText(); // the field shows the value it holds, not the rejected text
        m_prompter.message("Marrowin", "'" + typed + "' is not a value from " + std::to_string(spin->minimum()) +
                                           " to " + std::to_string(spin->maximum()),
                           platform::MessageKind::Error, platform::Buttons::Ok);
        spin->setFocus();
        return false;
    }
    return true;
}

void TMrwSettingsDlg::accept()
{
    if (!validateNumbers())
        return;
    for (QLineEdit* margin : {m_marginL, m_marginT, m_marginB})
        if (!validateMargin(margin))
            return;
    mrw::ProgramSettings& s = m_settings;
    for (const CheckSetting& c : CheckSettings)
        s.*(c.field) = check(c.key)->isChecked();
    s.PrintMarginLeft = vork::StrToReal(platform::toBytes(m_marginL->text()));
    s.PrintMarginTop = vork::StrToReal(platform::toBytes(m_marginT->text()));
    s.PrintMarginBottom = vork::StrToReal(platform::toBytes(m_marginB->text()));
    for (int i = 0; i < 3; ++i)
        if (m_tabTypes[i]->isChecked())
            s.TabType = i;
    // The editor needs at least one column for a tab and for the wrap.
    s.TabSize = mrw::atLeastOne(m_tabSize->value());
    s.WrapColumn = mrw::atLeastOne(m_wrapColumn->value());
    for (std::size_t i = 0; i < std::size(ColorSettings); ++i)
        s.*ColorSettings[i] = colorOf(m_colors[i]);
    s.LineSkipMarker = platform::toBytes(m_lineSkip->text());
    s.ComInSize = m_inBuffer->value();
    s.ComOutSize = m_outBuffer->value();
    s.DtrDelayTicks = mrw::delaySecondsToTicks(m_dtrDelay->value());
    s.ComOpenDelayTicks = mrw::delaySecondsToTicks(m_comOpenDelay->value());
    TOKBottomDlg::accept();
}
