#include "workspace/ui/word_utility_dialogs.h"

#include "math/engine/expression.h"
#include "math/engine/mathlib.h"
#include "math/ui/expression_field.h"

#include "platform/format.h"
#include "platform/qt/latin1.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Substitution cells hold at most 80 characters.
class SubstitutionCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setMaxLength(static_cast<int>(mrw::SubstitutionTextLimit));
        return editor;
    }
};

} // namespace

// ---- Feed / speed override -----------------------------------------------------------

TFSoverDlg::TFSoverDlg(QWidget* parent) : UtilityOptionsDlg("Feed / Speed Override", 109, parent)
{
    auto* flab = new QLabel(this);
    flab->setObjectName("Flab");
    auto* slab = new QLabel(this);
    slab->setObjectName("Slab");
    auto* layout = new QFormLayout(body());
    layout->addRow(new QLabel("Feed Rate Override", this));
    layout->addRow(slider("feedbar", flab, m_feedPercent), flab);
    layout->addRow(new QLabel("Spindle Speed Override", this));
    layout->addRow(slider("Speedbar", slab, m_speedPercent), slab);
}

QSlider* TFSoverDlg::slider(const char* name, QLabel* label, int& percent)
{
    auto* bar = new QSlider(Qt::Horizontal, this);
    bar->setObjectName(name);
    bar->setRange(-19, 20);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    const auto show = [label, &percent](int position) {
        percent = percentOf(position);
        label->setText(platform::toQString(platform::format("%3d%%", {percent})));
    };
    connect(bar, &QSlider::valueChanged, this, show);
    // Every showing starts again at 100 %.
    onShow([bar, show] {
        bar->setValue(0);
        show(0);
    });
    show(0);
    return bar;
}

// ---- Arithmetic ----------------------------------------------------------------------

TArithDlg::TArithDlg(mrw::MachineSettings& settings, platform::Prompter& prompter, QWidget* parent)
    : UtilityOptionsDlg("Arithmetic", 105, parent), m_settings(settings), m_prompter(prompter)
{
    mrw::ArithmeticOptions& o = settings.Arith;
    m_amount = boundText("Amount", o.Amount);
    connect(m_amount, &QLineEdit::editingFinished, this, [this] {
        vork::LineEditEntry entry(m_amount);
        vork::EvalEditExpression(entry, m_prompter, vork::WorkspaceExpressions());
        m_settings.Arith.Amount = platform::toBytes(m_amount->text());
    });

    auto* operation = new QGroupBox("Operation", this);
    auto* group = new QButtonGroup(this);
    auto* operationLayout = new QVBoxLayout(operation);
    const std::pair<const char*, const char*> buttons[] = {
        {"RBadd", "Add"}, {"RBsub", "Subtract"}, {"RBmul", "Multiply"}, {"RBdiv", "Divide"}};
    int id = 1;
    for (const auto& [name, caption] : buttons) {
        auto* button = new QRadioButton(caption, operation);
        button->setObjectName(name);
        group->addButton(button, id++);
        operationLayout->addWidget(button);
    }
    connect(group, &QButtonGroup::idClicked, this, [&o](int chosen) { o.Operation = chosen; });
    onShow([group, &o] {
        if (QAbstractButton* b = group->button(o.Operation))
            b->setChecked(true);
    });

    auto* form = new QFormLayout(body());
    form->addRow("Registers To Adjust ", boundText("Regs", o.Regs));
    form->addRow("Amount ", m_amount);
    form->addRow(operation);
}

void TArithDlg::accept()
{
    const mrw::ArithmeticOptions& o = m_settings.Arith;
    if (o.Operation == 4 && vork::IsNearZero(vork::StrToReal(o.Amount))) {
        m_prompter.message("Marrowin", "Cannot Divide by Zero", platform::MessageKind::Error, platform::Buttons::Ok);
        return;
    }
    UtilityOptionsDlg::accept();
}

// ---- Reformat ------------------------------------------------------------------------

