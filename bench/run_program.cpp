// Runs an NC program headless through the analyzer at full speed on a machine setup and
// prints blocks per second and peak memory, first without the data listing, then with it
// (as the analyzer runs from start-up), and with --dxf also with the DXF output of the path.
// Each run's processor time (user and system) is printed beside its wall-clock time, since
// on a loaded machine the wall clock says more about the neighbours than about the run.
//   bench_run_program [--motion FILE] [--operations FILE.OPF] [--dxf] [--no-listing] PROGRAM.TAP [MACHINE.MCH]
//   (default machine: "examples/Mill 1.MCH")
// --motion FILE keeps the run's motion file (VORK.MOT records) at FILE, so that the
// path can be compared with what other tools make of the same program. --operations
// runs with the job's operations file; without it every tool has an operation of its own.
// --no-listing leaves out the run with the data listing (for profiling the plain run).
// The program file is run in a copy in a scratch folder (a run rewrites its program
// through the work copy). When the standalone rs274 interpreter is on PATH it runs the
// same program for comparison. Exit status: 0 done, 1 a file cannot be read or
// written, 2 wrong arguments.
#include "analyzer/engine/dxf_output.h"
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/operation_table.h"
#include "analyzer/engine/run_loop.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Every tool has an operation, so that every move writes its motion record.
class EveryToolHasAnOperation : public vork::OperationTable {
public:
    int Tooltoopnum(double tool, bool) const override { return static_cast<int>(tool) % 50; }
    int CurrentOpcolor(int slot) const override { return slot % 15 + 1; }
    void SetCurrentTIM(int) override {}
    int OperationNumber(int slot) const override { return slot + 1; }
    vork::OperationHome Home(int) const override { return {0, 0, 5}; }
};

