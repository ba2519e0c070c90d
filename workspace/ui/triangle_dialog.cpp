#include "workspace/ui/triangle_dialog.h"

#include "workspace/ui/dialog_focus.h"

#include "workspace/ui/expression_fields.h"

#include "workspace/engine/triangle_solver.h"

#include "platform/qt/latin1.h"

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

// ---- Picture -------------------------------------------------------------------------

TrianglePicture::TrianglePicture(QWidget* parent) : QWidget(parent)
{
    setObjectName("TrianglePicture");
    setMinimumSize(180, 140);
}

void TrianglePicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(24, 20, -24, -24);
    // Vertices of the angles a, b, c; each side lies opposite its angle.
    const QPointF a = r.bottomLeft();
    const QPointF b = r.bottomRight();
    const QPointF c(r.left() + r.width() * 0.3, r.top());
    p.fillRect(rect(), palette().base());
    p.setPen(QPen(palette().text().color(), 2));
    p.drawPolygon(QPolygonF{a, b, c});

    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    const QPointF centre = (a + b + c) / 3;
    const auto letter = [&](const QPointF& at, const QString& text) {
        const QRectF box(at.x() - 10, at.y() - 10, 20, 20);
        p.drawText(box, Qt::AlignCenter, text);
    };
    // Angles just inside their corners, sides just outside their middles.
    for (const auto& [vertex, name] : {std::pair{a, "a"}, std::pair{b, "b"}, std::pair{c, "c"}})
        letter(vertex + (centre - vertex) * 0.3, name);
    const auto outside = [&](const QPointF& from, const QPointF& to) {
        const QPointF middle = (from + to) / 2;
        const QPointF away = middle - centre;
        const double length = std::hypot(away.x(), away.y());
        return middle + away * (14 / (length > 0 ? length : 1));
    };
    letter(outside(b, c), "A");
    letter(outside(a, c), "B");
    letter(outside(a, b), "C");
}

// ---- Dialog --------------------------------------------------------------------------

TTriangleDlg::TTriangleDlg(platform::Prompter& prompter, QWidget* parent)
    : TOKBottomDlg(parent), m_prompter(prompter)
{
    setWindowTitle("Triangle Solutions");
    setObjectName("TriangleDlg");
    auto* grid = new QGridLayout;
    int row = 0;
    const auto field = [&](const char* name, const char* caption) {
        auto* edit = new QLineEdit("0.0", this);
        edit->setObjectName(name);
        auto* label = new QLabel(caption, this);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row++, 1);
        mrw::evaluateOnLeaving(edit, m_prompter);
        return edit;
    };
    SideA = field("SideA", "Side \"A\"");
    SideB = field("SideB", "Side \"B\"");
    SideC = field("SideC", "Side \"C\"");
    AngleA = field("AngleA", "Angle \"a\"");
    AngleB = field("AngleB", "Angle \"b\"");
    AngleC = field("AngleC", "Angle \"c\"");
    grid->setRowStretch(row, 1);

    auto* layout = new QHBoxLayout(body());
    layout->addLayout(grid);
    layout->addWidget(new TrianglePicture(this), 1);

    addHelpButton(HelpTopic);
    disconnect(okButton(), &QPushButton::clicked, this, &QDialog::accept);
    connect(okButton(), &QPushButton::clicked, this, &TTriangleDlg::OKBtnClick);
}

void TTriangleDlg::showEvent(QShowEvent* event)
{
    TOKBottomDlg::showEvent(event);
    mrw::focusFirstField(this);
}

void TTriangleDlg::OKBtnClick()
{
    if (!mrw::evaluateFields({SideA, SideB, SideC, AngleA, AngleB, AngleC}, m_prompter))
        return;
    using mrw::fieldValue;
    const mrw::TriangleSolution t = mrw::SolveTriangle({fieldValue(SideA), fieldValue(SideB), fieldValue(SideC),
                                                        fieldValue(AngleA), fieldValue(AngleB), fieldValue(AngleC)});
    if (!t.solved()) {
        m_prompter.message("Error", mrw::triangleErrorText(t.error), platform::MessageKind::Error,
                           platform::Buttons::Ok);
        return;
    }
    QApplication::clipboard()->setText(platform::toQString(mrw::triangleReport(t)));
    accept();
}
