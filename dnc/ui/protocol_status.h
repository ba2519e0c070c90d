#pragma once
// "Protocol Status": the small modeless window that follows a file transfer of the
// DNC terminal — protocol, file, sizes, blocks, errors, time and rate — with a Cancel
// button that stops the transfer.
#include "dnc/engine/protocol.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace dnc::ui {

class ProtocolStatusWindow : public QDialog {
    Q_OBJECT
public:
    explicit ProtocolStatusWindow(QWidget* parent = nullptr);

    // Follows `protocol`: shows itself when a transfer starts, updates on progress,
    // hides at the finish; Cancel cancels it.
    void attach(Protocol* protocol);

    void showStatus(const ProtocolStatus& status);

    // What a field shows, for tests.
    QString fieldText(const QString& caption) const;

signals:
    void cancelRequested();

private:
    void onStarted();
    void onFinished();
    void centreOnParent();

    QPointer<Protocol> m_protocol;
    QList<QLabel*> m_captions;
    QList<QLabel*> m_values;
    QProgressBar* m_progress = nullptr;
    QLabel* m_state = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace dnc::ui
