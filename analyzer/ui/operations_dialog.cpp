#include "analyzer/ui/operations_dialog.h"

#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/engine/drawing_canvas.h"
#include "math/engine/mathlib.h"
#include "analyzer/ui/color_picker.h"
#include "math/ui/expression_field.h"
#include "analyzer/ui/window_commands.h"
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/qt_canvas.h"
#include "analyzer/ui/text_printout.h"
#include "platform/paths.h"
#include "platform/qt/help.h"
#include "platform/qt/latin1.h"
#include "platform/qt/wait_cursor.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

namespace vork {

namespace {

constexpr int OperationsHelp = 10021;
constexpr int PreviewColor = 13;

enum Column { CurrentColumn, OpColumn, PostColumn, ColorColumn, DescriptionColumn, ColumnCount };

QString text(const std::string& s) { return platform::toQString(s); }
std::string bytes(const QString& s) { return platform::toBytes(s); }

} // namespace

// ---- The table of operations ----

class OperationsModel : public QAbstractTableModel {
public:
    explicit OperationsModel(TOperationTable& table, QObject* parent) : QAbstractTableModel(parent), m_table(table) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : OperationSlots; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        if (orientation == Qt::Vertical)
            return section + 1;
        static const char* const names[] = {"Current", "Op#", "Post", "Color", "Description"};
        return names[section];
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        const bool empty = record(index).empty();
        switch (index.column()) {
        case OpColumn: return f | Qt::ItemIsEditable;
        case DescriptionColumn: return empty ? f : f | Qt::ItemIsEditable;
        case PostColumn: return empty ? f : f | Qt::ItemIsUserCheckable;
        default: return f;
        }
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const TOperationRecord& r = record(index);
        if (role == Qt::ToolTipRole)
            return index.column() == CurrentColumn ? "Double Click To Make Current" : "Double Click for Options";
        if (index.column() == CurrentColumn && role == Qt::FontRole) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        if (r.empty())
            return {};
        switch (index.column()) {
        case CurrentColumn:
            return role == Qt::DisplayRole ? QVariant(r.opnum == m_table.MarkedOpnum ? "Yes" : "   ") : QVariant();
        case OpColumn:
            return role == Qt::DisplayRole || role == Qt::EditRole ? QVariant(int(r.opnum)) : QVariant();
        case PostColumn:
            // The posted mark lives in the record itself, so it moves with its operation.
            return role == Qt::CheckStateRole ? QVariant(TestFlagBit(r.flags, 0) ? Qt::Checked : Qt::Unchecked)
                                              : QVariant();
        case ColorColumn:
            return role == Qt::BackgroundRole ? QVariant(paletteQColor(r.color)) : QVariant();
        case DescriptionColumn:
            return role == Qt::DisplayRole || role == Qt::EditRole ? QVariant(text(r.desc[0])) : QVariant();
        default: return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        const int row = index.row() + 1;
        if (index.column() == OpColumn && role == Qt::EditRole) {
            bool ok = false;
            const int opnum = value.toString().trimmed().toInt(&ok);
            if (!ok || opnum < 0 || opnum > 32767)
                return false;
            const int slot = StartOperationNumberEdit(m_table, row);
            if (m_table.slot(slot).opnum != opnum) {
                m_table.slot(slot).opnum = static_cast<std::int16_t>(opnum);
                sortPending = true;
            }
            emit dataChanged(this->index(0, 0), this->index(OperationSlots - 1, ColumnCount - 1));
            return true;
        }
        TOperationRecord& r = m_table.slot(row);
        if (r.empty())
            return false;
        if (index.column() == PostColumn && role == Qt::CheckStateRole) {
            SetFlagBit(r.flags, 0, value.toInt() == Qt::Checked);
        } else if (index.column() == DescriptionColumn && role == Qt::EditRole) {
            r.desc[0] = bytes(value.toString()).substr(0, OperationTextLength);
        } else {
            return false;
        }
        emit dataChanged(index, index);
        return true;
    }

