#pragma once
// "MARROWIN DNC": the small box shown while the terminal waits for the machine to send
// a character or an XON, with "Stop Waiting" to give up.
#include "dnc/engine/wait_ready.h"

#include <QWidget>

class QCheckBox;
class QLabel;

namespace dnc {

class Txonwaitform : public QWidget, public WaitBox {
    Q_OBJECT
public:
    explicit Txonwaitform(QWidget* parent = nullptr);

    void showWaiting(const std::string& label, bool minimized) override;
    void hideWaiting() override;
    bool stopRequested() const override;

    QLabel* label() const { return Label1; }
    QCheckBox* stopWaiting() const { return Stopwait; }

private:
    QLabel* Label1;
    QCheckBox* Stopwait;
};

} // namespace dnc
