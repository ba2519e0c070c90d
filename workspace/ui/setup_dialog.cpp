#include "workspace/ui/setup_dialog.h"

#include "workspace/engine/activity_log.h"
#include "workspace/engine/machine_database.h"
#include "workspace/engine/port_devices.h"
#include "workspace/engine/setup_report.h"
#include "workspace/engine/setup_rules.h"
#include "workspace/engine/users.h"

#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/qt/latin1.h"
#include "platform/qt/help.h"
#include "platform/stored_path.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace mrw {

namespace {

constexpr const char* Caption = "MARROWIN";
constexpr int HelpTopic = 113;

template <std::size_t N>
QStringList itemsOf(const std::array<std::string_view, N>& texts)
{
    QStringList items;
    for (const auto& t : texts)
        items << platform::toQString(t);
    return items;
}

// A group box holding one control (the dialog's "Digits Left", "Rapid Code", ...).
QGroupBox* groupOf(const char* caption, QWidget* control)
{
    auto* box = new QGroupBox(caption);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(control);
    return box;
}

// In the order of NcCommandDialog.
constexpr const char* CommandButtons[] = {
    "&Re-Sequencing", "Make Columns", "File Cleanup", "Arithmetic", "Reformat", "&Change Line Begin/End",
};

} // namespace

TMRWSetupDlg::TMRWSetupDlg(WorkspaceGlobals& globals, platform::Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_globals(globals), m_prompter(prompter), m_commandDialogs(std::size(CommandButtons))
{
    setWindowTitle("MARROWIN -- Machine / DNC Setup");
    m_pages = new QTabWidget(this);
    m_pages->addTab(buildFormatPage(), "Machine &Format");
    m_pages->addTab(buildFormat2Page(), "Machine Format #&2");
    m_pages->addTab(buildCommunicationsPage(), "&Communications");
    m_pages->addTab(buildCommandsPage(), "&NC-Commands");
    m_pages->addTab(buildDefaultsPage(), "&Defaults");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buildMachineBox());
    layout->addWidget(buildBottomButtons());

    m_observer = m_globals.Machine.addObserver([this] { refreshControls(); });
    refreshControls();
}

TMRWSetupDlg::~TMRWSetupDlg()
{
    m_globals.Machine.removeObserver(m_observer);
}

// ----- bindings -----

void TMRWSetupDlg::edited()
{
    if (!m_refreshing)
        m_globals.Machine.setModified(true);
}

QLineEdit* TMRWSetupDlg::text(const char* name, std::string MachineSettings::*field)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    m_refreshers.push_back([this, edit, field] { edit->setText(platform::toQString(settings().*field)); });
    connect(edit, &QLineEdit::textChanged, this, [this, field](const QString& t) {
        if (m_refreshing)
            return;
        settings().*field = platform::toBytes(t);
        edited();
    });
    return edit;
}

QCheckBox* TMRWSetupDlg::check(const char* name, const char* caption, bool MachineSettings::*field)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(name);
    m_refreshers.push_back([this, box, field] { box->setChecked(settings().*field); });
    connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
        if (m_refreshing)
            return;
        settings().*field = on;
        edited();
    });
    return box;
}

QComboBox* TMRWSetupDlg::combo(const char* name, const QStringList& items, int MachineSettings::*field)
{
    auto* box = new QComboBox;
    box->setObjectName(name);
    box->addItems(items);
    m_refreshers.push_back([this, box, field] { box->setCurrentIndex(settings().*field); });
    connect(box, &QComboBox::currentIndexChanged, this, [this, field](int index) {
        if (m_refreshing)
            return;
        settings().*field = index;
        edited();
    });
    return box;
}

QSpinBox* TMRWSetupDlg::spin(const char* name, int low, int high, int MachineSettings::*field)
{
    auto* box = new QSpinBox;
    box->setObjectName(name);
    box->setRange(low, high);
    m_refreshers.push_back([this, box, field] { box->setValue(settings().*field); });
    connect(box, &QSpinBox::valueChanged, this, [this, field](int value) {
        if (m_refreshing)
            return;
        settings().*field = value;
        edited();
    });
    return box;
}