    // Every cell again; the view keeps its active cell (the operation under edit).
    void reset() { emit dataChanged(index(0, 0), index(OperationSlots - 1, ColumnCount - 1)); }

    // An operation number was changed: the table is sorted when the cell is left.
    bool sortPending = false;

private:
    const TOperationRecord& record(const QModelIndex& index) const { return m_table.slot(index.row() + 1); }
    TOperationTable& m_table;
};

// ---- The dialog ----

TOperationsdlg::TOperationsdlg(TOperationTable& table, std::int16_t& runOpSlot, const AnalyzerSettings& settings,
                               platform::Prompter& prompter, std::function<bool()> metric, QWidget* parent)
    : QDialog(parent), m_table(table), m_runOpSlot(runOpSlot), m_settings(settings), m_prompter(prompter),
      m_metric(std::move(metric))
{
    setWindowTitle("Machining Operations Manager");
    setModal(true);
    resize(760, 520);
    chooseFile = [this](bool save) {
        const QString folder = QString::fromStdString(OperationFileFolder(m_settings));
        const QString filter = OperationFileFilter;
        QString name = save ? QFileDialog::getSaveFileName(this, "Save an Operation File", folder, filter)
                            : QFileDialog::getOpenFileName(this, "Retrive an Operation File", folder, filter);
        if (save && !name.isEmpty() && QFileInfo(name).suffix().isEmpty())
            name += ".OPF";
        return name.toStdString();
    };

    m_canvas = std::make_unique<ImageCanvas>(QSize(260, 220));
    m_window.DisplayFileON(false);

    auto* layout = new QVBoxLayout(this);
    buildMenus(layout);
    m_tabs = new QTabWidget(this);
    m_tabs->addTab(buildListPage(), "Operation &List");
    m_tabs->addTab(buildDetailsPage(), "&Details");
    m_tabs->addTab(buildShapePage(), "Tool &Shape");
    layout->addWidget(m_tabs, 1);
    connect(m_tabs, &QTabWidget::currentChanged, this, &TOperationsdlg::pageChanged);

    m_table.SpareOperation = OperationTemplate();
    LoadForm(m_form, m_table.slot(editSlot()));
    formToControls(m_form);
}

TOperationsdlg::~TOperationsdlg() = default;

QAbstractItemModel* TOperationsdlg::model() const { return m_model; }

bool TOperationsdlg::hasCurrentOperation() const
{
    if (m_table.MarkedOpnum == -1)
        return false;
    for (int n = 1; n <= OperationSlots; ++n)
        if (m_table.slot(n).opnum == m_table.MarkedOpnum)
            return true;
    return false;
}

void TOperationsdlg::buildMenus(QVBoxLayout* layout)
{
    auto* bar = new QMenuBar(this);
    m_operationMenu = bar->addMenu("&Operation");
    auto add = [this](const char* caption, auto slot) {
        QAction* a = m_operationMenu->addAction(caption);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add("&Delete Current", [this] {
        if (!hasCurrentOperation()) {
            m_prompter.message(windowTitle().toStdString(),
                               "No operation is current: double click the Current cell of the operation to delete.",
                               platform::MessageKind::Information, platform::Buttons::Ok);
            return;
        }
        if (m_table.DeleteCurrent(m_prompter, m_runOpSlot))
            tableChanged();
    });
    add("Delete &All", [this] {
        if (m_table.DeleteAll(m_prompter))
            tableChanged();
    });
    QAction* print = add("&Print", [this] { Print(); });
    add("Re&number", [this] {
        if (m_table.Renumber(m_prompter))
            tableChanged();
    });
    QAction* retrieve = add("&Retrieve File", [this] { Retrieve(); });
    QAction* save = add("&Save File", [this] { SaveFile(); });
    QAction* exit = add("E&xit Operations", [this] { accept(); });
    // The recent operation files follow the commands.
    connect(m_operationMenu, &QMenu::aboutToShow, this, [this] {
        for (QAction* a : m_operationMenu->actions())
            if (a->property("recent").toBool())
                m_operationMenu->removeAction(a), a->deleteLater();
        const auto& entries = m_table.RecentFiles.entries();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (i == 0) {
                QAction* separator = m_operationMenu->addSeparator();
                separator->setProperty("recent", true);
            }
            const std::string name = entries[i];
            QAction* a = m_operationMenu->addAction(QString("&%1 %2").arg(i + 1).arg(text(name)));
            a->setProperty("recent", true);
            connect(a, &QAction::triggered, this, [this, name] { Retrieve(name); });
        }
    });
    QMenu* help = bar->addMenu("&Help");
    platform::addHelpItem(*help, "&Help", platform::helpTopicPage(OperationsHelp));
    layout->setMenuBar(bar);

    auto* tools = new QToolBar(this);
    auto tool = [&](QAction* a, QStyle::StandardPixmap icon, const char* hint) {
        QAction* b = tools->addAction(style()->standardIcon(icon), hint);
        b->setToolTip(hint);
        connect(b, &QAction::triggered, a, &QAction::trigger);
    };
    tool(retrieve, QStyle::SP_DialogOpenButton, "Retrive an Operation File");
    tool(save, QStyle::SP_DialogSaveButton, "Save an Operation File");
    tool(print, QStyle::SP_FileDialogDetailedView, "Print an Operation List");
    tool(exit, QStyle::SP_DialogCloseButton, "Exit from Operations Setup");
    layout->addWidget(tools);
}

QWidget* TOperationsdlg::buildListPage()
{
    auto* page = new QWidget(this);
    m_model = new OperationsModel(m_table, this);
    m_view = new QTableView(page);
    m_view->setObjectName("optable");
    m_view->setModel(m_model);
    m_view->setToolTip("Double Click for Options");
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                            QAbstractItemView::SelectedClicked);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setColumnWidth(CurrentColumn, 60);
    m_view->setColumnWidth(OpColumn, 60);
    m_view->setColumnWidth(PostColumn, 45);
    m_view->setColumnWidth(ColorColumn, 45);
    connect(m_view, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { cellDoubleClicked(index.row(), index.column()); });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (!m_model->sortPending)
            return;
        m_model->sortPending = false;
        const int opnum = current.isValid() ? m_table.slot(current.row() + 1).opnum : -1;
        m_table.SortByOpNumber();
        m_model->reset();
        // The cursor stays on the operation it was moved to.
        for (int n = 1; n <= OperationSlots && opnum != -1; ++n)
            if (m_table.slot(n).opnum == opnum) {
                m_view->setCurrentIndex(m_model->index(n - 1, current.column()));
                break;
            }
    });
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_view);
    return page;
}

