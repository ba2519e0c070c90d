// The file compare on two large NC programs against GNU diff on the same pair.
//   bench_compare_files [lines...]        (default 100000 200000 400000)
// For each size it writes an older program and a newer one with scattered edits (about
// 0.2 % of the lines changed, 0.05 % inserted and 0.05 % deleted, single lines and short
// blocks), then times the compare (load, all passes, result; once more with every
// matching line in the list) and `diff` in child processes, and prints the best times of
// three runs, their ratio and the peak memory of each child above that of an idle child. A second case has
// 300 scattered one-line edits and a block of 2,000 lines inserted in the middle. A third
// is a program of repeated operations (tool changes, one pocket body, one hole pattern)
// edited as a shop does, operations copied among the edits; a fourth compares two such
// programs that share their kinds of lines but nothing else. The last columns give the
// lines the compare marks and the lines diff marks ("<" and ">").
#include "workspace/engine/file_compare.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// A pair with 300 scattered one-line edits and one long block of 2,000 lines inserted in
// the middle.
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

// Operations of a program that repeats itself: a tool change, then one pocket body run one
// to three times or one hole pattern drilled.
std::vector<std::string> operation(std::mt19937& random)
{
    static const std::vector<std::string> pocket = {"G91 G01 Z-0.35 F10.", "X0.5 F20.", "Y0.5", "X-0.5",
                                                    "Y-0.5", "G00 Z0.35", "X1.25", "G90"};
    const std::string tool = std::to_string(1 + random() % 4);
    std::vector<std::string> out = {"G91 G28 Z0. M05", "T" + tool + " M06", "G00 G54 X0. Y0. S2500 M03",
                                    "G43 Z0.1 H0" + tool + " M08"};
    if (random() % 2 == 0) {
        for (unsigned k = 0, n = 1 + random() % 3; k < n; ++k) {
            out.push_back("G00 X" + std::to_string(random() % 6) + ". Y1.");
            out.insert(out.end(), pocket.begin(), pocket.end());
        }
    } else {
        out.push_back(std::string(random() % 2 ? "G81" : "G83 Q0.1") + " G99 X1.5 Y1.25 Z-0.5 R0.1 F8.");
        for (int k = 1; k < 8; ++k)
            out.push_back("X" + std::to_string(1 + k % 4) + ".5 Y" + std::to_string(1 + k / 4) + ".25");
        out.push_back("G80 G00 Z1. M09");
    }
    return out;
}

// A program of repeated operations and its edited copy: about one operation in 200 copied
// again after itself or further back, and about 0.1 % of the lines changed, inserted or
// deleted. With `unrelated`, the newer program is another of the same kind.
void writeRepeatedPair(long lines, const std::string& older, const std::string& newer, bool unrelated)
{
    std::mt19937 random(static_cast<unsigned>(lines) + (unrelated ? 3 : 2));
    std::mt19937 other(static_cast<unsigned>(lines) + 99);
    FILE* o = std::fopen(older.c_str(), "wb");
    FILE* n = std::fopen(newer.c_str(), "wb");
    const auto put = [](FILE* f, const std::string& line) {
        std::fputs(line.c_str(), f);
        std::fputs("\r\n", f);
    };
    std::vector<std::vector<std::string>> done;
    long written = 0;
    while (written < lines) {
        const std::vector<std::string> op = operation(random);
        written += static_cast<long>(op.size());
        for (const std::string& line : op)
            put(o, line);
        if (unrelated) {
            for (const std::string& line : operation(other))
                put(n, line);
            continue;
        }
        for (const std::string& line : op) {
            const unsigned roll = random() % 1000;
            if (roll == 0)
                put(n, line + " M01");
            else if (roll == 1)
                put(n, "M00 (CHECK)");
            if (roll != 2)
                put(n, line);
        }
        if (random() % 200 == 0 && !done.empty())
            for (const std::string& line : done[random() % done.size()])
                put(n, line);
        done.push_back(op);
        if (done.size() > 50)
            done.erase(done.begin());
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
    constexpr int Runs = 3;
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
    std::printf("%-10s %8s %10s %10s %10s %7s %10s %10s %8s %8s %8s\n", "case", "lines", "compare s", "all s",
                "diff s", "ratio", "compare MB", "diff MB", "blocks", "marked", "diff's");
    const char* const names[] = {"scattered", "insertion", "repeated", "unrelated"};
    for (int kind = 0; kind < 4; ++kind)
    for (long lines : sizes) {
        if (kind < 2)
            (kind == 0 ? writePair : writeInsertionPair)(lines, older, newer);
        else
            writeRepeatedPair(lines, older, newer, kind == 3);
        // The best of a few runs of each: the machine may be busy with other work.
        double figures[4] = {1e9, 1e9, 0, 0};
        double diffSeconds = 1e9;
        long compareKb = 0, diffKb = 0;
        for (int run = 0; run < Runs; ++run) {
            double got[4] = {0, 0, 0, 0};
            compareKb = inChild(
                [&](int out) {
                    mrw::FileCompare compare;
                    compare.List1().SetFileName(newer);
                    compare.List2().SetFileName(older);
                    double result[4];
                    auto start = std::chrono::steady_clock::now();
                    compare.CompareFiles({true, false, mrw::MatchDisplay::None, mrw::DiffDisplay::Both});
                    std::string text = compare.ResultText();
                    result[0] = seconds(start);
                    result[2] = compare.Blocks();
                    result[3] = static_cast<double>(compare.Rows().size());
                    start = std::chrono::steady_clock::now();
                    compare.CompareFiles({true, false, mrw::MatchDisplay::All, mrw::DiffDisplay::Both});
                    text = compare.ResultText();
                    result[1] = seconds(start);
                    if (write(out, result, sizeof result) != sizeof result)
                        _exit(1);
                },
                pipeEnds[1]);
            if (read(pipeEnds[0], got, sizeof got) != sizeof got)
                return 1;
            figures[0] = std::min(figures[0], got[0]);
            figures[1] = std::min(figures[1], got[1]);
            figures[2] = got[2];
            figures[3] = got[3];
            double took = 0;
            diffKb = inChild(
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
                    const double diffTook = seconds(start);
                    if (write(out, &diffTook, sizeof diffTook) != sizeof diffTook)
                        _exit(1);
                },
                pipeEnds[1]);
            if (read(pipeEnds[0], &took, sizeof took) != sizeof took)
                return 1;
            diffSeconds = std::min(diffSeconds, took);
        }
        // Diff's marked lines, counted apart from its timed run.
        long diffMarked = 0;
        if (FILE* out = popen(("diff " + older + " " + newer).c_str(), "r")) {
            char text[4096];
            bool lineStart = true;
            while (std::fgets(text, sizeof text, out)) {
                if (lineStart && (text[0] == '<' || text[0] == '>'))
                    ++diffMarked;
                lineStart = std::strchr(text, '\n') != nullptr;
            }
            pclose(out);
        }
        std::printf("%-10s %8ld %10.3f %10.3f %10.3f %7.2f %10.1f %10.1f %8.0f %8.0f %8ld\n", names[kind], lines,
                    figures[0], figures[1], diffSeconds, figures[0] / diffSeconds, (compareKb - idle) / 1024.0,
                    diffKb / 1024.0, figures[2], figures[3], diffMarked);
    }
    std::remove(older.c_str());
    std::remove(newer.c_str());
    rmdir(folder.c_str());
    return 0;
}