std::vector<QRadioButton*> TMRWSetupDlg::radios(const std::vector<std::pair<const char*, const char*>>& buttons,
                                                int MachineSettings::*field, int first)
{
    std::vector<QRadioButton*> made;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        auto* button = new QRadioButton(buttons[i].second);
        button->setObjectName(buttons[i].first);
        const int value = first + static_cast<int>(i);
        connect(button, &QRadioButton::toggled, this, [this, field, value](bool on) {
            if (m_refreshing || !on)
                return;
            settings().*field = value;
            edited();
        });
        made.push_back(button);
    }
    m_refreshers.push_back([this, made, field, first] {
        const int index = settings().*field - first;
        if (index >= 0 && index < static_cast<int>(made.size()))
            made[static_cast<std::size_t>(index)]->setChecked(true);
    });
    return made;
}

void TMRWSetupDlg::refreshControls()
{
    m_refreshing = true;
    for (const auto& refresh : m_refreshers)
        refresh();
    m_refreshing = false;
    UpdateMachineTypeLabels();
    applyDeviceType();
}

// ----- pages -----

QWidget* TMRWSetupDlg::buildFormatPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);

    m_machType = combo("MachType", itemsOf(MachineTypeTexts), &MachineSettings::MachType);
    connect(m_machType, &QComboBox::currentIndexChanged, this, [this] { UpdateMachineTypeLabels(); });
    grid->addWidget(groupOf("Machine Type", m_machType), 0, 0);

    m_coordinateGroup = new QGroupBox("Coordinate Mode");
    auto* coord = new QVBoxLayout(m_coordinateGroup);
    m_abs = new QRadioButton("Abs");
    m_abs->setObjectName("Babs");
    m_inc = new QRadioButton("Incr");
    m_inc->setObjectName("Binc");
    coord->addWidget(m_abs);
    coord->addWidget(m_inc);
    m_refreshers.push_back([this] { (settings().Babs ? m_abs : m_inc)->setChecked(true); });
    connect(m_abs, &QRadioButton::toggled, this, [this](bool on) {
        if (m_refreshing)
            return;
        settings().Babs = on;
        edited();
    });
    grid->addWidget(m_coordinateGroup, 0, 1);

    auto* formatGroup = new QGroupBox("Format");
    auto* format = new QVBoxLayout(formatGroup);
    for (auto* b : radios({{"Bdecimal", "Decimal"},
                           {"BLzeros", "Leading Zeros"},
                           {"BTzeros", "Trailing Zeros"},
                           {"BLTzeros", "Leading && Trailing"}},
                          &MachineSettings::Format, 1))
        format->addWidget(b);
    grid->addWidget(formatGroup, 1, 0, 2, 1);

    auto* digitsLeft = groupOf("Digits Left", text("Digl", &MachineSettings::Digl));
    auto* digitsRight = groupOf("Digits Right", text("Digr", &MachineSettings::Digr));
    grid->addWidget(digitsLeft, 1, 1);
    grid->addWidget(digitsRight, 2, 1);

    m_lformat = combo("Lformat", itemsOf(LatheFormatTexts), &MachineSettings::Lformat);
    auto* latheFormat = groupOf("Lathe -X- Format", m_lformat);
    grid->addWidget(latheFormat, 3, 0);
    auto* feedDigits = groupOf("Feedrate Digits Right", text("FeedDigits", &MachineSettings::FeedDigits));
    grid->addWidget(feedDigits, 3, 1);

    auto* description = new QHBoxLayout;
    description->addWidget(new QLabel("Description"));
    description->addWidget(text("Eddesc", &MachineSettings::Eddesc));
    grid->addLayout(description, 4, 0, 1, 2);

    m_typeGroups[GroupCoordinate] = m_coordinateGroup;
    m_typeGroups[GroupFormat] = formatGroup;
    m_typeGroups[GroupDigitsLeft] = digitsLeft;
    m_typeGroups[GroupDigitsRight] = digitsRight;
    m_typeGroups[GroupLatheFormat] = latheFormat;
    m_typeGroups[GroupFeedDigits] = feedDigits;
    return page;
}