QWidget* TOperationsdlg::buildDetailsPage()
{
    auto* page = new QWidget(this);
    auto spin = [page](const char* name, int step) {
        auto* s = new QSpinBox(page);
        s->setObjectName(name);
        s->setRange(-1, 32767);
        s->setSingleStep(step);
        return s;
    };
    auto field = [page](const char* name, const char* initial) {
        auto* e = new QLineEdit(initial, page);
        e->setObjectName(name);
        return e;
    };
    auto combo = [page](const char* name, const QStringList& items) {
        auto* c = new QComboBox(page);
        c->setObjectName(name);
        c->addItems(items);
        return c;
    };
    m_opnum = spin("opnum", 10);
    m_optype = combo("optype", {"Milling", "Turning"});
    m_toolnum = spin("toolnum", 1);
    m_offsetnum = spin("offsetnum", 1);
    m_fixoff = spin("fixoff", 1);
    for (std::size_t i = 0; i < 3; ++i) {
        m_desc[i] = field(("desc" + std::to_string(i + 1)).c_str(), "");
        m_desc[i]->setMaxLength(static_cast<int>(OperationTextLength));
    }
    m_toolSize = field("toolSize", "1.0");
    m_stock = field("stock", "0.0");
    m_feed = field("feed", "1.0");
    m_speed = field("speed", "1.0");
    m_corner = field("cornerRadius", "0.0");
    m_ipm = new QRadioButton("IPM", page);
    m_ipr = new QRadioButton("IPR", page);
    m_rpm = new QRadioButton("RPM", page);
    m_css = new QRadioButton("CSS", page);
    m_ipm->setChecked(true);
    m_rpm->setChecked(true);
    m_forward = new QCheckBox("Forward", page);
    m_forward->setChecked(true);
    m_range = combo("range", {"Range #1", "Range #2", "Range #3", "Range #4", "Range #5"});
    m_lcomp = combo("lcomp", {"OD Turning", "ID Boring", "None", "OD Bak Turn", "ID Bak Turn", "Facing"});
    m_coolant = combo("coolant", {"Flood", "Off", "Mist"});
    m_sizeLabel = new QLabel("Tool Diameter", page);
    m_cornerLabel = new QLabel("Corner Radius", page);

    for (QLineEdit* e : {m_toolSize, m_stock, m_feed, m_speed})
        connect(e, &QLineEdit::editingFinished, this, [e] { evalLineEdit(e); });
    connect(m_corner, &QLineEdit::editingFinished, this, [this] {
        evalLineEdit(m_corner);
        m_corner->setText(text(CheckCornerRadius(bytes(m_corner->text()), bytes(m_toolSize->text()))));
    });
    connect(m_optype, &QComboBox::currentIndexChanged, this, [this] { showTypeControls(); });

    auto* feedBox = new QGroupBox("Feed", page);
    auto* feedLayout = new QHBoxLayout(feedBox);
    feedLayout->addWidget(m_ipm);
    feedLayout->addWidget(m_ipr);
    feedLayout->addWidget(m_feed);
    auto* speedBox = new QGroupBox("Spindle / Speed", page);
    speedBox->setObjectName("spindleGroup");
    auto* speedLayout = new QGridLayout(speedBox);
    speedLayout->addWidget(m_rpm, 0, 0);
    speedLayout->addWidget(m_css, 0, 1);
    speedLayout->addWidget(m_forward, 0, 2);
    speedLayout->addWidget(m_range, 1, 0, 1, 2);
    speedLayout->addWidget(m_speed, 1, 2);
    // The radio buttons of each group exclude each other.
    auto* feedGroup = new QButtonGroup(feedBox);
    feedGroup->addButton(m_ipm);
    feedGroup->addButton(m_ipr);
    auto* speedGroup = new QButtonGroup(speedBox);
    speedGroup->addButton(m_rpm);
    speedGroup->addButton(m_css);

    auto* form = new QGridLayout(page);
    int row = 0;
    auto pair = [&](const char* label, QWidget* w, int column = 0) {
        form->addWidget(new QLabel(label, page), row, column);
        form->addWidget(w, row, column + 1);
    };
    pair("Operation #", m_opnum);
    pair("Operation Type", m_optype, 2);
    ++row;
    pair("Tool Number", m_toolnum);
    pair("Offset Number", m_offsetnum, 2);
    ++row;
    form->addWidget(new QLabel("Description:", page), row++, 0);
    for (QLineEdit* d : m_desc)
        form->addWidget(d, row++, 0, 1, 4);
    pair("Fixture Offset #", m_fixoff);
    form->addWidget(m_sizeLabel, row, 2);
    form->addWidget(m_toolSize, row, 3);
    ++row;
    pair("Stock Allowance", m_stock);
    form->addWidget(m_cornerLabel, row, 2);
    form->addWidget(m_corner, row, 3);
    form->addWidget(m_lcomp, row, 3);
    ++row;
    form->addWidget(feedBox, row, 0, 1, 2);
    form->addWidget(speedBox, row, 2, 1, 2);
    ++row;
    pair("Coolant :", m_coolant);
    form->setRowStretch(row + 1, 1);
    showTypeControls();
    return page;
}

