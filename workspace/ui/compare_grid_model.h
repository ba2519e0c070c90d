#pragma once
// The difference list as a table: one row per compare row, the cells worked out when
// shown (a compare of two large files with every matching line shown keeps no texts).
// The two fixed rows of the list are the two lines of the horizontal header.
#include "workspace/engine/compare_outputs.h"

#include <QAbstractTableModel>

#include <array>
#include <string>

class CompareGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CompareGridModel(const mrw::FileCompare& compare, QObject* parent = nullptr);

    // The text cells of the two fixed rows (the file names once files are chosen).
    void setHeaderTexts(const std::array<std::string, 2>& texts);
    const std::array<std::string, 2>& headerTexts() const { return m_headerTexts; }
    void setLabelBlankLines(bool on);
    // Call around every change of the compare's rows made without letting events through.
    void beginChange() { beginResetModel(); }
    void endChange() { endResetModel(); }
    // While a compare runs (and lets events through) the list shows no rows.
    void setRunning(bool running);
    // Takes rows first..last out of the compare's rows.
    void removeCompareRows(mrw::FileCompare& compare, int first, int last);

    const mrw::CompareRow& compareRow(int row) const;
    std::string cell(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const mrw::FileCompare& m_compare;
    std::array<std::string, 2> m_headerTexts;
    bool m_labelBlankLines = false;
    bool m_running = false;
};