// Counts NC errors instead of showing them.
class ErrorCount : public vork::ErrorReporter {
public:
    long count = 0;
    void ReportNCError(int) override { ++count; }
};

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A word for the shell, quoted as it stands.
std::string shellWord(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

double runRs274(const std::string& program, const std::filesystem::path& scratch)
{
    const auto toolTable = scratch / "tools.tbl";
    if (FILE* f = std::fopen(toolTable.c_str(), "w")) {
        for (int t = 1; t <= 20; ++t)
            std::fprintf(f, "T%d P%d D0.5 Z0\n", t, t);
        std::fclose(f);
    }
    // Its own HOME: the interpreter keeps files there, and runs side by side must not share them.
    const auto home = scratch / "home";
    std::error_code error;
    std::filesystem::create_directories(home, error);
    const std::string command = "HOME=" + shellWord(home.string()) + " rs274 -g -t " + shellWord(toolTable.string()) +
                                " " + shellWord(program) + " > /dev/null 2>&1";
    const auto start = std::chrono::steady_clock::now();
    const int rc = std::system(command.c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return rc == 0 ? took.count() : -1.0;
}

struct RunFigures {
    long blocks = 0;
    double seconds = 0;
    double userSeconds = 0;   // processor time in the program
    double systemSeconds = 0; // processor time in the system on its behalf (file reads and writes)
    double processorSeconds() const { return userSeconds + systemSeconds; }
    bool ok = false;
};

struct ProcessorTime {
    double user = 0;
    double system = 0;
};

// User and system time of this process so far.
ProcessorTime processorTime()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

std::uintmax_t sizeOf(const std::filesystem::path& file)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    return error ? 0 : size;
}

void report(const char* what, const RunFigures& run)
{
    std::printf("%s: %ld blocks in %.3f s (processor %.3f s: user %.3f, system %.3f), %.0f blocks per second, "
                "%.0f per processor second, %.3f us a block\n",
                what, run.blocks, run.seconds, run.processorSeconds(), run.userSeconds, run.systemSeconds,
                run.seconds > 0 ? static_cast<double>(run.blocks) / run.seconds : 0.0,
                run.processorSeconds() > 0 ? static_cast<double>(run.blocks) / run.processorSeconds() : 0.0,
                run.blocks > 0 ? run.seconds * 1e6 / static_cast<double>(run.blocks) : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::string motionCopy;
    std::string operationsFile;
    std::vector<std::string> files;
    bool withDxf = false;
    bool withListing = true;
    bool unknownOption = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--motion" && i + 1 < argc)
            motionCopy = argv[++i];
        else if (arg == "--operations" && i + 1 < argc)
            operationsFile = argv[++i];
        else if (arg == "--dxf")
            withDxf = true;
        else if (arg == "--no-listing")
            withListing = false;
        else if (!arg.empty() && arg[0] == '-')
            unknownOption = true;
        else
            files.push_back(arg);
    }
    if (unknownOption || files.empty() || files.size() > 2) {
        std::fprintf(stderr, "usage: %s [--motion FILE] [--operations FILE.OPF] [--dxf] [--no-listing] PROGRAM.TAP [MACHINE.MCH]\n", argv[0]);
        return 2;
    }
    const std::string programFile = files[0];
    const std::string machineFile = files.size() > 1 ? files[1] : "examples/Mill 1.MCH";
    std::error_code error;
    if (!fs::is_regular_file(programFile, error)) {
        std::fprintf(stderr, "%s: cannot read the program %s: %s\n", argv[0], programFile.c_str(),
                     error ? error.message().c_str() : "not a file");
        return 1;
    }
    vork::TMachineSetup machine;
    if (!vork::LoadMachineFile(machine, machineFile)) {
        std::fprintf(stderr, "%s: cannot read the machine setup %s\n", argv[0], machineFile.c_str());
        return 1;
    }
    const fs::path scratch = fs::temp_directory_path() / ("vork_bench_" + std::to_string(::getpid()));
    fs::create_directories(scratch, error);
    const fs::path program = scratch / fs::path(programFile).filename();
    if (error || !fs::copy_file(programFile, program, fs::copy_options::overwrite_existing, error)) {
        std::fprintf(stderr, "%s: cannot copy %s to %s: %s\n", argv[0], programFile.c_str(), scratch.c_str(),
                     error.message().c_str());
        fs::remove_all(scratch, error);
        return 1;
    }

    EveryToolHasAnOperation everyTool;
    vork::TOperationTable jobOperations;
    vork::RunServices services;
    services.operations = &everyTool;
    if (!operationsFile.empty()) {
        if (!jobOperations.Loadfile(fs::absolute(operationsFile, error).string(), nullptr)) {
            std::fprintf(stderr, "%s: cannot read the operations file %s\n", argv[0], operationsFile.c_str());
            fs::remove_all(scratch, error);
            return 1;
        }
        services.operations = &jobOperations;
    }
    ErrorCount errors;
    services.errors = &errors;
    // One run of a fresh copy of the program; the listing and the DXF output as asked.
    const auto runOnce = [&](bool listing, bool dxf) {
        RunFigures figures;
        if (!fs::copy_file(programFile, program, fs::copy_options::overwrite_existing, error))
            return figures;
        vork::RunSession run(machine, services, scratch.string() + "/");
        run.settings.skip = true;
        run.state.DataFileOn = listing;
        if (dxf && !run.dxfOutput().OpenOutputFile((scratch / "PATH.DXF").string()))
            return figures;
        if (!run.LoadFile(program.string()))
            return figures;
        const auto start = std::chrono::steady_clock::now();
        const ProcessorTime processorStart = processorTime();
        while (!run.state.EndOfProgram) {
            run.Start();
            run.dxfOutput().Checkpoint();
        }
        run.dxfOutput().Finish();
        run.state.DataFile.close();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        figures.seconds = took.count();
        const ProcessorTime processorEnd = processorTime();
        figures.userSeconds = processorEnd.user - processorStart.user;
        figures.systemSeconds = processorEnd.system - processorStart.system;
        figures.blocks = run.state.BlockCount;
        figures.ok = true;
        run.Close();
        return figures;
    };
    const RunFigures plain = runOnce(false, false);
    if (!plain.ok) {
        std::fprintf(stderr, "%s: cannot open the program %s\n", argv[0], program.c_str());
        fs::remove_all(scratch, error);
        return 1;
    }
    std::printf("motion file: %llu bytes\n", static_cast<unsigned long long>(sizeOf(scratch / "VORK.MOT")));
    const long blocks = plain.blocks;
    const double seconds = plain.seconds;
    report("without listing", plain);
    RunFigures listed;
    if (withListing) {
        listed = runOnce(true, false);
        report("with listing", listed);
        std::printf("listing: %llu bytes\n", static_cast<unsigned long long>(sizeOf(scratch / "NCCODE.DAT")));
    }
    RunFigures drawn;
    if (withDxf) {
        drawn = runOnce(true, true);
        report("with listing and DXF", drawn);
        std::printf("DXF file: %llu bytes\n", static_cast<unsigned long long>(sizeOf(scratch / "PATH.DXF")));
    }
    if (!motionCopy.empty()) {
        if (!fs::copy_file(scratch / "VORK.MOT", motionCopy, fs::copy_options::overwrite_existing, error)) {
            std::fprintf(stderr, "%s: cannot write the motion file %s: %s\n", argv[0], motionCopy.c_str(),
                         error.message().c_str());
            fs::remove_all(scratch, error);
            return 1;
        }
        std::printf("motion file kept: %s\n", motionCopy.c_str());
    }
    std::printf("NC errors: %ld\n", errors.count);
    std::printf("blocks: %ld\nseconds: %.3f\nprocessor seconds: %.3f\nblocks per second: %.0f\n"
                "blocks per processor second: %.0f\npeak memory: %ld kB\n",
                blocks, seconds, plain.processorSeconds(), seconds > 0 ? static_cast<double>(blocks) / seconds : 0.0,
                plain.processorSeconds() > 0 ? static_cast<double>(blocks) / plain.processorSeconds() : 0.0,
                peakKilobytes());

    if (std::system("command -v rs274 > /dev/null 2>&1") == 0) {
        const double theirs = runRs274(program.string(), scratch);
        if (theirs > 0) {
            std::printf("rs274 seconds: %.3f\nrs274 / ours: %.2f\n", theirs, theirs / seconds);
            if (withListing)
                std::printf("rs274 / ours with listing: %.2f\n", theirs / listed.seconds);
            if (withDxf)
                std::printf("rs274 / ours with listing and DXF: %.2f\n", theirs / drawn.seconds);
        }
        else
            std::printf("rs274 failed on the program\n");
    } else {
        std::printf("rs274 not installed: no comparison\n");
    }
    fs::remove_all(scratch, error);
    return 0;
}