QWidget* TOperationsdlg::buildShapePage()
{
    auto* page = new QWidget(this);
    m_shape = new QComboBox(page);
    m_shape->setObjectName("shape");
    m_shape->addItems({"End Mill", "Drill", "Diamond", "Square", "Triangle", "Round", "Threading", "Grooving",
                       "Drill (Lathe)"});
    m_orientation = new QComboBox(page);
    m_orientation->setObjectName("orientation");
    m_orientation->addItems({"OD Turning", "ID Boring", "None", "OD Back Turn", "ID Back Turn", "Facing"});
    m_orientationLabel = new QLabel("Tool Orientation (Lathes)", page);
    auto* grid = new QGridLayout(page);
    grid->addWidget(new QLabel("Tool Shape", page), 0, 0);
    grid->addWidget(m_shape, 0, 1);
    grid->addWidget(m_orientationLabel, 1, 0);
    grid->addWidget(m_orientation, 1, 1);
    const OperationForm initial;
    for (std::size_t i = 0; i < 7; ++i) {
        m_pLabel[i] = new QLabel(page);
        m_p[i] = new QLineEdit(text(initial.p[i]), page);
        m_p[i]->setObjectName(QString("p%1").arg(i + 1));
        grid->addWidget(m_pLabel[i], static_cast<int>(i) + 2, 0);
        grid->addWidget(m_p[i], static_cast<int>(i) + 2, 1);
        QLineEdit* e = m_p[i];
        connect(e, &QLineEdit::editingFinished, this, [this, e] {
            evalLineEdit(e);
            refreshToolPage();
        });
    }
    m_previewLabel = new QLabel("Tool Preview, Op# ", page);
    m_previewLabel->setObjectName("previewLabel");
    m_previewView = new CanvasView(m_canvas.get(), page);
    m_previewView->setFixedSize(m_canvas->image().size());
    grid->addWidget(m_previewLabel, 0, 2);
    grid->addWidget(m_previewView, 1, 2, 8, 1);
    grid->setRowStretch(9, 1);
    connect(m_shape, &QComboBox::currentIndexChanged, this, [this] { refreshToolPage(); });
    connect(m_orientation, &QComboBox::currentIndexChanged, this, [this] { refreshToolPage(); });
    return page;
}

