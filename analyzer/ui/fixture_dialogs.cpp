#include "analyzer/ui/fixture_dialogs.h"

#include "analyzer/engine/drawing_canvas.h"
#include "math/engine/expression.h"
#include "analyzer/engine/fixture_display.h"
#include "math/engine/mathlib.h"
#include "math/ui/expression_field.h"
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/qt_canvas.h"
#include "platform/paths.h"
#include "platform/qt/help.h"
#include "platform/qt/latin1.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <charconv>

namespace vork {

namespace {
constexpr int HelpTopic = 4;

QDialogButtonBox* okCancelHelp(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    platform::bindHelpButton(*buttons->button(QDialogButtonBox::Help), HelpTopic);
    return buttons;
}

// A whole number as typed, blanks around it allowed.
bool wholeNumber(const std::string& text, int& value)
{
    const std::string_view t = platform::trimBlanks(text);
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    return !t.empty() && ec == std::errc() && ptr == t.data() + t.size();
}
} // namespace

// ---- DXF Import ----

TDXFinDlg::TDXFinDlg(FixtureTable& table, bool latheMachine, platform::Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_table(table), m_lathe(latheMachine), m_prompter(prompter)
{
    setWindowTitle("DXF Import");
    setObjectName("DXFinDlg");
    const auto field = [this](const char* name) {
        auto* edit = new QLineEdit("0.0", this);
        edit->setObjectName(name);
        connect(edit, &QLineEdit::editingFinished, this, [edit] { evalLineEdit(edit); });
        return edit;
    };
    edXOFF = field("edXOFF");
    edYOFF = field("edYOFF");
    edZoff = field("edZoff");
    Rotangle = field("Rotangle");
    Edxbase = field("Edxbase");
    edybase = field("edybase");

    auto* translation = new QGroupBox("Translation", this);
    auto* tl = new QFormLayout(translation);
    tl->addRow("-X- Offset", edXOFF);
    tl->addRow("-Y- Offset", edYOFF);
    tl->addRow("-Z- Offset", edZoff);

    auto* rotation = new QGroupBox("Rotation", this);
    auto* rl = new QFormLayout(rotation);
    rl->addRow("Rotation Angle", Rotangle);
    rl->addRow("-X- Rotation Base", Edxbase);
    rl->addRow("-Y- Rotation Base", edybase);

    CBAlllayers = new QCheckBox("All Layers", this);
    CBAlllayers->setObjectName("CBAlllayers");
    CBAlllayers->setChecked(true);
    layerLabel = new QLabel("Layer Name :", this);
    Edlayer = new QLineEdit(this);
    Edlayer->setObjectName("Edlayer");
    layerLabel->setBuddy(Edlayer);
    edcolor = new QSpinBox(this);
    edcolor->setObjectName("edcolor");
    edcolor->setRange(1, 15);
    edcolor->setValue(9);
    Panel1 = new QLabel("Sample", this);
    Panel1->setObjectName("Panel1");
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setAutoFillBackground(true);
    Panel1->setMinimumSize(80, 24);
    connect(CBAlllayers, &QCheckBox::toggled, this, [this] { EnableImportControls(); });
    connect(edcolor, &QSpinBox::valueChanged, this, [this] { EnableImportControls(); });

    auto* layers = new QFormLayout;
    layers->addRow(CBAlllayers);
    layers->addRow(layerLabel, Edlayer);
    auto* colour = new QHBoxLayout;
    colour->addWidget(new QLabel("Default Color:", this));
    colour->addWidget(edcolor);
    colour->addWidget(Panel1);
    layers->addRow(colour);

    auto* groups = new QHBoxLayout;
    groups->addWidget(translation);
    groups->addWidget(rotation);

    QDialogButtonBox* buttons = okCancelHelp(this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OKBtnClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(layers);
    layout->addWidget(buttons);
    EnableImportControls();
}

void TDXFinDlg::EnableImportControls()
{
    const QColor c = paletteQColor(edcolor->value());
    QPalette palette = Panel1->palette();
    palette.setColor(QPalette::Window, c);
    palette.setColor(QPalette::WindowText, qGray(c.rgb()) < 128 ? Qt::white : Qt::black);
    Panel1->setPalette(palette);
    const bool oneLayer = !CBAlllayers->isChecked();
    layerLabel->setEnabled(oneLayer);
    Edlayer->setEnabled(oneLayer);
}

bool TDXFinDlg::readOptions(DxfImportOptions& o)
{
    const struct {
        QLineEdit* edit;
        double* value;
    } numbers[] = {{edXOFF, &o.xOffset}, {edYOFF, &o.yOffset}, {edZoff, &o.zOffset},
                   {Rotangle, &o.rotationDegrees}, {Edxbase, &o.xBase}, {edybase, &o.yBase}};
    for (const auto& n : numbers) {
        const ExpressionResult r = EvaluateExpression(platform::toBytes(n.edit->text().toUpper()), AnalyzerExpressions());
        if (!r.ok()) {
            evalLineEdit(n.edit); // says what is wrong and puts the focus there
            return false;
        }
        *n.value = r.value;
    }
    o.allLayers = CBAlllayers->isChecked();
    if (!o.allLayers && !wholeNumber(platform::toBytes(Edlayer->text()), o.layer)) {
        m_prompter.message("DXF Import", "The Layer Name must be a layer number.", platform::MessageKind::Error,
                           platform::Buttons::Ok);
        Edlayer->setFocus(Qt::OtherFocusReason);
        return false;
    }
    o.startColor = edcolor->value();
    o.lathe = m_lathe;
    return true;
}

void TDXFinDlg::OKBtnClick()
{
    DxfImportOptions options;
    if (!readOptions(options))
        return;
    const DxfImportResult result = ImportDXFFile(m_fileName, options, m_table);
    if (!result.message.empty())
        m_prompter.message("DXF Import", result.message,
                           result.tableFull ? platform::MessageKind::Warning : platform::MessageKind::Error,
                           platform::Buttons::Ok);
    if (result.opened)
        accept();
    else
        reject();
}

// ---- Fixture Display ----

TFixtureDlg::TFixtureDlg(FixtureTable& table, const bool& latheMachine, platform::Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_table(table), m_lathe(latheMachine), m_prompter(prompter)
{
    setWindowTitle("Fixture Display");
    setObjectName("FixtureDlg");
    Label1 = new QLabel("[None Loaded]", this);
    Label1->setObjectName("Label1");
    Label1->setFrameShape(QFrame::StyledPanel);
    auto* load = new QPushButton("&Load", this);
    load->setObjectName("Bload");
    auto* clear = new QPushButton("Clea&r", this);
    clear->setObjectName("Bclear");
    Bdisplay = new QCheckBox("Display Fixture", this);
    Bdisplay->setObjectName("Bdisplay");
    connect(load, &QPushButton::clicked, this, [this] { BloadClick(); });
    connect(clear, &QPushButton::clicked, this, [this] { BclearClick(); });

    chooseDrawing = [this] {
        return QFileDialog::getOpenFileName(this, "Load Fixture", m_lastFolder, "DXF Files (*.DXF *.dxf)");
    };

    QDialogButtonBox* buttons = okCancelHelp(this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OKBtnClick(); });

    auto* row = new QHBoxLayout;
    row->addWidget(load);
    row->addWidget(clear);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(row);
    layout->addWidget(Bdisplay);
    layout->addWidget(buttons);
}

void TFixtureDlg::BloadClick()
{
    const QString name = chooseDrawing ? chooseDrawing() : QString();
    if (name.isEmpty())
        return;
    m_lastFolder = QFileInfo(name).absolutePath();
    TDXFinDlg import(m_table, m_lathe, m_prompter, this);
    import.SetDXFfname(platform::toBytes(QFileInfo(name).absoluteFilePath()));
    if (runImport(import) != QDialog::Accepted)
        return;
    Label1->setText(QFileInfo(name).fileName());
    Bdisplay->setChecked(true);
}

void TFixtureDlg::BclearClick()
{
    m_table.Clear();
    Label1->setText("[None Loaded]");
    Bdisplay->setChecked(false);
}

void TFixtureDlg::OKBtnClick()
{
    if (Bdisplay->isChecked() && !m_table.loaded) {
        m_prompter.message("Fixture Display", "Fixture Has not Been Loaded", platform::MessageKind::Error,
                           platform::Buttons::Ok);
        return;
    }
    m_table.shown = Bdisplay->isChecked();
    accept();
}

void ShowFixtureDialog(Tmdvform& window)
{
    // One dialog for the window's life, so the loaded name and the check box stay.
    auto* dialog = window.findChild<TFixtureDlg*>();
    if (!dialog)
        dialog = new TFixtureDlg(window.fixtures().table(), window.session().state.LatheMachine, window.prompter(),
                                 &window);
    dialog->exec();
    window.RepaintDrawing();
}

} // namespace vork
