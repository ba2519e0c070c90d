#pragma once
// "NC-Code Error": the message of an NC error and the block, which the user may edit;
// Abort ends the segment, Retry runs the (edited) block again, Ignore lets it go on.
// Closing the dialog retries the block as it was.
#include "analyzer/engine/nc_errors.h"

#include <QDialog>

class QLabel;
class QLineEdit;

namespace vork {

class TErrorDlg : public QDialog, public ErrorDialogView {
    Q_OBJECT
public:
    explicit TErrorDlg(QWidget* parent = nullptr);

    // Shows the dialog modally.
    ErrorAnswer ShowError(const std::string& message, std::string& block) override;

    QLabel& ErLabel() { return *m_label; }
    QLineEdit& Edline() { return *m_edit; }


private:
    QLabel* m_label = nullptr;
    QLineEdit* m_edit = nullptr;
};

} // namespace vork
