// The NC utilities on a large program in a real editor pane (offscreen): Re-Sequence,
// File Cleanup with every step on and Arithmetic, each timed on a fresh copy, with the
// number of Undo steps each leaves and the time to undo them.
//   bench_nc_utilities [lines]        (default 100000)
#include "workspace/engine/machine_settings.h"
#include "workspace/engine/nc_text_utilities.h"
#include "workspace/engine/nc_word_utilities.h"
#include "workspace/ui/mdi_child.h"
#include "workspace/ui/process_dialog.h"
#include "workspace/ui/utility_editor_pane.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

namespace {

class SilentPrompter : public platform::Prompter {
public:
    platform::Button message(const std::string&, const std::string& text, platform::MessageKind,
                             platform::Buttons) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return platform::Button::Ok;
    }
    bool inputString(const std::string&, const std::string&, std::string&) override { return false; }
};

std::string program(long lines)
{
    std::mt19937 random(7);
    std::string text = "%\r\nO1000 (BENCH)\r\n";
    char line[128];
    for (long i = 1; i <= lines; ++i) {
        std::snprintf(line, sizeof line, "%sN%ld G01 X%.4f Y%.4f F%u%s\r\n", i % 50 == 0 ? "/" : "", i * 5,
                      (random() % 120000) / 10000.0 - 6.0, (random() % 90000) / 10000.0 - 4.5,
                      20u + static_cast<unsigned>(random() % 5), i % 17 == 0 ? " (CHECK)" : "");
        text += line;
        if (i % 97 == 0)
            text += "\r\n";
    }
    text += "M30\r\n%\r\n";
    return text;
}

int undoSteps(EditorPane& pane)
{
    int steps = 0;
    while (pane.SendScintilla(QsciScintilla::SCI_CANUNDO) && steps < 1000) {
        pane.undo();
        ++steps;
    }
    return steps;
}

void measure(const char* name, const std::string& text, const std::function<void(mrw::BatchContext&)>& work)
{
    EditorPane pane;
    pane.resize(800, 600);
    pane.setBytes(text);
    TProcessDlg dialog;
    PaneUtilityEditor editor(pane);
    ProcessDlgProgress progress(dialog);
    SilentPrompter prompter;
    mrw::BatchContext context{editor, progress, prompter};
    const auto start = std::chrono::steady_clock::now();
    work(context);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool changed = pane.bytes() != text;
    const auto undoStart = std::chrono::steady_clock::now();
    const int steps = undoSteps(pane);
    const double undoSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - undoStart).count();
    std::printf("%-14s %8.3f s  %s  undo steps %d (%.3f s)%s\n", name, seconds, changed ? "changed" : "UNCHANGED",
                steps, undoSeconds, pane.bytes() == text ? "" : "  NOT RESTORED");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long lines = argc > 1 ? std::atol(argv[1]) : 100000;
    const std::string text = program(lines);
    std::printf("%ld lines, %zu bytes\n", lines, text.size());
    mrw::MachineSettings settings;
    measure("Re-Sequence", text, [&](mrw::BatchContext& c) { mrw::DoResequence(c, settings.Reseq, false); });
    mrw::FileCleanupOptions all{true, true, true, true, true, true};
    measure("File Cleanup", text, [&](mrw::BatchContext& c) {
        mrw::DoFileCleanup(c, all, true, mrw::commentMarksOf(settings));
    });
    measure("Arithmetic", text, [&](mrw::BatchContext& c) { mrw::DoArithmetic(c, settings); });
    return 0;
}
