// Runs an NC program headless through the analyzer at full speed on a machine setup and
// prints blocks per second and peak memory.
//   bench_run_program PROGRAM.TAP [MACHINE.MCH]   (default: "examples/Mill 1.MCH")
// The program file is run in a copy in a scratch folder (a run rewrites its program
// through the work copy). When the standalone rs274 interpreter is on PATH it runs the
// same program for comparison.
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/run_loop.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
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

double runRs274(const std::string& program, const std::filesystem::path& scratch)
{
    const auto toolTable = scratch / "tools.tbl";
    if (FILE* f = std::fopen(toolTable.c_str(), "w")) {
        for (int t = 1; t <= 20; ++t)
            std::fprintf(f, "T%d P%d D0.5 Z0\n", t, t);
        std::fclose(f);
    }
    const std::string command = "rs274 -g -t " + toolTable.string() + " " + program + " > /dev/null 2>&1";
    const auto start = std::chrono::steady_clock::now();
    const int rc = std::system(command.c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return rc == 0 ? took.count() : -1.0;
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM.TAP [MACHINE.MCH]\n", argv[0]);
        return 2;
    }
    const std::string machineFile = argc > 2 ? argv[2] : "examples/Mill 1.MCH";
    vork::TMachineSetup machine;
    if (!vork::LoadMachineFile(machine, machineFile)) {
        std::fprintf(stderr, "cannot read %s\n", machineFile.c_str());
        return 1;
    }
    const fs::path scratch = fs::temp_directory_path() / ("vork_bench_" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    const fs::path program = scratch / fs::path(argv[1]).filename();
    fs::copy_file(argv[1], program, fs::copy_options::overwrite_existing);

    EveryToolHasAnOperation operations;
    vork::RunServices services;
    services.operations = &operations;
    ErrorCount errors;
    services.errors = &errors;
    long blocks = 0;
    double seconds = 0;
    {
        vork::RunSession run(machine, services, scratch.string() + "/");
        run.settings.skip = true;
        run.state.DataFileOn = false;
        run.LoadFile(program.string());
        const auto start = std::chrono::steady_clock::now();
        while (!run.state.EndOfProgram)
            run.Start();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        seconds = took.count();
        blocks = run.state.BlockCount;
        run.Close();
        std::printf("motion file: %lld bytes\n",
                    static_cast<long long>(fs::file_size(scratch / "VORK.MOT")));
    }
    std::printf("NC errors: %ld\n", errors.count);
    std::printf("blocks: %ld\nseconds: %.3f\nblocks per second: %.0f\npeak memory: %ld kB\n", blocks, seconds,
                seconds > 0 ? static_cast<double>(blocks) / seconds : 0.0, peakKilobytes());

    if (std::system("command -v rs274 > /dev/null 2>&1") == 0) {
        const double theirs = runRs274(program.string(), scratch);
        if (theirs > 0)
            std::printf("rs274 seconds: %.3f\nrs274 / ours: %.2f\n", theirs, theirs / seconds);
        else
            std::printf("rs274 failed on the program\n");
    } else {
        std::printf("rs274 not installed: no comparison\n");
    }
    fs::remove_all(scratch);
    return 0;
}