int TOperationsdlg::editSlot() const
{
    const QModelIndex current = m_view ? m_view->currentIndex() : QModelIndex();
    return current.isValid() ? current.row() + 1 : 1;
}

void TOperationsdlg::showTypeControls()
{
    const bool metric = m_metric && m_metric();
    m_ipm->setText(metric ? "MPM" : "IPM");
    m_ipr->setText(metric ? "MPR" : "IPR");
    const bool turning = m_optype->currentIndex() == TurningIndex;
    m_sizeLabel->setText(turning ? "Tool Radius" : "Tool Diameter");
    m_corner->setVisible(!turning);
    m_lcomp->setVisible(turning);
    m_lcomp->setEnabled(turning);
    m_cornerLabel->setText(turning ? "Lathe Comp Mode" : "Corner Radius");
}

void TOperationsdlg::formToControls(const OperationForm& f)
{
    m_form = f;
    auto whole = [](QSpinBox* s, const std::string& v) { s->setValue(QString::fromStdString(v).toInt()); };
    whole(m_opnum, f.opnum);
    whole(m_toolnum, f.toolnum);
    whole(m_offsetnum, f.offsetnum);
    whole(m_fixoff, f.fixoff);
    m_optype->setCurrentIndex(f.optype);
    m_toolSize->setText(text(f.toolSize));
    m_stock->setText(text(f.stock));
    m_feed->setText(text(f.feed));
    m_speed->setText(text(f.speed));
    m_corner->setText(text(f.cornerRadius));
    (f.ipm ? m_ipm : m_ipr)->setChecked(true);
    (f.rpm ? m_rpm : m_css)->setChecked(true);
    m_forward->setChecked(f.forward);
    m_range->setCurrentIndex(f.range);
    m_coolant->setCurrentIndex(f.coolant);
    m_lcomp->setCurrentIndex(f.lcomp);
    for (std::size_t i = 0; i < 3; ++i)
        m_desc[i]->setText(text(f.desc[i]));
    {
        const QSignalBlocker a(m_shape), b(m_orientation);
        m_shape->setCurrentIndex(f.shape);
        m_orientation->setCurrentIndex(f.orientation);
    }
    for (std::size_t i = 0; i < 7; ++i)
        m_p[i]->setText(text(f.p[i]));
    showTypeControls();
}

