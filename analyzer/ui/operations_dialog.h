#pragma once
// "Machining Operations Manager": the list of the job's operations, the details of one,
// its tool shape with a drawn preview, and the commands to load, save, print, renumber
// and delete operations. The form rules live in the engine (operations_form.h); this
// dialog moves their values in and out of its controls.
#include "analyzer/engine/drawing.h"
#include "analyzer/engine/operations_form.h"
#include "analyzer/engine/tool_image.h"
#include "platform/host.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class QAbstractItemModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QVBoxLayout;

namespace vork {

struct AnalyzerSettings;
class CanvasView;
class ImageCanvas;
class OperationsModel;

class TOperationsdlg : public QDialog {
    Q_OBJECT
public:
    // runOpSlot: the run's current slot, cleared by Delete Current. metric: whether the
    // run is in metric mode (the feed captions).
    TOperationsdlg(TOperationTable& table, std::int16_t& runOpSlot, const AnalyzerSettings& settings,
                   platform::Prompter& prompter, std::function<bool()> metric, QWidget* parent = nullptr);
    ~TOperationsdlg() override;

    // The file dialogs ("" when cancelled; tests replace them).
    std::function<std::string(bool save)> chooseFile;

    // The slot of the record under edit: the table's active row, slot 1 without one.
    int editSlot() const;
    void Retrieve();
    void Retrieve(const std::string& fileName);
    void SaveFile();
    void Print();
    void PrintTo(QPrinter& printer);
    void refreshToolPage();
    // A double click on a cell (row and column from 0).
    void cellDoubleClicked(int row, int column);

    QTabWidget* pages() const { return m_tabs; }
    QTableView* table() const { return m_view; }
    QAbstractItemModel* model() const;
    const ImageCanvas& preview() const { return *m_canvas; }

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildListPage();
    QWidget* buildDetailsPage();
    QWidget* buildShapePage();
    void buildMenus(QVBoxLayout* layout);
    // An operation is marked "Current" (the one Delete Current deletes).
    bool hasCurrentOperation() const;
    void pageChanged(int to);
    void formToControls(const OperationForm& form);
    OperationForm controlsToForm() const;
    void showTypeControls();
    void tableChanged();
    void drawPreview(const std::array<double, 7>& values);

    TOperationTable& m_table;
    std::int16_t& m_runOpSlot;
    const AnalyzerSettings& m_settings;
    platform::Prompter& m_prompter;
    std::function<bool()> m_metric;
    OperationForm m_form; // the carried values between loading and storing
    int m_oldIndex = 0;

    Trwindow m_window; // the preview's drawing window
    TToolImage m_image;
    std::unique_ptr<ImageCanvas> m_canvas;
    CanvasView* m_previewView = nullptr;
    QLabel* m_previewLabel = nullptr;

    QTabWidget* m_tabs = nullptr;
    QTableView* m_view = nullptr;
    OperationsModel* m_model = nullptr;
    QMenu* m_operationMenu = nullptr;

    QSpinBox* m_opnum = nullptr;
    QComboBox* m_optype = nullptr;
    QSpinBox* m_toolnum = nullptr;
    QSpinBox* m_offsetnum = nullptr;
    QSpinBox* m_fixoff = nullptr;
    std::array<QLineEdit*, 3> m_desc{};
    QLabel* m_sizeLabel = nullptr;
    QLineEdit* m_toolSize = nullptr;
    QLineEdit* m_stock = nullptr;
    QRadioButton* m_ipm = nullptr;
    QRadioButton* m_ipr = nullptr;
    QLineEdit* m_feed = nullptr;
    QRadioButton* m_rpm = nullptr;
    QRadioButton* m_css = nullptr;
    QCheckBox* m_forward = nullptr;
    QComboBox* m_range = nullptr;
    QLineEdit* m_speed = nullptr;
    QLabel* m_cornerLabel = nullptr;
    QLineEdit* m_corner = nullptr;
    QComboBox* m_lcomp = nullptr;
    QComboBox* m_coolant = nullptr;
    QComboBox* m_shape = nullptr;
    QLabel* m_orientationLabel = nullptr;
    QComboBox* m_orientation = nullptr;
    std::array<QLabel*, 7> m_pLabel{};
    std::array<QLineEdit*, 7> m_p{};
};

} // namespace vork
