#pragma once
// The Window menu's arrangement of the editor children, Minimize All, Toggle Read Only
// and the Help menu's pages.
#include <QObject>
#include <QString>

class QMdiArea;
class TMainForm;

class WindowCommands : public QObject {
    Q_OBJECT
public:
    WindowCommands(TMainForm& mainForm, QMdiArea& area);

    void Cascade1Click();
    // One above the other, each as wide as the area.
    void TileHorizontal1Click();
    // Side by side, each as high as the area.
    void TileVertical1Click();
    // The minimized children in a row along the bottom.
    void ArrangeIcons1Click();
    void MinimizeAll1Click();
    void ToggleReadOnly1Click();
    // A double click on the menu bar at x: closes the maximized active child (through
    // its close query) when x lies within the bar's leftmost part.
    void menuBarDoubleClicked(int x, int barHeight);

    // The help pages of the Help menu ("" when not installed).
    static QString contentsPage();
    static QString indexPage();
    static QString dncHelpPage();
    static QString analyzerHelpPage();

private:
    void tile(bool horizontal);
    TMainForm& m_main;
    QMdiArea& m_area;
};
