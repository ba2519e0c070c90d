#pragma once
// "Speed & Feed Calculator": spindle speed, surface speed, feeds, chip load and cut
// time kept consistent while the operator edits any field; OK puts the report on the
// clipboard.
#include "platform/qt/ok_bottom_dialog.h"

#include "platform/host.h"

#include <QStringList>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QGroupBox;

class TSFCalcDlg : public TOKBottomDlg {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 10048;

    explicit TSFCalcDlg(platform::Prompter& prompter, QWidget* parent = nullptr);

    QLineEdit* Edtd;
    QLineEdit* EdNteeth;
    QLineEdit* EdChipl;
    QLineEdit* EdRPM;
    QLineEdit* EdFPM;
    QLineEdit* EdIPM;
    QLineEdit* EdIPR;
    QLineEdit* EdCutLen;
    QLineEdit* Edacell;
    QLineEdit* Edit1; // radial depth of cut
    QLineEdit* Edit2; // adjusted chip load
    QLineEdit* Edit3; // adjusted feed
    QButtonGroup* RadioGroup1; // Milling 0, Turning 1
    QButtonGroup* RadioGroup2; // Inch 0, Metric 1
    QLabel* Label1;            // the cut time

    bool metric() const;
    bool turning() const;
    // Recalculates from the fields (the recalculation cases of the speed and feed logic).
    void RecalcSpeedFeed(int recalcCase);
    // Relabels and shows the boxes after a click in "Mode" or "Units".
    void RadioGroup1Click();
    // The report of the fields as they stand.
    std::string report() const;
    // Evaluates every field; the report goes to the clipboard and the dialog closes.
    void OKBtnClick();

private:
    QLabel* captionOf(QLineEdit* edit) const;
    // The units and the field texts that a calculation reads.
    QStringList inputTexts() const;
    // Leaving a field recalculates unless every input still reads as the last
    // calculation left it.
    void recalcAfterLeaving(int recalcCase);
    platform::Prompter& m_prompter;
    QStringList m_lastInputs;
};
