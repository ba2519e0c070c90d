#include "workspace/ui/speed_feed_dialog.h"

#include "workspace/ui/dialog_focus.h"

#include "workspace/ui/expression_fields.h"

#include "workspace/engine/speed_feed.h"

#include "math/engine/mathlib.h"
#include "platform/qt/latin1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString fiveDecimals(double x) { return platform::toQString(vork::RealToShortStr(false, x)); }

QButtonGroup* radioGroup(QWidget* parent, QGroupBox* box, const char* first, const char* second)
{
    auto* group = new QButtonGroup(parent);
    auto* layout = new QVBoxLayout(box);
    int id = 0;
    for (const char* caption : {first, second}) {
        auto* button = new QRadioButton(caption, box);
        group->addButton(button, id++);
        layout->addWidget(button);
    }
    group->button(0)->setChecked(true);
    return group;
}

} // namespace

TSFCalcDlg::TSFCalcDlg(platform::Prompter& prompter, QWidget* parent) : TOKBottomDlg(parent), m_prompter(prompter)
{
    mrw::focusFirstFieldOnShow(this);
    setWindowTitle("Speed & Feed Calculator");
    setObjectName("SFCalcDlg");
    const auto field = [this](const char* name, const char* text) {
        auto* edit = new QLineEdit(text, this);
        edit->setObjectName(name);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance("000000.000000"));
        return edit;
    };
    Edtd = field("Edtd", "0.50000");
    EdNteeth = field("EdNteeth", "4.00000");
    EdChipl = field("EdChipl", "0.04000");
    EdRPM = field("EdRPM", "763.94373");
    EdFPM = field("EdFPM", "100.00000");
    EdIPM = field("EdIPM", "122.23100");
    EdIPR = field("EdIPR", "0.16000");
    EdCutLen = field("EdCutLen", "1.00000");
    Edacell = field("Edacell", "0.20000");
    Edit1 = field("Edit1", "0.09000");
    Edit2 = field("Edit2", "0.00000");
    Edit3 = field("Edit3", "0.00000");
    Edit2->setReadOnly(true);
    Edit3->setReadOnly(true);

    auto* left = new QFormLayout;
    left->addRow("Tool Diameter", Edtd);
    left->addRow("Number of Teeth", EdNteeth);
    left->addRow("Chip Load Per Tooth", EdChipl);
    left->addRow("RPM", EdRPM);
    left->addRow("FPM", EdFPM);
    left->addRow("IPM", EdIPM);
    auto* right = new QFormLayout;
    right->addRow("IPR", EdIPR);
    right->addRow("Cut Length", EdCutLen);
    right->addRow("Acceleration (g)", Edacell);
    right->addRow("Radial Depth of Cut", Edit1);
    right->addRow("Adjusted Chip Load", Edit2);
    right->addRow("Adjusted IPM", Edit3);

    auto* mode = new QGroupBox("Mode", this);
    RadioGroup1 = radioGroup(this, mode, "Milling", "Turning");
    auto* units = new QGroupBox("Units", this);
    RadioGroup2 = radioGroup(this, units, "Inch", "Metric");
    connect(RadioGroup1, &QButtonGroup::idClicked, this, [this] { RadioGroup1Click(); });
    connect(RadioGroup2, &QButtonGroup::idClicked, this, [this] { RadioGroup1Click(); });

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");

    auto* fields = new QHBoxLayout;
    fields->addLayout(left);
    fields->addSpacing(12);
    fields->addLayout(right);
    auto* groups = new QVBoxLayout;
    groups->addWidget(mode);
    groups->addWidget(units);
    groups->addStretch(1);
    fields->addLayout(groups);
    auto* layout = new QVBoxLayout(body());
    layout->addLayout(fields);
    layout->addWidget(Label1);

    // Leaving a field recalculates what depends on it.
    const std::pair<QLineEdit*, int> recalculating[] = {
        {Edtd, mrw::FromSurfaceSpeed}, {EdNteeth, mrw::FromSurfaceSpeed}, {EdFPM, mrw::FromSurfaceSpeed},
        {EdCutLen, mrw::FromSurfaceSpeed}, {Edacell, mrw::FromSurfaceSpeed}, {EdRPM, mrw::FromRpm},
        {EdIPM, mrw::FromFeedPerMinute}, {EdIPR, mrw::FromFeedPerRevolution}};
    for (const auto& [edit, recalcCase] : recalculating)
        mrw::evaluateOnLeaving(edit, m_prompter, [this, c = recalcCase] { recalcAfterLeaving(c); });
    for (QLineEdit* edit : {EdChipl, Edit1})
        mrw::evaluateOnLeaving(edit, m_prompter);

    addHelpButton(HelpTopic);
    disconnect(okButton(), &QPushButton::clicked, this, &QDialog::accept);
    connect(okButton(), &QPushButton::clicked, this, &TSFCalcDlg::OKBtnClick);
    // The defaults' own results, so the box never opens showing numbers of no calculation.
    RecalcSpeedFeed(mrw::FromSurfaceSpeed);
}

