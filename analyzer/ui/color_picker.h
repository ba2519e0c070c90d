#pragma once
// "Standard Colors": the 16 palette colours in a grid of 4 by 4, with a sample.
#include <QDialog>

class QTableWidget;

namespace vork {

class ColorSample;

class ColorPicker : public QDialog {
    Q_OBJECT
public:
    explicit ColorPicker(QWidget* parent = nullptr);

    // Preselects a palette index; the grid's highlighted cell stays where it was.
    void Setpen(int index);
    int GetPen() const { return m_pen; }
    // The cell in `row` and `column` (from 0) chosen: palette index row * 4 + column.
    void chooseCell(int row, int column);


protected:
    void showEvent(QShowEvent* event) override;

private:
    QTableWidget* m_grid;
    ColorSample* m_sample;
    int m_pen = 0;
};

} // namespace vork
