#include "workspace/ui/bmacro_dialogs.h"

#include "workspace/ui/dialog_focus.h"

#include "workspace/engine/workspace_globals.h"

#include "math/engine/expression.h"
#include "math/engine/mathlib.h"
#include "math/ui/expression_field.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/qt/help.h"
#include "platform/qt/latin1.h"
#include "platform/qt/qthost.h"
#include "platform/textfile.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

// ---- TGetvardlg ------------------------------------------------------------------

TGetvardlg::TGetvardlg(platform::Prompter& prompter, QWidget* parent) : QDialog(parent), m_prompter(prompter)
{
    setWindowTitle("Input a Number");
    auto* layout = new QVBoxLayout(this);
    prompt = new QLabel(this);
    QFont bold = prompt->font();
    bold.setBold(true);
    prompt->setFont(bold);
    layout->addWidget(prompt);
    Tresult = new QLineEdit("0.0", this);
    layout->addWidget(Tresult);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton("&OK", QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TGetvardlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TGetvardlg::reject);
    connect(Tresult, &QLineEdit::editingFinished, this, &TGetvardlg::TresultExit);
    // The default stands selected, so what the operator types replaces it.
    mrw::focusFirstFieldOnShow(this, Tresult);
    platform::fitTitle(this);
}

// The field loses its focus while the box is taken down: nothing is evaluated then.
TGetvardlg::~TGetvardlg() { disconnect(Tresult, nullptr, this, nullptr); }

void TGetvardlg::setPrompt(const std::string& text) { prompt->setText(platform::toQString(text)); }

void TGetvardlg::setValue(double value) { Tresult->setText(QString::fromStdString(vork::RealToShortStr(false, value))); }

double TGetvardlg::value() const { return vork::StrToReal(platform::toBytes(Tresult->text()), &m_prompter); }

void TGetvardlg::TresultExit()
{
    vork::LineEditEntry entry(Tresult);
    vork::EvalEditExpression(entry, m_prompter, vork::WorkspaceExpressions());
}

void TGetvardlg::accept()
{
    TresultExit();
    // An expression that did not evaluate stays in the field for the operator to mend.
    if (!platform::parseReal(platform::toBytes(Tresult->text())))
        return;
    QDialog::accept();
}

// ---- TMacrobdlg ------------------------------------------------------------------

