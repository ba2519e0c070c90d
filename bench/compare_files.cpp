// The file compare on two large NC programs against GNU diff on the same pair.
//   bench_compare_files [lines...]        (default 100000 200000 400000)
// For each size it writes an older program and a newer one with scattered edits (about
// 0.2 % of the lines changed, 0.05 % inserted and 0.05 % deleted, single lines and short
// blocks), then times the compare (load, all passes, result; once more with every
// matching line in the list) and `diff` in child processes, and prints the times, their
// ratio and the peak memory of each child above that of an idle child. A second case has
// 300 scattered one-line edits and a block of 2,000 lines inserted in the middle.
#include "workspace/engine/file_compare.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string block(long n, std::mt19937& random)
{
    char text[96];
    std::snprintf(text, sizeof text, "N%ld G01 X%.4f Y%.4f Z%.4f F%u", n * 5, (random() % 120000) / 10000.0 - 6.0,
                  (random() % 90000) / 10000.0 - 4.5, -static_cast<double>(random() % 7) * 0.05,
                  20u + static_cast<unsigned>(random() % 5));
    return text;
}

// A pair with 300 scattered one-line edits and one block of 2,000 lines inserted in the
// middle, longer than the compare's look-ahead window.
void writeInsertionPair(long lines, const std::string& older, const std::string& newer)
{
    std::mt19937 random(static_cast<unsigned>(lines) + 1);
    FILE* o = std::fopen(older.c_str(), "wb");
    FILE* n = std::fopen(newer.c_str(), "wb");
    const auto put = [](FILE* f, const std::string& line) {
        std::fputs(line.c_str(), f);
        std::fputs("\r\n", f);
    };
    for (long i = 0; i < lines; ++i) {
        const std::string line = block(i + 1, random);
        put(o, line);
        put(n, random() % static_cast<unsigned>(lines) < 300 ? line + " M08" : line);
        if (i == lines / 2)
            for (int k = 0; k < 2000; ++k)
                put(n, block(lines + k, random) + " (INSERTED)");
    }
    std::fclose(o);
    std::fclose(n);
}

void writePair(long lines, const std::string& older, const std::string& newer)
{
    std::mt19937 random(static_cast<unsigned>(lines));
    FILE* o = std::fopen(older.c_str(), "wb");
    FILE* n = std::fopen(newer.c_str(), "wb");
    long number = 0;
    const auto put = [](FILE* f, const std::string& line) {
        std::fputs(line.c_str(), f);
        std::fputs("\r\n", f);
    };
    for (long i = 0; i < lines; ++i) {
        const std::string line = block(++number, random);
        const unsigned roll = random() % 100000;
        const int count = 1 + static_cast<int>(random() % 3);
        if (roll < 100) { // a short block changed (about 0.2 % of the lines)
            put(o, line);
            put(n, line + " M08");
            for (int k = 1; k < count; ++k, ++i) {
                const std::string more = block(++number, random);
                put(o, more);
                put(n, more + " M09");
            }
        } else if (roll < 125) { // inserted in the newer program
            put(o, line);
            put(n, line);
            for (int k = 0; k < count; ++k)
                put(n, "M00 (CHECK " + std::to_string(k) + ")");
        } else if (roll < 150) { // deleted from it
            put(o, line);
        } else {
            put(o, line);
            put(n, line);
        }
    }
    std::fclose(o);
    std::fclose(n);
}

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Runs work in a child; its peak resident memory in kB. The child writes its figures to
// the pipe.
long inChild(const std::function<void(int out)>& work, int out)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        work(out);
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atol(argv[i]));
    if (sizes.empty())
        sizes = {100000, 200000, 400000};
    char folderTemplate[] = "/tmp/cmpbenchXXXXXX";
    const std::string folder = mkdtemp(folderTemplate);
    const std::string older = folder + "/OLDER.TAP", newer = folder + "/NEWER.TAP";

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return 1;
    const long idle = inChild([](int) {}, pipeEnds[1]);
    std::printf("%-10s %8s %10s %10s %10s %7s %10s %10s %8s\n", "case", "lines", "compare s", "all s", "diff s", "ratio",
                "compare MB", "diff MB", "blocks");
    for (int kind = 0; kind < 2; ++kind)
    for (long lines : sizes) {
        (kind == 0 ? writePair : writeInsertionPair)(lines, older, newer);
        double figures[3] = {0, 0, 0};
        const long compareKb = inChild(
            [&](int out) {
                mrw::FileCompare compare;
                compare.List1().SetFileName(newer);
                compare.List2().SetFileName(older);
                double result[3];
                auto start = std::chrono::steady_clock::now();
                compare.CompareFiles({true, false, mrw::MatchDisplay::None, mrw::DiffDisplay::Both});
                std::string text = compare.ResultText();
                result[0] = seconds(start);
                result[2] = compare.Blocks();
                start = std::chrono::steady_clock::now();
                compare.CompareFiles({true, false, mrw::MatchDisplay::All, mrw::DiffDisplay::Both});
                text = compare.ResultText();
                result[1] = seconds(start);
                if (write(out, result, sizeof result) != sizeof result)
                    _exit(1);
            },
            pipeEnds[1]);
        if (read(pipeEnds[0], figures, sizeof figures) != sizeof figures)
            return 1;
        double diffSeconds = 0;
        const long diffKb = inChild(
            [&](int out) {
                const auto start = std::chrono::steady_clock::now();
                const pid_t pid = fork();
                if (pid == 0) {
                    freopen("/dev/null", "w", stdout);
                    execlp("diff", "diff", older.c_str(), newer.c_str(), static_cast<char*>(nullptr));
                    _exit(127);
                }
                int status = 0;
                waitpid(pid, &status, 0);
                const double took = seconds(start);
                if (write(out, &took, sizeof took) != sizeof took)
                    _exit(1);
            },
            pipeEnds[1]);
        if (read(pipeEnds[0], &diffSeconds, sizeof diffSeconds) != sizeof diffSeconds)
            return 1;
        std::printf("%-10s %8ld %10.3f %10.3f %10.3f %7.2f %10.1f %10.1f %8.0f\n",
                    kind == 0 ? "scattered" : "insertion", lines, figures[0], figures[1], diffSeconds,
                    figures[0] / diffSeconds, (compareKb - idle) / 1024.0, diffKb / 1024.0, figures[2]);
    }
    std::remove(older.c_str());
    std::remove(newer.c_str());
    rmdir(folder.c_str());
    return 0;
}
