#pragma once
// The hand-off to the solid-verification program: the stock settings kept in ZV.INI,
// the stock computed from the motion file, and the cutter-location (CL) file VORK2K.APT
// written from the operation table and the moves of the last run.
#include "analyzer/engine/operation_table.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>

namespace platform {
class IniFile;
}

namespace vork {

inline constexpr const char* VerifierProgram = "TORVELIN.EXE";
inline constexpr const char* ClFileName = "VORK2K.APT";
inline constexpr const char* VerifySettingsFile = "ZV.INI";

// The verification dialog's mode (0 milling, 1 turning) and its seven fields as typed.
struct VerifySettings {
    int mode = 0;
    std::array<std::string, 7> edit{"0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.5"};
};

// Reads (writing false) or writes the settings under [DV]: MTYPE, EDIT1..EDIT7.
void ExchangeVerifySettings(VerifySettings& settings, platform::IniFile& ini, bool writing);

// The stock from the moves in the motion file, written into the fields (milling: the
// first six; turning: the length and diameter). False, fields unchanged, when no record
// counts. offsetText is the "Offset" field.
bool CalculateExtents(const std::string& motionPath, VerifySettings& settings);

// What the export reports while it walks the moves.
class ClProgress {
public:
    virtual ~ClProgress() = default;
    virtual void reset(const std::string& caption) = 0;
    virtual void setPercent(int percent) = 0;
    virtual void finish() = 0;
};

struct ClExportResult {
    bool written = false;
    std::string error;                // why the file was not written ("" for an empty motion file)
    std::map<int, int> leftOut;       // moves not exported: operation number to count
};

struct ClExportJob {
    std::string motionPath;           // VORK.MOT, flushed
    std::string clPath;               // where VORK2K.APT goes
    std::string ncFileName;           // PARTNO
    const TOperationTable* operations = nullptr;
    VerifySettings stock;
};

// Writes the CL file. The operation table is read, never changed.
ClExportResult WriteCLFile(const ClExportJob& job, ClProgress* progress);

} // namespace vork