QWidget* TMRWSetupDlg::buildFormat2Page()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);

    auto* arcGroup = new QGroupBox("Arc Center Type");
    auto* arc = new QVBoxLayout(arcGroup);
    for (auto* b : radios({{"arctype1", "Distance From Tool to Arc Center"},
                           {"Arctype2", "Distance from Arc Center to Tool"},
                           {"Arctype3", "Un-Signed Incremental Distance"},
                           {"Arctype4", "Absolute Arc Center Coordinates"},
                           {"Arctype5", "Radius of Arc 'R' Values"},
                           {"Arctype6", "Use Linear Moves for Arcs"}},
                          &MachineSettings::ArcType, 1))
        arc->addWidget(b);
    grid->addWidget(arcGroup, 0, 0, 3, 1);

    auto* special = groupOf("Special", check("Bred", "Output Redundant Positions", &MachineSettings::Bred));
    grid->addWidget(special, 3, 0);

    auto* seqGroup = new QGroupBox("Sequence Numbers");
    auto* seq = new QFormLayout(seqGroup);
    seq->addRow(check("Bseq", "Output Seq #`s", &MachineSettings::Bseq));
    seq->addRow("Start Seq #", text("StartSeq", &MachineSettings::StartSeq));
    grid->addWidget(seqGroup, 4, 0);

    auto* rapid = groupOf("Rapid Code", text("RapCode", &MachineSettings::RapCode));
    auto* linear = groupOf("Linear Code", text("Lincode", &MachineSettings::Lincode));
    auto* cw = groupOf("Clockwise", text("CWcode", &MachineSettings::CWcode));
    auto* ccw = groupOf("Counter Clockwise", text("CCwcode", &MachineSettings::CCwcode));
    grid->addWidget(rapid, 0, 1);
    grid->addWidget(linear, 1, 1);
    grid->addWidget(cw, 2, 1);
    grid->addWidget(ccw, 3, 1);

    auto* chars = new QFormLayout;
    chars->addRow("Comment Start", text("CmtStart", &MachineSettings::CmtStart));
    chars->addRow("Comment End", text("CmtEnd", &MachineSettings::CmtEnd));
    chars->addRow("Program ID", text("ProgID", &MachineSettings::ProgID));
    grid->addLayout(chars, 4, 1);

    m_typeGroups[GroupArcCenter] = arcGroup;
    m_typeGroups[GroupRapid] = rapid;
    m_typeGroups[GroupLinear] = linear;
    m_typeGroups[GroupClockwise] = cw;
    m_typeGroups[GroupCounterClockwise] = ccw;
    m_typeGroups[GroupSequence] = seqGroup;
    return page;
}

QWidget* TMRWSetupDlg::buildCommunicationsPage()
{
    m_commPages = new QTabWidget;
    m_commPages->addTab(buildPropertiesPage(), "&Properties");
    m_commPages->addTab(buildMachinePage(), "&Machine");
    m_commPages->addTab(buildAdvancedPage(), "&Advanced");
    m_remotePage = buildRemotePage();
    m_commPages->addTab(m_remotePage, "Remote");
    return m_commPages;
}

