#include "analyzer/engine/default_run_services.h"

#include "analyzer/engine/analyzer_routines.h"
#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/engine/cycle_time.h"
#include "analyzer/engine/data_listing.h"
#include "analyzer/engine/dxf_output.h"
#include "math/engine/expression.h"
#include "analyzer/engine/fixture_display.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/nc_errors.h"
#include "analyzer/engine/operation_table.h"
#include "analyzer/engine/readouts.h"
#include "analyzer/engine/run_state.h"
#include "analyzer/engine/tool_image.h"
#include "platform/numbers.h"

namespace vork {

namespace {

// Keeps the pen colour; draws nowhere.
class NullDrawing : public RunDrawing {
public:
    void Moveto(double, double, double) override {}
    void Lineto(double, double, double) override {}
    void SetColor(int p) override { m_color = p; }
    int GetColor() const override { return m_color; }
    void Setlinestyle(int) override {}
    double Getscale() const override { return 1.0; }
    void DrawArrow(double, double, double, double) override {}
    void DrawCross(double, double, double) override {}
    void DrawThread(double, double, double, double, double, bool) override {}
    void Drawlabel(double, double, double, double, const std::string&) override {}
    void Reset_Drawn_Extents() override {}
    void Get_Extents_Drawn(double& x, double& y, double& xx, double& yy, double) override { x = y = xx = yy = 0; }
    void Set_Extents_To_Drawn(double) override {}
    void SetupCanvas() override {}
    void ClearDisplay() override {}

private:
    int m_color = 0;
};

} // namespace

struct DefaultRunServices::Parts {
    Parts(TRunState& state, const TMachineSetup& setup, AnalyzerSettings& settings)
        : times(state, setup, services.errors), errors(state, settings), readouts(state, settings),
          listing(state, setup),
          dxf(services.prompter),
          numbers(services.prompter)
    {
    }
    RunServices services; // the completed set these services draw and report through
    NullDrawing drawing;
    // A tool image without a canvas, built by an empty operation table: a run given no
    // table finds no operation for any tool, draws in the next colour and writes no
    // motion records.
    TToolImage picture;
    CanvasToolImage toolImage{picture};
    TOperationTable operations{&picture};
    CycleTimeModel times;
    DialogErrorReporter errors;
    RunReadouts readouts;
    TDataListing listing;
    TDxfOutput dxf;
    // An empty fixture table with nowhere to draw.
    FixtureTable fixtureTable;
    TFixtureDisplay fixtures{fixtureTable};
    PrompterNumbers numbers;
};

DefaultRunServices::DefaultRunServices(TRunState& state, const TMachineSetup& setup, AnalyzerSettings& settings)
    : m_parts(std::make_unique<Parts>(state, setup, settings))
{
}

DialogErrorReporter& DefaultRunServices::errorReporter() { return m_parts->errors; }

RunReadouts& DefaultRunServices::readouts() { return m_parts->readouts; }

TDxfOutput& DefaultRunServices::dxfOutput() { return m_parts->dxf; }

DefaultRunServices::~DefaultRunServices() = default;

RunServices DefaultRunServices::complete(const RunServices& given)
{
    Parts& p = *m_parts;
    RunServices s = given;
    const auto fill = [](auto*& slot, auto* own) {
        if (!slot)
            slot = own;
    };
    fill(s.drawing, static_cast<RunDrawing*>(&p.drawing));
    fill(s.toolImage, static_cast<ToolImage*>(&p.toolImage));
    fill(s.operations, static_cast<OperationTable*>(&p.operations));
    fill(s.times, static_cast<TimeModel*>(&p.times));
    fill(s.errors, static_cast<ErrorReporter*>(&p.errors));
    fill(s.readouts, static_cast<Readouts*>(&p.readouts));
    fill(s.listing, static_cast<DataListing*>(&p.listing));
    fill(s.dxf, static_cast<DxfOutput*>(&p.dxf));
    fill(s.fixtures, static_cast<FixtureDisplay*>(&p.fixtures));
    fill(s.numbers, static_cast<NumberPrompt*>(&p.numbers));
    p.services = s;
    return s;
}

} // namespace vork
