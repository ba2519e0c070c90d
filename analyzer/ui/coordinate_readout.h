#pragma once
// "Coordinate Readout": a small window on top of the others with the position in large
// lime LED-style digits on black.
#include "analyzer/engine/readouts.h"

#include <QWidget>

class QLabel;

namespace vork {

class Tcreadout : public QWidget {
    Q_OBJECT
public:
    explicit Tcreadout(QWidget* parent = nullptr);
    void ShowCoordinates(const CoordinateReadoutTexts& texts);
    QLabel& Xlab() { return *m_x; }
    QLabel& Ylab() { return *m_y; }
    QLabel& Zlab() { return *m_z; }

signals:
    // The user closed the window.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_x = nullptr;
    QLabel* m_y = nullptr;
    QLabel* m_z = nullptr;
};

// The LED-style font of the readout, or a fixed-pitch one where it is not installed.
QFont ReadoutFont(int pointSize);

} // namespace vork