QWidget* TMRWSetupDlg::buildPropertiesPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    auto* form = new QFormLayout;
    form->addRow("Baud", combo("Baudnum", itemsOf(BaudTexts), &MachineSettings::Baudnum));
    form->addRow("Bits", combo("Bitsnum", itemsOf(DataBitsTexts), &MachineSettings::Bitsnum));
    form->addRow("Parity", combo("Paritynum", itemsOf(ParityTexts), &MachineSettings::Paritynum));
    form->addRow("Stop Bits", combo("Sbitsnum", itemsOf(StopBitsTexts), &MachineSettings::Sbitsnum));
    form->addRow("DNC-Hub", combo("Hubnum", itemsOf(HubTexts), &MachineSettings::Hubnum));
    QStringList ports;
    for (int n = 1; n <= PortCount; ++n)
        ports << QString("Port #%1").arg(n);
    m_portBox = combo("Portnum", ports, &MachineSettings::Portnum);
    form->addRow("Port", m_portBox);
    grid->addLayout(form, 0, 0, 2, 1);

    auto* handshake = new QGroupBox("Handshaking");
    auto* hs = new QFormLayout(handshake);
    hs->addRow("Xon/Xoff", combo("Xonxoff", itemsOf(XonXoffTexts), &MachineSettings::Xonxoff));
    hs->addRow(check("Hdwhand", "Use RTS/CTS", &MachineSettings::Hdwhand));
    grid->addWidget(handshake, 0, 1);

    auto* terminal = new QGroupBox("Terminal");
    auto* term = new QVBoxLayout(terminal);
    term->addWidget(check("duplex", "Local Echo", &MachineSettings::duplex));
    term->addWidget(check("autolf", "Auto <LF>", &MachineSettings::autolf));
    term->addWidget(check("Ansiemu", "Ansi Codes", &MachineSettings::Ansiemu));
    grid->addWidget(terminal, 1, 1);

    auto* test = new QPushButton("Test Port");
    test->setObjectName("Button7");
    connect(test, &QPushButton::clicked, this, &TMRWSetupDlg::testPort);
    grid->addWidget(test, 2, 1);
    return page;
}

QWidget* TMRWSetupDlg::buildMachinePage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->addRow("Code", combo("Tapecode", itemsOf(TapeCodeTexts), &MachineSettings::Tapecode));

    m_leader = text("llen", &MachineSettings::llen);
    auto* up = new QToolButton;
    up->setObjectName("llenUp");
    up->setArrowType(Qt::UpArrow);
    auto* down = new QToolButton;
    down->setObjectName("llenDown");
    down->setArrowType(Qt::DownArrow);
    connect(up, &QToolButton::clicked, this, [this] { stepLeader(1); });
    connect(down, &QToolButton::clicked, this, [this] { stepLeader(-1); });
    auto* leader = new QHBoxLayout;
    leader->addWidget(m_leader);
    leader->addWidget(up);
    leader->addWidget(down);
    form->addRow("Leader Len", leader);

    form->addRow("Send Init ", text("Sendinit", &MachineSettings::Sendinit));
    form->addRow("Start Send", text("Startsend", &MachineSettings::Startsend));
    form->addRow("End Send", text("Endsend", &MachineSettings::Endsend));
    form->addRow("Start Recv", text("Startrecv", &MachineSettings::Startrecv));
    form->addRow("End Recv", text("Endrecv", &MachineSettings::Endrecv));
    form->addRow(check("CBStripBlanks", "Strip Blank Lines While Sending", &MachineSettings::CBStripBlanks));
    form->addRow(check("CBStripLfs", "Filter Redundant Line Feeds", &MachineSettings::CBStripLfs));
    form->addRow(check("CBRunFclean", "Run File Cleanup Before Send from Editor", &MachineSettings::CBRunFclean));
    return page;
}

