// Lines per second of the B-macro interpreter: a plain program of a million blocks and a
// loop that writes a million substituted blocks.
#include "workspace/engine/bmacro_interpreter.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

class NullConsole : public mrw::BMacroConsole {
public:
    bool askValue(const std::string&, double&) override { return true; }
    void showLine(int, const std::string&, int) override {}
    bool stopRequested() override { return false; }
};

class CountingSink : public mrw::BMacroSink {
public:
    long long bytes = 0;
    bool writeLine(std::string_view line) override
    {
        bytes += static_cast<long long>(line.size()) + 2;
        return true;
    }
};

class SilentPrompter : public platform::Prompter {
public:
    platform::Button message(const std::string&, const std::string&, platform::MessageKind,
                             platform::Buttons) override
    {
        return platform::Button::Ok;
    }
    bool inputString(const std::string&, const std::string&, std::string&) override { return false; }
};

void measure(const char* label, const std::vector<std::string>& program, long long linesRun)
{
    NullConsole console;
    CountingSink sink;
    SilentPrompter prompter;
    mrw::BMacroOptions options;
    options.StopCode.clear();
    mrw::BMacroInterpreter interpreter(options, sink, console, prompter);
    const auto start = std::chrono::steady_clock::now();
    interpreter.run({}, program);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%-22s %10.0f lines/s  (%lld bytes written in %.2f s)\n", label, linesRun / elapsed.count(),
                sink.bytes, elapsed.count());
}

} // namespace

int main()
{
    constexpr int Blocks = 1'000'000;
    std::vector<std::string> plain;
    plain.reserve(Blocks);
    for (int i = 0; i < Blocks; ++i)
        plain.push_back("N" + std::to_string(i) + " G01 X" + std::to_string(i % 100) + ".5 Y2.25 F20. (CUT)");
    measure("plain blocks", plain, Blocks);

    const std::vector<std::string> loop = {"#1=0", "WHILE [#1 LT 250000] DO 1", "G01 X[#1*0.01] Y#1 (CUT)",
                                           "#1=#1+1", "END 1"};
    measure("loop blocks", loop, 4LL * 250000);
    return 0;
}
