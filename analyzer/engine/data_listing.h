#pragma once
// The data listing NCCODE.DAT: a line per block with the position, speed, feed and
// times of the simulated machine, the Tape Summary with the per-tool times and cost
// that closes it, and the per-tool table as a DIF file for spreadsheets.
#include "analyzer/engine/run_services.h"

#include <string>
#include <vector>

namespace vork {

struct TRunState;
struct TMachineSetup;
struct TToolTimeTable;

// The six-character name of a motion mode in the listing.
const char* ListingModeName(int mode);

// The block's listing line (with the inner CR LF of a wrapped line, without the final
// line end) appended to `out`. machineType is I1 of the machine setup.
void AppendDataLine(std::string& out, const TRunState& state, int machineType);

// The lines of the Tape Summary; costFactor is R8.
std::vector<std::string> TapeSummaryLines(const TRunState& state, double costFactor);

// The DIF file's lines for the per-tool table.
std::vector<std::string> DifLines(const TToolTimeTable& table);

// Writes the DIF file whole (a temporary file renamed over the target, so that a
// failed export keeps an old file). False with errorText on failure.
bool ExportDIFFile(TRunState& state, const std::string& fileName, std::string* errorText = nullptr);

// Readies the listing for the run of a program just opened. The file is created anew
// only when the run writes its first line, so the last run's listing stays whole until
// then; whether it can be written is checked now. False (no listing for this run) when
// it cannot.
bool BeginDataListing(TRunState& state);

// The listing as the run writes it, through the run state's DataFile. What is written
// reaches the disk whenever the run stops to wait for the user (the end of the program,
// each block of a single-block or typed run); the run session pushes it at every pause.
class TDataListing : public DataListing {
public:
    TDataListing(TRunState& state, const TMachineSetup& setup) : m_state(state), m_setup(setup) {}
    void WriteDataLine() override;
    void WriteTapeSummary() override;

private:
    // Creates the run's listing file at its first line; false when there is none.
    bool ready();

    TRunState& m_state;
    const TMachineSetup& m_setup;
    std::string m_line; // reused: a listing line allocates nothing once warmed up
};

} // namespace vork