OperationForm TOperationsdlg::controlsToForm() const
{
    OperationForm f = m_form; // the carried values
    f.opnum = std::to_string(m_opnum->value());
    f.toolnum = std::to_string(m_toolnum->value());
    f.offsetnum = std::to_string(m_offsetnum->value());
    f.fixoff = std::to_string(m_fixoff->value());
    f.optype = m_optype->currentIndex();
    f.toolSize = bytes(m_toolSize->text());
    f.stock = bytes(m_stock->text());
    f.feed = bytes(m_feed->text());
    f.speed = bytes(m_speed->text());
    f.cornerRadius = bytes(m_corner->text());
    f.ipm = m_ipm->isChecked();
    f.rpm = m_rpm->isChecked();
    f.forward = m_forward->isChecked();
    f.range = m_range->currentIndex();
    f.coolant = m_coolant->currentIndex();
    f.lcomp = m_lcomp->currentIndex();
    for (std::size_t i = 0; i < 3; ++i)
        f.desc[i] = bytes(m_desc[i]->text());
    f.shape = m_shape->currentIndex();
    f.orientation = m_orientation->currentIndex();
    for (std::size_t i = 0; i < 7; ++i)
        f.p[i] = bytes(m_p[i]->text());
    return f;
}

void TOperationsdlg::pageChanged(int to)
{
    const int from = m_oldIndex;
    m_oldIndex = to;
    OperationForm f = controlsToForm();
    TOperationRecord& record = m_table.slot(editSlot());
    bool sort = false;
    const std::string error = ChangePage(f, record, from, to, sort, &m_prompter);
    if (!error.empty())
        m_prompter.message("Operations", error, platform::MessageKind::Error, platform::Buttons::Ok);
    const int opnum = record.opnum;
    formToControls(f);
    if (sort) {
        m_table.SortByOpNumber();
        m_model->reset();
        for (int n = 1; n <= OperationSlots && opnum != -1; ++n)
            if (m_table.slot(n).opnum == opnum) {
                m_view->setCurrentIndex(m_model->index(n - 1, 0));
                break;
            }
    } else {
        m_model->reset();
    }
    if (to == ToolShapePage) {
        m_previewLabel->setText(text(PreviewLabel(record)));
        refreshToolPage();
    }
}

void TOperationsdlg::refreshToolPage()
{
    const int shape = m_shape->currentIndex();
    const ShapeLabels labels = SetShapeLabels(shape);
    m_orientation->setEnabled(labels.orientationEnabled);
    m_orientationLabel->setEnabled(labels.orientationEnabled);
    if (labels.p1Text)
        m_p[0]->setText(text(*labels.p1Text));
    for (std::size_t i = 0; i < 7; ++i) {
        m_pLabel[i]->setText(text(labels.label[i]));
        m_pLabel[i]->setEnabled(labels.labelEnabled[i] && labels.fieldEnabled[i]);
        m_p[i]->setEnabled(labels.fieldEnabled[i]);
    }
    OperationForm f = controlsToForm();
    const std::array<double, 7> values = PreviewValues(f, &m_prompter);
    for (std::size_t i = 0; i < 2; ++i)
        if (bytes(m_p[i]->text()) != f.p[i])
            m_p[i]->setText(text(f.p[i]));
    drawPreview(values);
}

