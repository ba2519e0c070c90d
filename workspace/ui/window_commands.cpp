#include "workspace/ui/window_commands.h"

#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"

#include "platform/qt/help.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>

#include <algorithm>

namespace {
QList<QMdiSubWindow*> shownWindows(QMdiArea& area, bool minimized)
{
    QList<QMdiSubWindow*> list;
    for (QMdiSubWindow* sub : area.subWindowList(QMdiArea::CreationOrder))
        if (sub->isVisible() && sub->isMinimized() == minimized)
            list << sub;
    return list;
}
} // namespace

WindowCommands::WindowCommands(TMainForm& mainForm, QMdiArea& area)
    : QObject(&mainForm), m_main(mainForm), m_area(area)
{
}

void WindowCommands::Cascade1Click()
{
    // Each child a title bar's height below and right of the one behind it, all of one
    // size that leaves the last one's corner in the workspace, but never below two
    // thirds of it (the steps start again from the top left when they run out of room).
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : m_area.subWindowList(QMdiArea::StackingOrder))
        if (sub->isVisible() && !sub->isMinimized())
            windows << sub;
    if (windows.isEmpty())
        return;
    const QRect area = m_area.viewport()->rect();
    const int n = static_cast<int>(windows.size());
    const int step = std::max(8, windows.first()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr,
                                                                       windows.first()));
    const int width = std::max(area.width() * 2 / 3, area.width() - step * (n - 1));
    const int height = std::max(area.height() * 2 / 3, area.height() - step * (n - 1));
    const int room = std::min(area.width() - width, area.height() - height) / step + 1;
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = windows[i];
        if (sub->isMaximized())
            sub->showNormal();
        const int offset = (i % room) * step;
        sub->setGeometry(offset, offset, width, height);
    }
}

void WindowCommands::tile(bool horizontal)
{
    const QList<QMdiSubWindow*> windows = shownWindows(m_area, false);
    if (windows.isEmpty())
        return;
    const QRect area = m_area.viewport()->rect();
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = windows[i];
        if (sub->isMaximized())
            sub->showNormal();
        QRect r;
        if (horizontal) {
            const int top = area.height() * i / n;
            r = QRect(0, top, area.width(), area.height() * (i + 1) / n - top);
        } else {
            const int left = area.width() * i / n;
            r = QRect(left, 0, area.width() * (i + 1) / n - left, area.height());
        }
        sub->setGeometry(r);
    }
}

void WindowCommands::TileHorizontal1Click()
{
    tile(true);
}

void WindowCommands::TileVertical1Click()
{
    tile(false);
}

void WindowCommands::ArrangeIcons1Click()
{
    const QList<QMdiSubWindow*> icons = shownWindows(m_area, true);
    const QRect area = m_area.viewport()->rect();
    int x = 0;
    int y = area.bottom();
    for (QMdiSubWindow* sub : icons) {
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            y -= size.height();
        }
        sub->move(x, y - size.height() + 1);
        x += size.width();
    }
}

void WindowCommands::MinimizeAll1Click()
{
    const QList<QMdiSubWindow*> windows = m_area.subWindowList(QMdiArea::StackingOrder);
    for (auto it = windows.crbegin(); it != windows.crend(); ++it)
        (*it)->showMinimized();
}

void WindowCommands::ToggleReadOnly1Click()
{
    if (TMDIChild* child = m_main.activeChild()) {
        child->Editor1->setReadOnly(!child->Editor1->isReadOnly());
        m_main.UpdateButtons();
    }
}

void WindowCommands::menuBarDoubleClicked(int x, int barHeight)
{
    QMdiSubWindow* sub = m_area.activeSubWindow();
    if (x < barHeight && sub && sub->isMaximized() && qobject_cast<TMDIChild*>(sub->widget()))
        sub->close();
}

QString WindowCommands::contentsPage()
{
    return platform::helpPage("contents.html");
}

QString WindowCommands::indexPage()
{
    return platform::helpPage("index.html");
}

QString WindowCommands::dncHelpPage()
{
    return platform::helpPage("dnc.html");
}

QString WindowCommands::analyzerHelpPage()
{
    return platform::helpPage("analyzer.html");
}

