// Runs an NC program in the analyzer's real main window (offscreen) at full speed,
// drawing as it goes, then repaints the picture once from the display file; prints
// blocks per second beside a headless run of the same program.
//   bench_gui_run PROGRAM.TAP [MACHINE.MCH]   (default: the example mill, examples/Mill 1.MCH)
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/run_loop.h"
#include "analyzer/ui/main_window.h"

#include <QApplication>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// Answers every question No and shows nothing.
class QuietPrompter : public platform::Prompter {
public:
    platform::Button message(const std::string&, const std::string&, platform::MessageKind,
                             platform::Buttons) override
    {
        return platform::Button::No;
    }
    bool inputString(const std::string&, const std::string&, std::string&) override { return false; }
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time of this process: on a busy machine it says more than the wall clock.
double processorSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM.TAP [MACHINE.MCH]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string machineFile = argc > 2 ? argv[2] : "examples/Mill 1.MCH";
    if (!fs::exists(machineFile)) {
        std::fprintf(stderr, "no machine file %s\n", machineFile.c_str());
        return 2;
    }
    const fs::path folder = fs::temp_directory_path() / ("vork_gui_bench_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path program = folder / fs::path(argv[1]).filename();
    fs::copy_file(argv[1], program, fs::copy_options::overwrite_existing);
    fs::copy_file(machineFile, folder / "BENCH.MCH", fs::copy_options::overwrite_existing);
    std::ofstream(folder / "ZV.INI") << "[DV]\r\nDEFMCH=BENCH.MCH\r\nSPEED=0\r\nSKIP=1\r\n";
    QuietPrompter prompter;

    // Headless: the same run session with no window behind it.
    long headlessBlocks = 0;
    double headlessSeconds = 0, headlessProcessor = 0;
    {
        vork::TMachineSetup machine;
        vork::LoadMachineFile(machine, (folder / "BENCH.MCH").string());
        vork::RunServices services;
        services.prompter = &prompter;
        const fs::path scratch = folder / "headless";
        fs::create_directories(scratch);
        vork::RunSession run(machine, services, scratch.string() + "/");
        run.settings.skip = true;
        run.LoadFile(program.string());
        const auto start = std::chrono::steady_clock::now();
        const double processor = processorSeconds();
        while (!run.state.EndOfProgram)
            run.Start();
        headlessSeconds = secondsSince(start);
        headlessProcessor = processorSeconds() - processor;
        headlessBlocks = run.state.BlockCount;
        run.Close();
    }

    long blocks = 0;
    double runSeconds = 0, repaintSeconds = 0, runProcessor = 0, repaintProcessor = 0;
    {
        vork::Tmdvform window(folder.string() + "/", &prompter);
        window.resize(1600, 900);
        window.show();
        QApplication::processEvents();
        window.LoadFile(program.string());
        const auto start = std::chrono::steady_clock::now();
        const double processor = processorSeconds();
        while (!window.session().state.EndOfProgram)
            window.Start();
        runSeconds = secondsSince(start);
        runProcessor = processorSeconds() - processor;
        blocks = window.session().state.BlockCount;
        const auto repaint = std::chrono::steady_clock::now();
        const double repaintStart = processorSeconds();
        window.RepaintDrawing();
        repaintSeconds = secondsSince(repaint);
        repaintProcessor = processorSeconds() - repaintStart;
        // Read after the repaint: the replay has the run's buffered records written first.
        std::error_code ec;
        std::printf("display file: %lld bytes\n",
                    static_cast<long long>(fs::file_size(fs::path(window.workFolder()) / "DVW.DI~", ec)));
        window.close();
    }
    fs::remove_all(folder);

    const double headlessRate = headlessSeconds > 0 ? headlessBlocks / headlessSeconds : 0.0;
    const double rate = runSeconds > 0 ? blocks / runSeconds : 0.0;
    std::printf("headless: %ld blocks in %.3f s, %.0f blocks per second\n", headlessBlocks, headlessSeconds,
                headlessRate);
    std::printf("window:   %ld blocks in %.3f s, %.0f blocks per second (%.2fx headless)\n", blocks, runSeconds,
                rate, headlessRate > 0 ? rate / headlessRate : 0.0);
    std::printf("refresh:  %.3f s (%.2fx the window's run)\n", repaintSeconds,
                runSeconds > 0 ? repaintSeconds / runSeconds : 0.0);
    std::printf("processor time: headless %.3f s, window %.3f s (%.2fx headless), refresh %.3f s\n",
                headlessProcessor, runProcessor, runProcessor > 0 ? headlessProcessor / runProcessor : 0.0,
                repaintProcessor);
    return 0;
}