void TOperationsdlg::drawPreview(const std::array<double, 7>& v)
{
    const int shape = m_shape->currentIndex();
    m_image.ResetToolImage();
    const bool lathe = IsLatheShape(shape);
    if (shape == ShapeEndMill)
        m_image.BuildMillToolImage(false, v[0], v[2], v[1], 0);
    else if (shape == ShapeDrill)
        m_image.BuildMillToolImage(true, v[0], 0, v[1], v[2]);
    else
        m_image.BuildLatheToolImage(shape - 2, m_orientation->currentIndex(), v);

    Canvas& canvas = *m_canvas;
    m_window.Init(canvas);
    m_window.DisplayFileON(false);
    const QSize size = m_canvas->image().size();
    m_window.SetAspect(size.width(), size.height());
    if (lathe) {
        const Extents e = m_image.ToolImageExtents();
        m_window.SetExt(e.xmin, e.ymin, e.xmax, e.ymax);
        m_window.SetThreeD(false, 0, 0, 0);
    } else {
        const double w = std::max(std::fabs(v[0]), 1e-3);
        const double h = std::max(std::fabs(v[1]), 1e-3);
        m_window.SetExt(-0.6 * w, -0.1 * h, 0.6 * w, 1.1 * h);
        m_window.SetThreeD(true, 50, -50, -25);
    }
    m_window.SetupCanvas(canvas);
    m_window.SetColor(canvas, PreviewColor);
    m_window.Clearcanvas(canvas);
    m_window.SetColor(canvas, PreviewColor);
    m_image.DrawToolImage(m_window, canvas, false, 0, 0, 0);
    m_previewView->update();
}

void TOperationsdlg::cellDoubleClicked(int row, int column)
{
    if (row < 0 || row >= OperationSlots)
        return;
    TOperationRecord& r = m_table.slot(row + 1);
    if (r.empty())
        return;
    if (column == CurrentColumn) {
        m_table.MarkedOpnum = r.opnum;
        m_model->reset();
    } else if (column == ColorColumn) {
        ColorPicker picker(this);
        picker.Setpen(r.color);
        if (picker.exec() == QDialog::Accepted) {
            r.color = static_cast<std::uint8_t>(picker.GetPen());
            m_model->reset();
        }
    }
}

void TOperationsdlg::tableChanged()
{
    m_model->reset();
    LoadForm(m_form, m_table.slot(editSlot()));
    formToControls(m_form);
}

void TOperationsdlg::Retrieve()
{
    const std::string name = chooseFile(false);
    if (!name.empty())
        Retrieve(name);
}

void TOperationsdlg::Retrieve(const std::string& fileName)
{
    m_table.Loadfile(fileName, &m_prompter);
    tableChanged();
}

void TOperationsdlg::SaveFile()
{
    // What is on the details page belongs to the table first.
    if (m_tabs->currentIndex() != ListPage)
        m_tabs->setCurrentIndex(ListPage);
    const std::string name = chooseFile(true);
    if (name.empty())
        return;
    platform::WaitCursor wait;
    if (m_table.Save(name, &m_prompter))
        m_table.RecentFiles.add(name);
}

void TOperationsdlg::PrintTo(QPrinter& printer)
{
    platform::WaitCursor wait;
    PrintTextLines(printer, OperationListLines(m_table, DateTimeStamp()), "ZELMOVANTRIX");
}

void TOperationsdlg::Print()
{
    QPrinter& printer = ProgramPrinter(this);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        PrintTo(printer);
}

void TOperationsdlg::showEvent(QShowEvent* event)
{
    m_model->reset();
    m_canvas->resize(m_canvas->image().size());
    m_window.Init(*m_canvas);
    m_window.SetColor(*m_canvas, PreviewColor);
    m_window.Clearcanvas(*m_canvas);
    QDialog::showEvent(event);
}

void TOperationsdlg::done(int result)
{
    if (m_tabs->currentIndex() != ListPage)
        m_tabs->setCurrentIndex(ListPage);
    m_view->setCurrentIndex(m_model->index(m_view->currentIndex().isValid() ? m_view->currentIndex().row() : 0, 0));
    refreshToolPage();
    QDialog::done(result);
}

// ---- The main window's command ----

void ShowOperationsManager(Tmdvform& window)
{
    // One dialog for the whole program run.
    auto* dialog = window.findChild<TOperationsdlg*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog) {
        dialog = new TOperationsdlg(window.operations(), window.session().state.OpSlot, window.settings(),
                                    window.prompter(), [&window] { return window.session().state.Metric; }, &window);
    }
    dialog->exec();
}

} // namespace vork
