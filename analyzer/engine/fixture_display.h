#pragma once
// Draws the fixture table under the tool path, through the drawing window and onto the
// canvas its owner gives it, with whatever recording state the caller has set.
#include "analyzer/engine/dxf_import.h"
#include "analyzer/engine/run_services.h"

namespace vork {

class Trwindow;
class Canvas;

class TFixtureDisplay : public FixtureDisplay {
public:
    explicit TFixtureDisplay(FixtureTable& table) : m_table(table) {}

    // Where the fixture is drawn, and the flag telling a lathe's view (read when drawing,
    // not when the fixture was imported). Without a target nothing is drawn.
    void setTarget(Trwindow* window, Canvas* canvas, const bool* latheMachine);

    // Every entity of the table, when the fixture is shown. Leaves the last entity's
    // colour and the solid line style set.
    void DrawFixture() override;
    // The same onto another window and canvas (a printout or a copy of the picture).
    void DrawFixtureOn(Trwindow& window, Canvas& canvas);
    // One entity, found by kind and number; texts are stored only, never drawn.
    void DrawFixtureEntity(std::uint8_t kind, std::int16_t number);

    FixtureTable& table() { return m_table; }

private:
    void draw(const TEntityRecord& e);

    FixtureTable& m_table;
    Trwindow* m_window = nullptr;
    Canvas* m_canvas = nullptr;
    const bool* m_lathe = nullptr;
};

} // namespace vork
