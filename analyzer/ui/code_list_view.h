#pragma once
// The code list under the drawing area: the blocks of the run and its messages. The run
// adds a line per block, far faster than a list widget can follow, so the lines are kept
// here and the widget shows them a few dozen times a second.
#include "analyzer/engine/run_services.h"

#include <QListWidget>
#include <QTimer>

#include <deque>
#include <string>

namespace vork {

class CodeListView : public QListWidget, public CodeList {
public:
    explicit CodeListView(QWidget* parent = nullptr);

    void add(const std::string& line) override;
    void removeFirst() override;
    int count() const override { return static_cast<int>(m_lines.size()); }
    void selectLast() override;
    void clear() override;

    const std::deque<std::string>& lines() const { return m_lines; }
    // Shows the kept lines now.
    void showLines();

private:
    void changed();

    std::deque<std::string> m_lines;
    bool m_selectLast = false;
    QTimer m_refresh;
};

} // namespace vork
