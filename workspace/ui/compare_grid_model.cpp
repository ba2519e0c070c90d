#include "workspace/ui/compare_grid_model.h"

#include "platform/qt/latin1.h"

#include <QApplication>
#include <QPalette>

CompareGridModel::CompareGridModel(const mrw::FileCompare& compare, QObject* parent)
    : QAbstractTableModel(parent), m_compare(compare)
{
    setHeaderTexts({"", " NC-Code Lines Added, Deleted, Modified"});
}

void CompareGridModel::setHeaderTexts(const std::array<std::string, 2>& texts)
{
    m_headerTexts = texts;
    emit headerDataChanged(Qt::Horizontal, 0, mrw::CompareColumnCount - 1);
}

void CompareGridModel::setLabelBlankLines(bool on)
{
    m_labelBlankLines = on;
    if (rowCount() > 0)
        emit dataChanged(index(0, mrw::TextColumn), index(rowCount() - 1, mrw::TextColumn));
}

void CompareGridModel::setRunning(bool running)
{
    beginResetModel();
    m_running = running;
    endResetModel();
}

void CompareGridModel::removeCompareRows(mrw::FileCompare& compare, int first, int last)
{
    beginRemoveRows({}, first, last);
    auto& rows = compare.EditableRows();
    rows.erase(rows.begin() + first, rows.begin() + last + 1);
    endRemoveRows();
}

const mrw::CompareRow& CompareGridModel::compareRow(int row) const
{
    return m_compare.Rows()[static_cast<std::size_t>(row)];
}

std::string CompareGridModel::cell(int row, int column) const
{
    return mrw::RowCell(m_compare, compareRow(row), column, m_labelBlankLines);
}

int CompareGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || m_running ? 0 : static_cast<int>(m_compare.Rows().size());
}

int CompareGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : mrw::CompareColumnCount;
}

QVariant CompareGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return platform::toQString(cell(index.row(), index.column()));
    case Qt::TextAlignmentRole:
        if (index.column() == mrw::Line1Column || index.column() == mrw::Line2Column)
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignTop);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignTop);
    case Qt::BackgroundRole:
        // Lines of the previous file only stand out.
        if (compareRow(index.row()).line1 == 0)
            return QApplication::palette().brush(QPalette::Active, QPalette::Highlight);
        return {};
    case Qt::ForegroundRole:
        if (compareRow(index.row()).line1 == 0)
            return QApplication::palette().brush(QPalette::Active, QPalette::HighlightedText);
        return {};
    default:
        return {};
    }
}

QVariant CompareGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= mrw::CompareColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    const auto cells = mrw::HeaderCells(m_headerTexts);
    const auto column = static_cast<std::size_t>(section);
    return platform::toQString(cells[0][column]) + "\n" + platform::toQString(cells[1][column]);
}
