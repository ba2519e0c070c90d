#include "analyzer/ui/code_list_view.h"

#include "analyzer/ui/live_refresh.h"
#include "platform/qt/latin1.h"

namespace vork {

namespace {
// The window's own messages come on top of the run's lines; far more is never looked at.
constexpr std::size_t MaxKeptLines = 500;
}

CodeListView::CodeListView(QWidget* parent) : QListWidget(parent)
{
    setObjectName("codeList");
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(LiveRefreshMilliseconds);
    connect(&m_refresh, &QTimer::timeout, this, &CodeListView::showLines);
}

void CodeListView::changed()
{
    if (!m_refresh.isActive())
        m_refresh.start();
}

void CodeListView::add(const std::string& line)
{
    m_lines.push_back(line);
    if (m_lines.size() > MaxKeptLines)
        m_lines.pop_front();
    changed();
}

void CodeListView::removeFirst()
{
    if (!m_lines.empty())
        m_lines.pop_front();
    changed();
}

void CodeListView::selectLast()
{
    m_selectLast = true;
    changed();
}

void CodeListView::clear()
{
    m_lines.clear();
    m_selectLast = false;
    changed();
}

void CodeListView::showLines()
{
    m_refresh.stop();
    setUpdatesEnabled(false);
    const int shown = QListWidget::count();
    const int wanted = static_cast<int>(m_lines.size());
    for (int i = shown; i < wanted; ++i)
        addItem(QString());
    while (QListWidget::count() > wanted)
        delete takeItem(QListWidget::count() - 1);
    for (int i = 0; i < wanted; ++i) {
        const QString text = platform::toQString(m_lines[static_cast<std::size_t>(i)]);
        if (item(i)->text() != text)
            item(i)->setText(text);
    }
    if (m_selectLast && wanted > 0) {
        setCurrentRow(wanted - 1);
        m_selectLast = false;
    }
    if (wanted > 0)
        scrollToItem(item(wanted - 1));
    setUpdatesEnabled(true);
}

} // namespace vork