QWidget* TMRWSetupDlg::buildAdvancedPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    auto* filters = new QFormLayout;
    const QStringList lineEnds = itemsOf(LineEndTexts);
    filters->addRow("<CR> In", combo("crin", lineEnds, &MachineSettings::crin));
    filters->addRow("<LF> In", combo("Lfin", lineEnds, &MachineSettings::Lfin));
    filters->addRow("<CR> Out", combo("Crout", lineEnds, &MachineSettings::Crout));
    filters->addRow("<LF> Out", combo("LFout", lineEnds, &MachineSettings::LFout));
    filters->addRow("Protocol", combo("Mproto", itemsOf(ProtocolTexts), &MachineSettings::Mproto));
    auto* deviceType = combo("Edtype", itemsOf(DeviceTypeTexts), &MachineSettings::Edtype);
    connect(deviceType, &QComboBox::currentIndexChanged, this, [this] { applyDeviceType(); });
    filters->addRow("Device Type", deviceType);
    grid->addLayout(filters, 0, 0);

    auto* delays = new QFormLayout;
    delays->addRow("EOF Timeout", spin("EOFTime", EofTimeRange.low, EofTimeRange.high, &MachineSettings::EOFTime));
    m_charDelayLabel = new QLabel("Char Delay");
    m_charDelayLabel->setObjectName("Label13");
    delays->addRow(m_charDelayLabel, spin("Cdelay", DelayRange.low, DelayRange.high, &MachineSettings::Cdelay));
    m_lineDelayLabel = new QLabel("Line Delay");
    m_lineDelayLabel->setObjectName("Label14");
    delays->addRow(m_lineDelayLabel, spin("Ldelay", DelayRange.low, DelayRange.high, &MachineSettings::Ldelay));
    delays->addRow("XOFF Timeout",
                   spin("XoffTime", XoffTimeRange.low, XoffTimeRange.high, &MachineSettings::XoffTime));
    delays->addRow("Multi File Delay", spin("MfileDelay", MultiFileDelayRange.low, MultiFileDelayRange.high,
                                            &MachineSettings::MfileDelay));
    delays->addRow("Drop RTS Delay",
                   spin("dropRTSDelay", RtsDelayRange.low, RtsDelayRange.high, &MachineSettings::dropRTSDelay));
    delays->addRow("Keep RTS Delay",
                   spin("KeepRTSDelay", RtsDelayRange.low, RtsDelayRange.high, &MachineSettings::KeepRTSDelay));
    grid->addLayout(delays, 0, 1);

    auto* control = new QGroupBox("Send / Receive Control");
    auto* ctl = new QVBoxLayout(control);
    ctl->addWidget(check("xonwait", "Send Wait for Xon", &MachineSettings::xonwait));
    ctl->addWidget(check("xonwait1", "Receive Wait for Char", &MachineSettings::xonwait1));
    grid->addWidget(control, 1, 0);
    m_dftAsk = check("CBDFTask", "DFT Ask Destination", &MachineSettings::CBDFTask);
    grid->addWidget(m_dftAsk, 1, 1);
    return page;
}

QWidget* TMRWSetupDlg::buildRemotePage()
{
    auto* page = new QWidget;
    page->setObjectName("Remotepage");
    auto* grid = new QGridLayout(page);
    grid->addWidget(new QLabel("Start"), 0, 1);
    grid->addWidget(new QLabel("End"), 0, 2);
    grid->addWidget(new QLabel("Delay"), 0, 3);
    struct Row {
        const char* label;
        const char* start;
        std::string MachineSettings::*startField;
        const char* end;
        std::string MachineSettings::*endField;
        const char* delay;
        int MachineSettings::*delayField;
    };
    const Row rows[] = {
        {"Send :", "EStartSend", &MachineSettings::EStartSend, "Eendsend", &MachineSettings::Eendsend, "Sdelay",
         &MachineSettings::Sdelay},
        {"Recv :", "EStartRecv", &MachineSettings::EStartRecv, "EEndRecv", &MachineSettings::EEndRecv, "Rdelay",
         &MachineSettings::Rdelay},
        {"Dir  :", "EStartDir", &MachineSettings::EStartDir, "EEndDir", &MachineSettings::EEndDir, "Ddelay",
         &MachineSettings::Ddelay},
        {"Path :", "EStartPath", &MachineSettings::EStartPath, "Eendpath", &MachineSettings::Eendpath, nullptr,
         nullptr},
        {"Message:", "EStartMSG", &MachineSettings::EStartMSG, "Eendmsg", &MachineSettings::Eendmsg, nullptr,
         nullptr},
    };
    int r = 1;
    for (const auto& row : rows) {
        grid->addWidget(new QLabel(row.label), r, 0);
        grid->addWidget(text(row.start, row.startField), r, 1);
        grid->addWidget(text(row.end, row.endField), r, 2);
        if (row.delay)
            grid->addWidget(spin(row.delay, RemoteDelayRange.low, RemoteDelayRange.high, row.delayField), r, 3);
        ++r;
    }
    grid->addWidget(check("CBOverwrite", "Allow File Overwrites", &MachineSettings::CBOverwrite), r, 0, 1, 4);
    return page;
}

