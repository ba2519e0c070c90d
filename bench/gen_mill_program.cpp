// Writes a large mill program for the run benchmark: G00/G01 moves inside the example
// mill's travel, a tool change every 50,000 blocks.
//   bench_gen_mill_program OUT.TAP [blocks]
#include "platform/format.h"
#include "platform/linestream.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.TAP [blocks]\n", argv[0]);
        return 2;
    }
    const long blocks = argc > 2 ? std::atol(argv[2]) : 1000000;
    constexpr long ToolChangeEvery = 50000;
    platform::LineWriter out;
    if (!out.create(argv[1])) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    out.writeLine("%");
    out.writeLine("O4000 (RUN BENCHMARK)");
    out.writeLine("G20 G17 G40 G80 G90");
    long n = 0;
    for (long i = 0; i < blocks; ++i) {
        std::string line;
        if (i % ToolChangeEvery == 0) {
            const long tool = i / ToolChangeEvery % 20 + 1;
            line = platform::format("N%d T%d M06", {++n, tool});
        } else if (i % ToolChangeEvery == 1) {
            line = platform::format("N%d G00 X0. Y0. S3000 M03", {++n});
        } else if (i % 10 == 0) {
            line = platform::format("N%d G00 Z0.1", {++n});
        } else {
            const double x = static_cast<double>(i % 997) * 0.0125 - 6.0;
            const double y = static_cast<double>(i % 613) * 0.0150 - 4.5;
            const double z = -static_cast<double>(i % 7) * 0.05;
            line = platform::format("N%d G01 X%.4f Y%.4f Z%.4f F%.1f", {++n, x, y, z, 20.0 + static_cast<double>(i % 5)});
        }
        out.writeLine(line);
    }
    out.writeLine("M30");
    out.writeLine("%");
    if (!out.close()) {
        std::fprintf(stderr, "error writing %s\n", argv[1]);
        return 1;
    }
    return 0;
}
