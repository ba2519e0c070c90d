#include "analyzer/ui/verification_dialogs.h"

#include "math/ui/expression_field.h"
#include "platform/ini.h"
#include "platform/qt/latin1.h"
#include "platform/qt/wait_cursor.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vork {

namespace {

constexpr int HelpTopic = 10026;
constexpr int StockFields = 6;
const char* const MillingLabels[] = {"-X- Origin", "-Y- Origin", "-Z- Origin", "Length", "Width", "Height", "Offset"};
const char* const TurningLabels[] = {"Face -Z-", "Length", "Diameter", "Length", "Width", "Height", "Offset"};

// The stock block in a simple oblique view.
QPixmap drawBlock()
{
    QPixmap pixmap(120, 90);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    const QPointF front[] = {{15, 35}, {85, 35}, {85, 80}, {15, 80}};
    const QPointF top[] = {{15, 35}, {40, 12}, {110, 12}, {85, 35}};
    const QPointF side[] = {{85, 35}, {110, 12}, {110, 57}, {85, 80}};
    p.setBrush(QColor(200, 200, 200));
    p.drawPolygon(front, 4);
    p.setBrush(QColor(230, 230, 230));
    p.drawPolygon(top, 4);
    p.setBrush(QColor(170, 170, 170));
    p.drawPolygon(side, 4);
    return pixmap;
}

// The turning stock: a cylinder lying along Z.
QPixmap drawCylinder()
{
    QPixmap pixmap(120, 90);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(25, 20, 75, 50));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(88, 20, 24, 50));
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(25, 20), QPointF(100, 20));
    p.drawLine(QPointF(25, 70), QPointF(100, 70));
    p.drawArc(QRectF(88, 20, 24, 50), -90 * 16, 180 * 16);
    p.setBrush(QColor(230, 230, 230));
    p.drawEllipse(QRectF(13, 20, 24, 50));
    return pixmap;
}

} // namespace

TTorvelinDlg::TTorvelinDlg(std::string iniName, std::function<std::string()> motionPath, platform::Prompter& prompter,
                           QWidget* parent)
    : TOKBottomDlg(parent), m_iniName(std::move(iniName)), m_motionPath(std::move(motionPath)), m_prompter(prompter),
      m_milling(new QRadioButton("Milling", this)), m_turning(new QRadioButton("Turning", this)),
      m_block(new QLabel(this)), m_cylinder(new QLabel(this)), m_calculate(new QPushButton("&Calculate Extents", this))
{
    setWindowTitle("Solids Verification");
    setObjectName("TorvelinDlg");

    auto* mode = new QGroupBox("Verification Mode", this);
    auto* modeLayout = new QGridLayout(mode);
    modeLayout->addWidget(m_milling, 0, 0);
    modeLayout->addWidget(m_turning, 0, 1);
    m_milling->setChecked(true);
    connect(m_milling, &QRadioButton::clicked, this, &TTorvelinDlg::ShowModeControls);
    connect(m_turning, &QRadioButton::clicked, this, &TTorvelinDlg::ShowModeControls);

    auto* fields = new QGridLayout;
    for (std::size_t i = 0; i < m_edits.size(); ++i) {
        auto* edit = new QLineEdit(i == 6 ? "0.5" : "0.0", this);
        edit->setObjectName(QString("Edit%1").arg(i + 1));
        connect(edit, &QLineEdit::editingFinished, this, [edit] { evalLineEdit(edit); });
        auto* label = new QLabel(MillingLabels[i], this);
        label->setBuddy(edit);
        fields->addWidget(label, static_cast<int>(i), 0);
        fields->addWidget(edit, static_cast<int>(i), 1);
        m_edits[i] = edit;
        m_labels[i] = label;
    }

    m_block->setPixmap(drawBlock());
    m_cylinder->setPixmap(drawCylinder());
    auto* pictures = new QVBoxLayout;
    pictures->addWidget(m_block);
    pictures->addWidget(m_cylinder);
    pictures->addStretch(1);
    pictures->addWidget(m_calculate);

    auto* columns = new QHBoxLayout;
    columns->addLayout(fields, 1);
    columns->addLayout(pictures);
    auto* layout = new QVBoxLayout(body());
    layout->addWidget(mode);
    layout->addLayout(columns);

    okButton()->setDefault(false);
    m_calculate->setDefault(true);
    connect(m_calculate, &QPushButton::clicked, this, &TTorvelinDlg::CalculateExtents);
    addHelpButton(HelpTopic);
    ShowModeControls();
}