QWidget* TMRWSetupDlg::buildCommandsPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel("Select and Enter Defaults For Each of The Following NC-Commands"));
    for (std::size_t i = 0; i < std::size(CommandButtons); ++i) {
        auto* button = new QPushButton(CommandButtons[i]);
        connect(button, &QPushButton::clicked, this, [this, i] {
            if (m_commandDialogs[i])
                m_commandDialogs[i](this);
        });
        layout->addWidget(button);
    }
    layout->addStretch();
    return page;
}

void TMRWSetupDlg::setNcCommandDialog(NcCommandDialog which, DialogOpener opener)
{
    m_commandDialogs[static_cast<std::size_t>(which)] = std::move(opener);
}

QWidget* TMRWSetupDlg::folderRow(const char* name, std::string MachineSettings::*field, const char* browseCaption,
                                 const char* firstName, bool MachineSettings::*first)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    QLineEdit* edit = text(name, field);
    auto* browse = new QPushButton("...");
    connect(browse, &QPushButton::clicked, this, [this, edit, field, browseCaption] {
        const QString start = platform::toQString(platform::resolveStoredPath(settings().*field));
        const QString chosen = QFileDialog::getExistingDirectory(this, browseCaption, start);
        if (!chosen.isEmpty())
            edit->setText(chosen); // the binding stores it
    });
    layout->addWidget(edit);
    layout->addWidget(browse);
    layout->addWidget(check(firstName, "Always First", first));
    return row;
}

QWidget* TMRWSetupDlg::buildDefaultsPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->addRow("Default File Extension", text("Defext", &MachineSettings::Defext));
    form->addRow("Default Upload Directory", folderRow("DirUPL", &MachineSettings::DirUPL, "Default Folder for Uploads",
                                                       "CBForceUpload", &MachineSettings::CBForceUpload));
    form->addRow("Default Download Directory",
                 folderRow("DirDNL", &MachineSettings::DirDNL, "Default Folder for Downloads", "CBforceDownload",
                           &MachineSettings::CBforceDownload));
    form->addRow("Default Load/Save Directory",
                 folderRow("DirLS", &MachineSettings::DirLS, "Default Folder to Load and Save Files",
                           "CBForceloadsave", &MachineSettings::CBForceloadsave));
    return page;
}

QWidget* TMRWSetupDlg::buildMachineBox()
{
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->addWidget(new QLabel("Machine Name"));
    m_machineBox = new QComboBox;
    m_machineBox->setObjectName("Mnamebox");
    m_machineBox->setToolTip("Select a Machine name");
    m_machineBox->setMinimumContentsLength(20);
    connect(m_machineBox, &QComboBox::activated, this,
            [this](int index) { machineChosen(m_machineBox->itemText(index)); });
    layout->addWidget(m_machineBox, 1);
    const std::pair<const char*, const char*> buttons[] = {
        {"Badd", "&Add"}, {"BitBtn4", "&Rename"}, {"BDelete", "&Delete"}, {"BSave", "&Save"}};
    const std::function<void()> actions[] = {[this] { addMachine(); }, [this] { renameMachine(); },
                                             [this] { deleteMachine(); }, [this] { saveMachine(); }};
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        auto* b = new QPushButton(buttons[i].second);
        b->setObjectName(buttons[i].first);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, actions[i]);
        layout->addWidget(b);
    }
    return box;
}

QWidget* TMRWSetupDlg::buildBottomButtons()
{
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    const std::pair<const char*, const char*> buttons[] = {{"BitBtn3", "<-&Backup"}, {"BitBtn2", "->&Restore"},
                                                           {"BitBtn1", "&Print"},   {"OKBtn", "OK"},
                                                           {"CancelBtn", "Cancel"}, {"HelpBtn", "Help"}};
    const std::function<void()> actions[] = {[this] { backup(); },     [this] { restore(); },
                                             [this] { printReport(); }, [this] { accept(); },
                                             [this] { reject(); },     [this] { platform::showHelpTopic(HelpTopic, m_prompter); }};
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        auto* b = new QPushButton(buttons[i].second);
        b->setObjectName(buttons[i].first);
        b->setAutoDefault(false);
        if (i == 3)
            b->setDefault(true);
        connect(b, &QPushButton::clicked, this, actions[i]);
        layout->addWidget(b);
    }
    return box;
}

