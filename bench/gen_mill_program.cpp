// Writes a large mill program for the run benchmark: moves inside the example mill's
// travel, a tool change every 50,000 blocks.
//   bench_gen_mill_program OUT.TAP [blocks] [arcs]
// The default program is G00/G01 moves. With "arcs" nearly every block is an arc:
// quarter arcs in G17, G18 and G19 by I, J, K and by R of both signs, full circles and
// helices, each point exact to the four decimals written, so that any interpreter finds
// the same centres.
#include "platform/format.h"
#include "platform/linestream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

namespace {

constexpr long ToolChangeEvery = 50000;

// Straight moves of the default program.
std::string lineBlock(long i)
{
    if (i % 10 == 0)
        return "G00 Z0.1";
    const double x = static_cast<double>(i % 997) * 0.0125 - 6.0;
    const double y = static_cast<double>(i % 613) * 0.0150 - 4.5;
    const double z = -static_cast<double>(i % 7) * 0.05;
    return platform::format("G01 X%.4f Y%.4f Z%.4f F%.1f", {x, y, z, 20.0 + static_cast<double>(i % 5)});
}

// A plane's G code, the axis letters of its first and second coordinate, their centre
// words, and the indexes of those axes in (X, Y, Z).
struct Plane {
    const char* code;
    char first, second, firstCentre, secondCentre;
    int firstAxis, secondAxis;
};
constexpr Plane Planes[3] = {
    {"G17", 'X', 'Y', 'I', 'J', 0, 1},
    {"G18", 'Z', 'X', 'K', 'I', 2, 0},
    {"G19", 'Y', 'Z', 'J', 'K', 1, 2},
};

// Rounds of arcs about a base point that moves between rounds; every round comes back to
// its base, so the tool stays inside the travel.
class ArcRounds {
public:
    std::string next()
    {
        if (m_pending.empty())
            round();
        std::string block = m_pending.front();
        m_pending.pop_front();
        return block;
    }
    // The block after a tool change: to the base, spindle on (the tool has been home);
    // the round that was under way is dropped.
    std::string afterToolChange()
    {
        m_pending.clear();
        return toBase() + " S3000 M03 F20.";
    }

private:
    std::string toBase() const
    {
        return platform::format("G00 X%.4f Y%.4f Z%.4f", {m_base[0], m_base[1], m_base[2]});
    }
    static std::string word(char letter, double value) { return platform::format("%s%.4f", {std::string(1, letter), value}); }

    // An arc of the plane to the point (a, b) of the plane's coordinates (the third axis
    // as it stands, or `height` for a helix in XY), with its centre words or radius.
    void arc(const Plane& p, const char* g, double a, double b, const std::string& centre, const char* height = nullptr)
    {
        std::string block = std::string(g) + " " + word(p.first, a) + " " + word(p.second, b);
        if (height)
            block += std::string(" ") + height;
        m_pending.push_back(block + " " + centre);
    }

    void round()
    {
        const long b = m_round++;
        m_base[0] = static_cast<double>(b % 37) * 0.25 - 4.5;
        m_base[1] = static_cast<double>(b % 23) * 0.25 - 2.75;
        m_base[2] = 2.5 - static_cast<double>(b % 5) * 0.1;
        const double r = 0.25 * static_cast<double>(b % 4 + 1);
        m_pending.push_back(toBase());
        for (const Plane& p : Planes) {
            const double u = m_base[p.firstAxis], v = m_base[p.secondAxis];
            const std::string quarterCentre = word(p.firstCentre, -r) + " " + word(p.secondCentre, 0);
            const std::string radius = word('R', r), longRadius = word('R', -r);
            arc(p, (std::string(p.code) + " G03").c_str(), u - r, v + r, quarterCentre); // about (u - r, v)
            arc(p, "G02", u, v, radius);                                                // back the same way
            arc(p, "G03", u - r, v + r, longRadius);                                    // 270 degrees about (u, v + r)
            arc(p, "G02", u, v, longRadius);                                            // and back
            arc(p, "G02", u, v, quarterCentre);                                         // a full circle
            if (p.firstAxis != 0)
                continue;
            // Helices: a quarter down and back by R, a full turn down and one up.
            const std::string down = word('Z', m_base[2] - 0.05), up = word('Z', m_base[2]);
            arc(p, "G03", u - r, v + r, quarterCentre, down.c_str());
            arc(p, "G02", u, v, radius, up.c_str());
            arc(p, "G03", u, v, quarterCentre, down.c_str());
            arc(p, "G02", u, v, quarterCentre, up.c_str());
        }
    }

    std::deque<std::string> m_pending;
    long m_round = 0;
    double m_base[3] = {0, 0, 0};
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.TAP [blocks] [arcs]\n", argv[0]);
        return 2;
    }
    const long blocks = argc > 2 ? std::atol(argv[2]) : 1000000;
    const bool arcs = argc > 3 && std::strcmp(argv[3], "arcs") == 0;
    platform::LineWriter out;
    if (!out.create(argv[1])) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    out.writeLine("%");
    out.writeLine("O4000 (RUN BENCHMARK)");
    out.writeLine("G20 G17 G40 G80 G90");
    ArcRounds rounds;
    long n = 0;
    for (long i = 0; i < blocks; ++i) {
        std::string block;
        if (i % ToolChangeEvery == 0)
            block = platform::format("T%d M06", {i / ToolChangeEvery % 20 + 1});
        else if (i % ToolChangeEvery == 1)
            block = arcs ? rounds.afterToolChange() : "G00 X0. Y0. S3000 M03";
        else
            block = arcs ? rounds.next() : lineBlock(i);
        out.writeLine(platform::format("N%d ", {++n}) + block);
    }
    out.writeLine("M30");
    out.writeLine("%");
    if (!out.close()) {
        std::fprintf(stderr, "error writing %s\n", argv[1]);
        return 1;
    }
    return 0;
}