bool TSFCalcDlg::metric() const { return RadioGroup2->checkedId() == 1; }
bool TSFCalcDlg::turning() const { return RadioGroup1->checkedId() == 1; }

QLabel* TSFCalcDlg::captionOf(QLineEdit* edit) const
{
    for (auto* form : body()->findChildren<QFormLayout*>())
        if (auto* label = qobject_cast<QLabel*>(form->labelForField(edit)))
            return label;
    return nullptr;
}

void TSFCalcDlg::RecalcSpeedFeed(int recalcCase)
{
    using mrw::fieldValue;
    mrw::SpeedFeed s;
    s.D = fieldValue(Edtd);
    s.z = fieldValue(EdNteeth);
    s.f = fieldValue(EdChipl);
    s.N = fieldValue(EdRPM);
    s.V = fieldValue(EdFPM);
    s.F = fieldValue(EdIPM);
    s.fr = fieldValue(EdIPR);
    s.L = fieldValue(EdCutLen);
    s.acc = fieldValue(Edacell);
    s.e = fieldValue(Edit1);
    s.metric = metric();
    mrw::RecalcSpeedFeed(s, recalcCase);
    EdRPM->setText(fiveDecimals(s.N));
    EdFPM->setText(fiveDecimals(s.V));
    EdIPR->setText(fiveDecimals(s.fr));
    EdIPM->setText(fiveDecimals(s.F));
    EdNteeth->setText(fiveDecimals(s.z));
    Edtd->setText(fiveDecimals(s.D));
    EdChipl->setText(fiveDecimals(s.f));
    Label1->setText(platform::toQString(mrw::cutTimeText(s.cutTime)));
    Edit2->setText(fiveDecimals(s.adjustedChipLoad));
    Edit3->setText(fiveDecimals(s.adjustedFeed));
    m_lastInputs = inputTexts();
}

QStringList TSFCalcDlg::inputTexts() const
{
    QStringList texts{metric() ? "Metric" : "Inch"};
    for (const QLineEdit* edit : {Edtd, EdNteeth, EdChipl, EdRPM, EdFPM, EdIPM, EdIPR, EdCutLen, Edacell, Edit1})
        texts << edit->text();
    return texts;
}

void TSFCalcDlg::recalcAfterLeaving(int recalcCase)
{
    // A result read back from its five decimals would move the others in their last digit,
    // and the report would no longer be what the screen showed.
    if (inputTexts() != m_lastInputs)
        RecalcSpeedFeed(recalcCase);
}

void TSFCalcDlg::RadioGroup1Click()
{
    const bool m = metric();
    captionOf(EdFPM)->setText(m ? "M/min" : "FPM");
    captionOf(EdIPM)->setText(m ? "MM/min" : "IPM");
    captionOf(EdIPR)->setText(m ? "MM/rev" : "IPR");
    const bool turn = turning();
    captionOf(Edtd)->setText(turn ? "Turned Diameter" : "Tool Diameter");
    if (turn) {
        EdNteeth->setText("1.0");
        EdChipl->setText(EdIPR->text());
    }
    for (QLineEdit* edit : {EdNteeth, EdChipl}) {
        edit->setEnabled(!turn);
        edit->setVisible(!turn);
        captionOf(edit)->setVisible(!turn);
    }
}

std::string TSFCalcDlg::report() const
{
    const auto text = [](const QWidget* w) {
        if (auto* edit = qobject_cast<const QLineEdit*>(w))
            return platform::toBytes(edit->text());
        return platform::toBytes(static_cast<const QLabel*>(w)->text());
    };
    const mrw::SpeedFeedTexts t{text(Edtd),     text(EdNteeth), text(EdChipl), text(EdRPM),  text(EdFPM),
                                text(EdIPM),    text(EdIPR),    text(Edacell), text(EdCutLen), text(Edit1),
                                text(Edit2),    text(Edit3),    text(Label1)};
    return mrw::speedFeedReport(t, metric());
}

void TSFCalcDlg::OKBtnClick()
{
    if (!mrw::evaluateFields({Edtd, EdNteeth, EdChipl, EdRPM, EdFPM, EdIPM, EdIPR, EdCutLen, Edacell, Edit1},
                             m_prompter))
        return;
    QApplication::clipboard()->setText(platform::toQString(report()));
    accept();
}