// ----- rules -----

void TMRWSetupDlg::UpdateMachineTypeLabels()
{
    const MachineTypeView v = machineTypeView(settings().MachType);
    m_coordinateGroup->setTitle(platform::toQString(v.coordinateGroupCaption));
    m_abs->setText(platform::toQString(v.absCaption));
    m_inc->setText(platform::toQString(v.incCaption));
    const std::array<bool, GroupCount> enabled{v.coordinateMode, v.format,    v.digitsLeft, v.digitsRight,
                                               v.latheFormat,    v.arcCenter, v.rapidCode,  v.linearCode,
                                               v.clockwise,      v.counterClockwise, v.sequenceNumbers, v.feedDigits};
    for (std::size_t i = 0; i < GroupCount; ++i)
        m_typeGroups[i]->setEnabled(enabled[i]);
}

void TMRWSetupDlg::applyDeviceType()
{
    const DeviceTypeView v = deviceTypeView(settings().Edtype);
    m_commPages->setTabEnabled(m_commPages->indexOf(m_remotePage), v.remotePageEnabled);
    m_dftAsk->setVisible(v.dftAskVisible);
    m_charDelayLabel->setText(platform::toQString(v.charDelayLabel));
    m_lineDelayLabel->setText(platform::toQString(v.lineDelayLabel));
}

void TMRWSetupDlg::stepLeader(int delta)
{
    std::string error;
    const auto next = stepLeaderLength(settings().llen, delta, error);
    if (!next) {
        showError(error);
        return;
    }
    m_leader->setText(platform::toQString(*next)); // the binding stores it
}

bool TMRWSetupDlg::leaderAcceptable()
{
    std::string error;
    if (leaderLengthAcceptable(settings().llen, error))
        return true;
    showError(error);
    return false;
}

void TMRWSetupDlg::showError(const std::string& text)
{
    m_prompter.message(Caption, text, platform::MessageKind::Error, platform::Buttons::Ok);
}

// ----- the machine box -----

void TMRWSetupDlg::fillMachineList()
{
    m_machineBox->clear();
    for (const auto& name : machineDatabase(m_globals).sortedMachineNames())
        m_machineBox->addItem(platform::toQString(name));
}

void TMRWSetupDlg::selectCurrentInBox()
{
    m_machineBox->setCurrentIndex(m_machineBox->findText(platform::toQString(m_globals.CurrentMachineName),
                                                         Qt::MatchFixedString | Qt::MatchCaseSensitive));
}

bool TMRWSetupDlg::confirmSave()
{
    return ConfirmSaveMachine(m_globals, m_prompter);
}

bool TMRWSetupDlg::checkFolders()
{
    return CheckDefaultFolders(settings(), m_prompter);
}

void TMRWSetupDlg::showEvent(QShowEvent* event)
{
    fillMachineList();
    selectCurrentInBox();
    LoadMachine(m_globals, m_globals.CurrentMachineName);
    QDialog::showEvent(event);
}

void TMRWSetupDlg::machineChosen(const QString& name)
{
    const std::string chosen = platform::toBytes(name);
    if (chosen == m_globals.CurrentMachineName)
        return;
    if (!confirmSave()) {
        selectCurrentInBox();
        return;
    }
    m_globals.CurrentMachineName = chosen;
    LoadMachine(m_globals, chosen);
    selectCurrentInBox();
}

void TMRWSetupDlg::addMachine()
{
    MachineCommandHooks hooks;
    hooks.confirmSave = [this] { return confirmSave(); };
    if (AddMachine(m_globals, m_prompter, hooks))
        fillMachineList();
    selectCurrentInBox();
}

void TMRWSetupDlg::renameMachine()
{
    MachineCommandHooks hooks;
    hooks.confirmSave = [this] { return confirmSave(); };
    hooks.checkDefaultFolders = [this] { return checkFolders(); };
    try {
        RenameMachine(m_globals, m_prompter, hooks);
    } catch (const platform::IniWriteError& e) {
        showError(e.what());
    }
    fillMachineList();
    selectCurrentInBox();
}

