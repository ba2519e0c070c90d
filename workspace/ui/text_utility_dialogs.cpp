#include "workspace/ui/text_utility_dialogs.h"

#include "platform/qt/latin1.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

// ---- Resequence ----------------------------------------------------------------------

TRESEQDlg::TRESEQDlg(mrw::MachineSettings& settings, QWidget* parent)
    : UtilityOptionsDlg("RE/UN-Sequence Block Numbers", 112, parent)
{
    mrw::ResequenceOptions& o = settings.Reseq;
    auto* form = new QFormLayout(body());
    QLineEdit* snum = boundText("snum", o.snum);
    QLineEdit* nincr = boundText("nincr", o.nincr);
    QLineEdit* maxdig = boundText("maxdig", o.maxdig);
    QLineEdit* skpchrs = boundText("skpchrs", o.skpchrs);
    QLineEdit* seqchrs = boundText("Seqchrs", o.Seqchrs);
    QCheckBox* lzeros = boundCheck("lzeros", "Use Leading Zeros", o.lzeros);
    m_unseq = new QCheckBox("Remove ALL Sequence Numbers", this);
    m_unseq->setObjectName("unseq");
    form->addRow("Start Number", snum);
    form->addRow("Number Increment", nincr);
    form->addRow("Max number of Digits", maxdig);
    form->addRow("Skip Lines Starting with:", skpchrs);
    form->addRow("Sequence # Character(s) ", seqchrs);
    form->addRow(lzeros);
    form->addRow(m_unseq);
    connect(m_unseq, &QCheckBox::toggled, this, [=](bool removing) {
        for (QWidget* w : {static_cast<QWidget*>(lzeros), static_cast<QWidget*>(maxdig), static_cast<QWidget*>(nincr),
                           static_cast<QWidget*>(seqchrs), static_cast<QWidget*>(skpchrs),
                           static_cast<QWidget*>(snum)})
            w->setEnabled(!removing);
    });
}

bool TRESEQDlg::removeAll() const
{
    return m_unseq->isChecked();
}

// ---- Spaces --------------------------------------------------------------------------

TAddremSpaces::TAddremSpaces(QWidget* parent) : UtilityOptionsDlg("Add / Remove Spaces", 106, parent)
{
    auto* remove = new QRadioButton("Remove Spaces Between Registers", this);
    remove->setObjectName("RBremove");
    remove->setChecked(true);
    m_add = new QRadioButton("Add Spaces Between Registers", this);
    m_add->setObjectName("RBAdd");
    auto* layout = new QVBoxLayout(body());
    layout->addWidget(remove);
    layout->addWidget(m_add);
}

bool TAddremSpaces::addSpaces() const
{
    return m_add->isChecked();
}

// ---- Line begin / end ----------------------------------------------------------------

TChgBeginEndDlg::TChgBeginEndDlg(mrw::MachineSettings& settings, QWidget* parent)
    : UtilityOptionsDlg("Change Line Begining/End", 107, parent)
{
    mrw::LineBeginEndOptions& o = settings.ChgBeginEnd;
    auto* begin = new QGroupBox("Change Line Begining :", this);
    auto* beginForm = new QFormLayout(begin);
    beginForm->addRow("From:", boundText("Bfrom", o.Bfrom));
    beginForm->addRow("To:", boundText("Bto", o.Bto));
    auto* end = new QGroupBox("Change Line End:", this);
    auto* endForm = new QFormLayout(end);
    endForm->addRow("From:", boundText("Efrom", o.Efrom));
    endForm->addRow("To:", boundText("Eto", o.Eto));
    auto* layout = new QVBoxLayout(body());
    layout->addWidget(begin);
    layout->addWidget(end);
}

// ---- Make columns --------------------------------------------------------------------

TMakeColsDlg::TMakeColsDlg(mrw::MachineSettings& settings, QWidget* parent)
    : UtilityOptionsDlg("Make Columns", 110, parent)
{
    auto* form = new QFormLayout(body());
    form->addRow("Alpha Order of Registers ", boundText("Regorder", settings.MakeCols.Regorder));
    form->addRow("Tab Width ", boundText("tabw", settings.MakeCols.tabw));
}

// ---- File cleanup --------------------------------------------------------------------

TFcleanDlg::TFcleanDlg(mrw::MachineSettings& settings, QWidget* parent)
    : UtilityOptionsDlg("File Cleanup", 122, parent), m_settings(settings)
{
    mrw::FileCleanupOptions& o = settings.Fclean;
    m_fixEol = new QCheckBox("Fix EOL Characters", this);
    m_fixEol->setObjectName("CheckBox5");
    auto* layout = new QVBoxLayout(body());
    layout->addWidget(m_fixEol);
    layout->addWidget(boundCheck("CheckBox4", "Delete All Before First \"%\"", o.DeleteBeforeFirstPercent));
    layout->addWidget(boundCheck("CheckBox3", "Remove Control Characters", o.RemoveControlCharacters));
    layout->addWidget(boundCheck("CheckBox2", "Remove Comments", o.RemoveComments));
    layout->addWidget(boundCheck("CheckBox1", "Remove Blank Lines", o.RemoveBlankLines));
    layout->addWidget(boundCheck("CBendprog", "Strip all after Last M02,M30,M99", o.StripAfterProgramEnd));
    layout->addWidget(boundCheck("CBaddstopcode", "Add \"%\" To End of File", o.AddStopCode));
}

TFcleanDlg::Options TFcleanDlg::GetOptions() const
{
    return {m_settings.Fclean, m_fixEol->isChecked()};
}

// ---- File splitter -------------------------------------------------------------------

TFileSplitdlg::TFileSplitdlg(QWidget* parent) : UtilityOptionsDlg("File Splitter", 10047, parent)
{
    m_folder = namedEdit("DirDNL", QString(), this);
    m_extension = namedEdit("Fext", QString(), this);
    m_prefix = namedEdit("Fprefix", "%", this);
    m_suffix = namedEdit("Fsuffix", "%", this);
    auto* browse = new QPushButton("...", this);
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance("...") + 16);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(this, "Output Folder", m_folder->text());
        if (!chosen.isEmpty())
            m_folder->setText(chosen);
    });
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder);
    folderRow->addWidget(browse);

    auto* choice = new QGroupBox("Splitting Options", this);
    choice->setObjectName("FileSplitOption");
    m_askFirst = new QRadioButton("Split to Files (Ask Before Overwrite)", choice);
    m_askFirst->setChecked(true);
    auto* always = new QRadioButton("Split to Files (Always Overwrite)", choice);
    auto* choiceLayout = new QVBoxLayout(choice);
    choiceLayout->addWidget(m_askFirst);
    choiceLayout->addWidget(always);

    auto* form = new QFormLayout(body());
    form->addRow("Output Folder", folderRow);
    form->addRow("Output File Extension ", m_extension);
    form->addRow("Output File Prefix", m_prefix);
    form->addRow("Output File Suffix", m_suffix);
    form->addRow(choice);
}

void TFileSplitdlg::setFolder(const QString& folder)
{
    m_folder->setText(folder);
}

void TFileSplitdlg::setExtension(const QString& extension)
{
    m_extension->setText(extension);
}

mrw::FileSplitOptions TFileSplitdlg::options() const
{
    mrw::FileSplitOptions o;
    o.folder = QFile::encodeName(m_folder->text()).toStdString(); // a file name, not NC text
    o.extension = platform::toBytes(m_extension->text());
    o.prefix = platform::toBytes(m_prefix->text());
    o.suffix = platform::toBytes(m_suffix->text());
    o.askBeforeOverwrite = m_askFirst->isChecked();
    return o;
}