TMacrobdlg::TMacrobdlg(mrw::WorkspaceGlobals& globals, platform::Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_globals(globals), m_prompter(prompter)
{
    setWindowTitle("B-Macro Interpeter");
    auto* grid = new QGridLayout(this);

    grid->addWidget(new QLabel("Output File Name:", this), 0, 0, 1, 2);
    Ofilename = new QLineEdit(this);
    Ofilename->setMinimumWidth(360);
    grid->addWidget(Ofilename, 1, 0, 1, 2);

    grid->addWidget(new QLabel("Program Stop Code", this), 2, 0);
    Estopcode = new QLineEdit("M30", this);
    grid->addWidget(Estopcode, 3, 0);
    CBKeepCmts = new QCheckBox("Keep Comments", this);
    CBKeepCmts->setChecked(true);
    grid->addWidget(CBKeepCmts, 3, 1);

    grid->addWidget(new QLabel("Pre-Defined Variables", this), 4, 0);
    Memo1 = new QPlainTextEdit("(Define Variables Here)", this);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    grid->addWidget(Memo1, 5, 0);

    RGsubfmt = new QGroupBox("Sub Format", this);
    auto* formats = new QVBoxLayout(RGsubfmt);
    for (int i = 0; i < mrw::SubProgramFormatCount; ++i) {
        m_formats[static_cast<std::size_t>(i)] =
            new QRadioButton(QString::fromStdString(mrw::SubProgramFileName(i, 1234)), RGsubfmt);
        formats->addWidget(m_formats[static_cast<std::size_t>(i)]);
    }
    m_formats[0]->setChecked(true);
    grid->addWidget(RGsubfmt, 5, 1);

    CBarun = new QCheckBox("Automatically Run Vork Analyzer", this);
    CBarun->setChecked(true);
    grid->addWidget(CBarun, 6, 0, 1, 2);

    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(new QLabel("Progress :", this));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    progressRow->addWidget(ProgressBar1, 1);
    grid->addLayout(progressRow, 7, 0, 1, 2);
    Label4 = new QLabel("Line #", this);
    grid->addWidget(Label4, 8, 0, 1, 2);
    Label5 = new QLabel(this);
    // A long line must not widen the dialog.
    Label5->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    grid->addWidget(Label5, 9, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OKBtn = new QPushButton("&OK", this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("C&ancel", this);
    HelpBtn = new QPushButton("&Help", this);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    grid->addLayout(buttons, 10, 0, 1, 2);
    connect(OKBtn, &QPushButton::clicked, this, &TMacrobdlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TMacrobdlg::CancelBtnClick);
    connect(HelpBtn, &QPushButton::clicked, this, [this] { platform::showHelpTopic(HelpTopic, m_prompter); });

    // FormCreate
    m_varfname = m_globals.ProgramFolder + "BMACROVARS.TXT";
}

bool TMacrobdlg::AutoRun() const { return CBarun->isChecked(); }

int TMacrobdlg::subFormat() const
{
    for (int i = 0; i < mrw::SubProgramFormatCount; ++i)
        if (m_formats[static_cast<std::size_t>(i)]->isChecked())
            return i;
    return 0;
}

void TMacrobdlg::setSubFormat(int index)
{
    if (index >= 0 && index < mrw::SubProgramFormatCount)
        m_formats[static_cast<std::size_t>(index)]->setChecked(true);
}

std::string TMacrobdlg::outputFile() const { return QFile::encodeName(Ofilename->text()).toStdString(); }

void TMacrobdlg::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
    mrw::focusFirstField(this);
}

void TMacrobdlg::FormShow()
{
    ProgressBar1->setValue(0);
    Label4->setText("Line #");
    Label5->clear();
    if (const auto lines = platform::readTextLines(m_varfname)) {
        QStringList text;
        for (const std::string& line : *lines)
            text << platform::toQString(line);
        Memo1->setPlainText(text.join('\n'));
    }
}

void TMacrobdlg::OKBtnClick()
{
    if (m_running)
        return;
    m_running = true;
    m_cancel = false;
    m_shownLine = 0;
    OKBtn->setEnabled(false);
    ProgressBar1->setValue(0);
    m_clock.start();
    m_lastPaint = m_lastPump = -PumpInterval - PaintInterval;

    const mrw::MachineSettings& settings = m_globals.Machine.settings();
    mrw::BMacroJob job;
    job.OutputFile = outputFile();
    job.VariablesFile = m_varfname;
    job.Memo = platform::splitLines(platform::toBytes(Memo1->toPlainText()));
    job.Digr = settings.Digr;
    job.Options.CmtStart = settings.CmtStart;
    job.Options.CmtEnd = settings.CmtEnd;
    job.Options.StopCode = platform::toBytes(Estopcode->text());
    job.Options.KeepComments = CBKeepCmts->isChecked();
    job.Options.SubFormat = subFormat();
    const std::vector<std::string> program = m_program ? m_program() : std::vector<std::string>{};
    m_result = mrw::RunBMacroJob(std::move(job), program, *this, m_prompter);
    if (m_shownLine > 0)
        paintLine();

    m_running = false;
    OKBtn->setEnabled(true);
    if (m_cancel)
        done(QDialog::Rejected);
    else
        done(QDialog::Accepted);
}

void TMacrobdlg::CancelBtnClick() { reject(); }

void TMacrobdlg::reject()
{
    if (m_running) {
        m_cancel = true; // the run ends after its current line and closes the dialog
        return;
    }
    QDialog::reject();
}

bool TMacrobdlg::askValue(const std::string& prompt, double& value)
{
    // The labels name the line that asks, however recently they were painted.
    paintLine();
    if (m_asker)
        return m_asker(prompt, value);
    TGetvardlg box(m_prompter, this);
    box.setPrompt(prompt);
    box.setValue(value);
    if (box.exec() != QDialog::Accepted)
        return false;
    value = box.value();
    return true;
}

void TMacrobdlg::showLine(int line, const std::string& text, int percent)
{
    m_shownLine = line;
    m_shownText = text;
    m_shownPercent = percent;
    // The eye cannot follow every line of a long run: the labels change a few times a second.
    if (m_clock.elapsed() - m_lastPaint >= PaintInterval)
        paintLine();
}

void TMacrobdlg::paintLine()
{
    m_lastPaint = m_clock.elapsed();
    ProgressBar1->setValue(m_shownPercent);
    Label4->setText(QStringLiteral("Line # %1").arg(m_shownLine));
    Label5->setText(platform::toQString(m_shownText));
}

bool TMacrobdlg::stopRequested()
{
    if (m_clock.elapsed() - m_lastPump >= PumpInterval) {
        m_lastPump = m_clock.elapsed();
        QCoreApplication::processEvents();
    }
    return m_cancel;
}