void TMRWSetupDlg::deleteMachine()
{
    if (DeleteCurrentMachine(m_globals, m_prompter))
        fillMachineList();
    selectCurrentInBox();
}

void TMRWSetupDlg::saveMachine()
{
    if (!leaderAcceptable())
        return;
    checkFolders();
    try {
        SaveMachine(m_globals, m_globals.CurrentMachineName);
    } catch (const platform::IniWriteError& e) {
        m_globals.Machine.setModified(true);
        showError(e.what());
    }
}

void TMRWSetupDlg::done(int result)
{
    if (result == QDialog::Accepted) {
        if (!leaderAcceptable())
            return;
        try {
            SaveMachine(m_globals, m_globals.CurrentMachineName);
        } catch (const platform::IniWriteError& e) {
            m_globals.Machine.setModified(true);
            showError(e.what());
            return;
        }
    }
    checkFolders();
    if (m_globals.Machine.modified()) {
        // Yes saves, No leaves the edits unsaved (they stay in force until the next
        // load), Cancel keeps the dialog open.
        const auto answer = m_prompter.message(Caption, "Save Current Machine Settings?",
                                               platform::MessageKind::Information, platform::Buttons::YesNoCancel);
        if (answer == platform::Button::Yes) {
            try {
                SaveMachine(m_globals, m_globals.CurrentMachineName);
            } catch (const platform::IniWriteError& e) {
                m_globals.Machine.setModified(true);
                showError(e.what());
                return;
            }
        } else if (answer != platform::Button::No) {
            return;
        }
    }
    QDialog::done(result);
}

// ----- files and the port -----

void TMRWSetupDlg::printReport()
{
    const auto lines =
        setupReportLines(settings(), platform::toBytes(m_machineBox->currentText()), machineDatabase(m_globals));
    const std::string path = platform::currentFolder() + "SETUP.TMP";
    std::string error;
    if (!writeSetupReportFile(path, lines, &error)) {
        showError("Unable to write " + path + ": " + error);
        return;
    }
    emit reportWritten(platform::toQString(path));
}

void TMRWSetupDlg::backup()
{
    const QString folder = QFileDialog::getExistingDirectory(this, "Location to Backup to");
    if (!folder.isEmpty())
        backupMachineDatabase(machineDatabase(m_globals).path(), platform::toBytes(folder), m_prompter);
}

void TMRWSetupDlg::restore()
{
    const QString folder = QFileDialog::getExistingDirectory(this, "Location to Restore From");
    if (folder.isEmpty())
        return;
    if (restoreMachineDatabase(machineDatabase(m_globals).path(), platform::toBytes(folder), m_prompter)) {
        fillMachineList();
        selectCurrentInBox();
    }
}

bool TMRWSetupDlg::TestOpenPort(int portNumber)
{
    if (portNumber < 1 || portNumber > PortCount)
        return false;
    QSerialPort port;
    port.setPortName(QString::fromLocal8Bit(portDevicePath(m_globals.ProgramIniPath, portNumber)));
    const bool open = port.open(QIODevice::ReadWrite);
    port.close();
    return open;
}

void TMRWSetupDlg::testPort()
{
    if (TestOpenPort(m_portBox->currentIndex() + 1))
        m_prompter.message(Caption, "Port Sucessfully Opened", platform::MessageKind::Information,
                           platform::Buttons::Ok);
    else
        showError("Port Does Not Appear to Exist");
}

bool runMachineSetup(TMRWSetupDlg& dialog, bool dncActive, platform::Prompter& prompter)
{
    if (!userSession().CheckPrivilege(rights::ChangeSystemSettings))
        return false;
    WriteActivityLog("Modify System Settings");
    if (dncActive) {
        prompter.message(Caption, "Command Not Avaiable While DNC is Active", platform::MessageKind::Information,
                         platform::Buttons::Ok);
        return false;
    }
    return dialog.exec() == QDialog::Accepted;
}

} // namespace mrw