VerifySettings TTorvelinDlg::settings() const
{
    VerifySettings s;
    s.mode = m_turning->isChecked() ? 1 : 0;
    for (std::size_t i = 0; i < m_edits.size(); ++i)
        s.edit[i] = platform::toBytes(m_edits[i]->text());
    return s;
}

void TTorvelinDlg::setSettings(const VerifySettings& s)
{
    (s.mode == 1 ? m_turning : m_milling)->setChecked(true);
    for (std::size_t i = 0; i < m_edits.size(); ++i)
        m_edits[i]->setText(platform::toQString(s.edit[i]));
}

void TTorvelinDlg::showEvent(QShowEvent* event)
{
    VerifySettings s;
    platform::IniFile ini(m_iniName);
    ExchangeVerifySettings(s, ini, false);
    setSettings(s);
    ShowModeControls();
    TOKBottomDlg::showEvent(event);
}

void TTorvelinDlg::ShowModeControls()
{
    const bool turning = m_turning->isChecked();
    m_block->setVisible(!turning);
    m_cylinder->setVisible(turning);
    for (std::size_t i = 0; i < m_edits.size(); ++i)
        m_labels[i]->setText(turning ? TurningLabels[i] : MillingLabels[i]);
    for (std::size_t i = 3; i < StockFields; ++i) {
        m_edits[i]->setEnabled(!turning);
        m_labels[i]->setEnabled(!turning);
    }
}

void TTorvelinDlg::CalculateExtents()
{
    VerifySettings s = settings();
    if (!vork::CalculateExtents(m_motionPath(), s)) {
        m_prompter.message("Solids Verification",
                           "The last run has no moves to take the stock from: the fields are left as they were.",
                           platform::MessageKind::Information, platform::Buttons::Ok);
        return;
    }
    setSettings(s);
}

void TTorvelinDlg::accept()
{
    {
        platform::WaitCursor wait;
        VerifySettings s = settings();
        try {
            platform::IniFile ini(m_iniName);
            ExchangeVerifySettings(s, ini, true);
        } catch (const platform::IniWriteError& e) {
            m_prompter.message("Solids Verification", e.what(), platform::MessageKind::Error, platform::Buttons::Ok);
        }
    }
    TOKBottomDlg::accept();
}

// ---- Working ... ----

TWorkingDlg::TWorkingDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      m_meter(new QProgressBar(this)), m_cancel(new QPushButton("Cancel", this))
{
    setWindowTitle("Working ...");
    setObjectName("WorkingDlg");
    m_meter->setRange(0, 100);
    m_meter->setTextVisible(true);
    m_meter->setStyleSheet("QProgressBar { border: 1px solid gray; text-align: center; background: white; }"
                           "QProgressBar::chunk { background: lime; }");
    m_meter->setMinimumWidth(300);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_meter);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_cancel);
    row->addStretch(1);
    layout->addLayout(row);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        closed = true;
        hide();
    });
}

void TWorkingDlg::Reset(const QString& caption)
{
    closed = false;
    m_meter->setValue(0);
    setWindowTitle(caption);
    QCoreApplication::processEvents();
}

void TWorkingDlg::SetPercent(int percent)
{
    if (m_meter->value() == percent)
        return; // the same figure: nothing to show, no need to let events through per record
    m_meter->setValue(percent);
    QCoreApplication::processEvents();
}

void TWorkingDlg::reset(const std::string& caption)
{
    show();
    Reset(platform::toQString(caption));
}

} // namespace vork