TReformatDlg::TReformatDlg(mrw::MachineSettings& settings, platform::Prompter& prompter,
                           std::function<QStringList()> machineNames, std::function<QString()> currentMachine,
                           QWidget* parent)
    : UtilityOptionsDlg("Reformat NC-Code", 111, parent), m_settings(settings), m_prompter(prompter),
      m_machineNames(std::move(machineNames)), m_currentMachine(std::move(currentMachine))
{
    mrw::ReformatOptions& o = settings.Reformat;
    m_mixOk = new QCheckBox("Allow Mixed Decimal/Trailing", this);
    m_mixOk->setObjectName("CBMixok");
    m_mixOk->setChecked(true);
    m_names = new QComboBox(this);
    m_names->setObjectName("Mnames");
    connect(m_names, &QComboBox::activated, this,
            [this](int index) { m_settings.Reformat.ReformatTargetMachine = platform::toBytes(m_names->itemText(index)); });

    m_grid = new QTableWidget(mrw::SubstitutionRows, 3, this);
    m_grid->setObjectName("SubGrid");
    m_grid->setHorizontalHeaderLabels({"#", "Old", "New"});
    m_grid->verticalHeader()->hide();
    m_grid->setItemDelegate(new SubstitutionCellDelegate(m_grid));
    m_grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_grid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_grid->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    connect(m_grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == 0)
            return;
        auto& row = m_settings.Reformat.Rows[static_cast<std::size_t>(item->row())];
        std::string text = platform::toBytes(item->text()).substr(0, mrw::SubstitutionTextLimit);
        (item->column() == 1 ? row.Old : row.New) = std::move(text);
    });
    auto* substitutions = new QGroupBox("Substitution List", this);
    auto* subLayout = new QVBoxLayout(substitutions);
    subLayout->addWidget(m_grid);

    QCheckBox* useSub = boundCheck("Cbusesub", "Use Substition List", o.Cbusesub);
    connect(useSub, &QCheckBox::toggled, m_grid, &QWidget::setEnabled);

    auto* form = new QFormLayout(body());
    form->addRow("Registers To Reformat", boundText("Regs", o.Regs));
    form->addRow(boundCheck("Cbrefreg", "Reformat Registers", o.Cbrefreg));
    form->addRow(boundCheck("Cbgcode", "Change -G- Codes", o.Cbgcode));
    form->addRow(boundCheck("Cbcmt", "Change Comment Start/End", o.Cbcmt));
    form->addRow(useSub);
    form->addRow(m_mixOk);
    form->addRow("New Machine ", m_names);
    form->addRow(substitutions);

    onShow([this, useSub] {
        m_grid->setEnabled(useSub->isChecked());
        fillRows();
        m_names->clear();
        m_names->addItems(m_machineNames());
        m_names->setCurrentIndex(m_names->findText(platform::toQString(m_settings.Reformat.ReformatTargetMachine),
                                                   Qt::MatchExactly | Qt::MatchCaseSensitive));
    });
    resize(520, 640);
}

void TReformatDlg::fillRows()
{
    const QSignalBlocker quiet(m_grid);
    for (int r = 0; r < mrw::SubstitutionRows; ++r) {
        const auto& row = m_settings.Reformat.Rows[static_cast<std::size_t>(r)];
        auto* number = new QTableWidgetItem(QString::number(r + 1));
        number->setFlags(Qt::ItemIsEnabled);
        m_grid->setItem(r, 0, number);
        m_grid->setItem(r, 1, new QTableWidgetItem(platform::toQString(row.Old)));
        m_grid->setItem(r, 2, new QTableWidgetItem(platform::toQString(row.New)));
    }
}

bool TReformatDlg::mixedOk() const
{
    return m_mixOk->isChecked();
}

QString TReformatDlg::newMachine() const
{
    return m_names->currentText();
}

void TReformatDlg::accept()
{
    if (newMachine().isEmpty() || newMachine() == m_currentMachine()) {
        m_prompter.message("Marrowin",
                           newMachine().isEmpty() ? "Select the New Machine"
                                                  : "Current Machine & New Machine Are the Same",
                           platform::MessageKind::Error, platform::Buttons::Ok);
        return;
    }
    UtilityOptionsDlg::accept();
}
