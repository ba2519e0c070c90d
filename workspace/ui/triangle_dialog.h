#pragma once
// "Triangle Solutions": six fields, three of which (at least one a side) complete the
// triangle; OK puts the report on the clipboard. A lettered picture shows which angle
// lies opposite which side.
#include "platform/qt/ok_bottom_dialog.h"

#include "platform/host.h"

#include <QWidget>

class QLineEdit;

// The lettered triangle beside the fields.
class TrianglePicture : public QWidget {
    Q_OBJECT
public:
    explicit TrianglePicture(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {200, 160}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TTriangleDlg : public TOKBottomDlg {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 104;

    explicit TTriangleDlg(platform::Prompter& prompter, QWidget* parent = nullptr);

    QLineEdit* SideA;
    QLineEdit* SideB;
    QLineEdit* SideC;
    QLineEdit* AngleA;
    QLineEdit* AngleB;
    QLineEdit* AngleC;

    // Solves from the fields: the report goes to the clipboard and the dialog closes;
    // a field that is no expression, or an error, keeps it open with the fields as typed.
    void OKBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    platform::Prompter& m_prompter;
};
