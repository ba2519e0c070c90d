#pragma once
// A simulated line between two engines of ours, on a clock of its own: bytes take the
// time the baud rate gives them, the line drops, repeats and changes them as told, and
// every time-out runs out in an instant of real time.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <random>
#include <string>
#include <utility>

#include "dnc/engine/transfer_engine.h"

namespace prototest {

using dnc::TransferEngine;

struct Damage {
    double drop = 0;
    double repeat = 0;
    double flip = 0;
    double change = 0;    // a byte becomes any other byte
    int burst = 0;        // noise bytes the line carries before anything is sent
    double leading = 0;   // chance that the first byte of a write (a block's start, an answer) is dropped or changed
    // Fixed damage to the sender's bytes, by their index: a bit mask to flip, or 0 to drop the byte.
    std::map<std::size_t, int> sender;
    std::size_t receiverSilentFrom = SIZE_MAX;  // the receiver's bytes from this one on never arrive
};

// One direction of the line: bytes in flight with the time each arrives.
struct Wire {
    std::deque<std::pair<std::int64_t, char>> inFlight;
    std::int64_t free = 0;  // when the line has sent everything queued
};

class SimulatedLine {
public:
    // The sender starts `senderStartUs` after the receiver, as an operator would.
    SimulatedLine(std::uint32_t seed, Damage damage, std::int64_t byteUs, std::int64_t senderStartUs)
        : rng_(seed), damage_(damage), byteUs_(byteUs), senderStartUs_(senderStartUs)
    {
    }

    // Runs both engines until both finish; false when they are still busy after
    // hours of line time (a hang).
    bool run(TransferEngine& sender, TransferEngine& receiver, std::string& received)
    {
        Side sides[2] = {{sender}, {receiver}};
        noiseBurst(wires_[0]);
        noiseBurst(wires_[1]);
        receiver.start();
        bool senderStarted = false;
        for (std::size_t step = 0; step < 2'000'000; ++step) {
            for (int i = 0; i < 2; ++i)
                settle(sides[i], wires_[i]);
            received += receiver.takeReceivedData();
            if (sender.finished() && receiver.finished())
                return true;
            // The next thing to happen: a read on either side, a timer, or output leaving.
            std::int64_t next = INT64_MAX;
            int what = -1;
            if (!senderStarted) {
                next = senderStartUs_;
                what = 6;
            }
            for (int i = senderStarted ? 0 : 1; i < 2; ++i) {
                const Wire& in = wires_[1 - i];
                if (!sides[i].engine.finished() && !in.inFlight.empty() && in.inFlight.front().first < next) {
                    next = in.inFlight.front().first;
                    what = i;
                }
                if (!sides[i].engine.finished() && sides[i].deadline < next) {
                    next = sides[i].deadline;
                    what = 2 + i;
                }
                // While output leaves the port the engine hears of it now and then,
                // and once more when all of it has gone.
                const std::int64_t moved = std::min(wires_[i].free, sides[i].lastMoved + MovedEveryUs);
                if (!sides[i].engine.finished() && sides[i].drainPending && moved < next) {
                    next = moved;
                    what = 4 + i;
                }
            }
            if (what < 0 || next > HoursUs)
                return false;
            now_ = std::max(now_, next);
            if (what == 6) {
                senderStarted = true;
                sender.start();
                if (!wires_[1].inFlight.empty() && wires_[1].inFlight.front().first <= now_)
                    sender.receive(readChunk(wires_[1]));  // what waited in the port
            } else if (what < 2) {
                TransferEngine& engine = sides[what].engine;
                const std::string chunk = readChunk(wires_[1 - what]);
                engine.receive(chunk);
            } else if (what < 4) {
                sides[what - 2].deadline = INT64_MAX;
                sides[what - 2].engine.timerExpired();
            } else {
                Side& side = sides[what - 4];
                side.lastMoved = now_;
                side.engine.outputMoved();
                if (wires_[what - 4].free <= now_) {
                    side.drainPending = false;
                    side.engine.outputDrained();
                }
            }
        }
        return false;
    }

    std::string receiverSent;  // everything the receiver sent, before the line's damage

private:
    static constexpr std::int64_t HoursUs = 4LL * 3600 * 1'000'000;
    static constexpr std::int64_t MovedEveryUs = 500'000;

    struct Side {
        TransferEngine& engine;
        unsigned timerSerial = 0;
        std::int64_t deadline = INT64_MAX;
        bool drainPending = false;
        std::int64_t lastMoved = 0;  // when the engine last heard of its output moving
    };

    // Puts what the engine wants sent on the line, damaged, and keeps its timer.
    void settle(Side& side, Wire& out)
    {
        std::string bytes = side.engine.takeOutput();
        const bool fromSender = &out == &wires_[0];
        if (!fromSender) {
            receiverSent += bytes;
            const std::size_t kept = receiverSent.size() - bytes.size() < damage_.receiverSilentFrom
                                         ? std::min(bytes.size(), damage_.receiverSilentFrom -
                                                                      (receiverSent.size() - bytes.size()))
                                         : 0;
            bytes.resize(kept);
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            char c = bytes[i];
            if (fromSender) {
                const auto fixed = damage_.sender.find(senderBytes_++);
                if (fixed != damage_.sender.end()) {
                    if (fixed->second == 0)
                        continue;
                    c = static_cast<char>(c ^ fixed->second);
                }
            }
            if (i == 0 && chance(damage_.leading)) {
                if (chance(0.5))
                    continue;
                c = static_cast<char>(c ^ (1 << pick(8)));
            }
            if (chance(damage_.drop))
                continue;
            if (chance(damage_.flip))
                c = static_cast<char>(c ^ (1 << pick(8)));
            if (chance(damage_.change))
                c = static_cast<char>(c ^ (1 + pick(255)));
            put(out, c);
            if (chance(damage_.repeat))
                put(out, c);
        }
        if (!bytes.empty() && !side.drainPending) {
            side.drainPending = true;
            side.lastMoved = now_;
        }
        if (side.engine.timerSerial() != side.timerSerial) {
            side.timerSerial = side.engine.timerSerial();
            side.deadline = side.engine.timerMs() < 0 ? INT64_MAX : now_ + side.engine.timerMs() * 1000LL;
        }
    }

    void put(Wire& out, char c)
    {
        out.free = std::max(out.free, now_) + byteUs_;
        out.inFlight.emplace_back(out.free, c);
    }

    // What one read gets: the bytes that arrived by a moment a little after the first.
    std::string readChunk(Wire& in)
    {
        const std::int64_t until =
            std::max(now_, in.inFlight.front().first + static_cast<std::int64_t>(pick(3)) * 10 * byteUs_);
        now_ = std::max(now_, until);
        std::string chunk;
        while (!in.inFlight.empty() && in.inFlight.front().first <= until) {
            chunk.push_back(in.inFlight.front().second);
            in.inFlight.pop_front();
        }
        return chunk;
    }

    void noiseBurst(Wire& wire)
    {
        for (int n = damage_.burst; n > 0; --n)
            put(wire, static_cast<char>(pick(256)));
    }

    bool chance(double p) { return p > 0 && std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::mt19937 rng_;
    Damage damage_;
    std::int64_t byteUs_;
    std::int64_t senderStartUs_;
    std::int64_t now_ = 0;
    std::size_t senderBytes_ = 0;
    Wire wires_[2];  // [0] sender to receiver, [1] receiver to sender
};

}  // namespace prototest
