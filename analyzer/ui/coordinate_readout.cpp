#include "analyzer/ui/coordinate_readout.h"

#include "platform/qt/latin1.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QVBoxLayout>

namespace vork {

namespace {
constexpr int DigitPoints = 26;
const char* const LedFamily = "DSEG14 Classic";
const char* const LedFontFile = "/usr/share/fonts/truetype/dseg/DSEG14Classic-Regular.ttf";
} // namespace

QFont ReadoutFont(int pointSize)
{
    static const QString family = [] {
        if (QFontDatabase::families().contains(LedFamily))
            return QString(LedFamily);
        const int id = QFontDatabase::addApplicationFont(LedFontFile);
        const QStringList loaded = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
        return loaded.isEmpty() ? QString() : loaded.front();
    }();
    QFont font = family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont(family);
    font.setPointSize(pointSize);
    return font;
}

Tcreadout::Tcreadout(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName("creadout");
    setWindowTitle("Coordinate Readout");
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, QColor(0, 255, 0));
    setPalette(palette);
    auto* layout = new QVBoxLayout(this);
    const QFont font = ReadoutFont(DigitPoints);
    const auto label = [&](const char* name, const char* text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setFont(font);
        l->setPalette(palette);
        layout->addWidget(l);
        return l;
    };
    m_x = label("Xlab", "X   0.0000");
    m_y = label("Ylab", "Y   0.0000");
    m_z = label("Zlab", "Z   0.0000");
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void Tcreadout::ShowCoordinates(const CoordinateReadoutTexts& texts)
{
    m_x->setText(platform::toQString(texts.x));
    m_y->setText(platform::toQString(texts.y));
    m_z->setText(platform::toQString(texts.z));
}

void Tcreadout::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    emit closed();
}

} // namespace vork
