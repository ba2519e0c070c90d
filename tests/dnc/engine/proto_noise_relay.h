#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace prototest {

// Two pty pairs joined by a relay of ours that damages what passes: each byte
// is dropped or changed with the given chances.  Our two ends are slaveA() and
// slaveB(), raw.
class NoisyLink {
public:
    NoisyLink(double dropRate, double changeRate, std::uint32_t seed);
    // Side A is a line of someone else's (a standard program's pty): the relay joins
    // `farEnd` to slaveB().
    NoisyLink(int farEnd, double dropRate, double changeRate, std::uint32_t seed);
    ~NoisyLink();
    NoisyLink(const NoisyLink&) = delete;
    NoisyLink& operator=(const NoisyLink&) = delete;

    bool ok() const { return masterA_ >= 0 && slaveB_ >= 0; }
    int slaveA() const { return slaveA_; }
    int slaveB() const { return slaveB_; }
    std::uint64_t damaged() const { return damaged_; }

private:
    void relay();

    int masterA_ = -1, slaveA_ = -1, masterB_ = -1, slaveB_ = -1;
    bool ownsA_ = true;
    double dropRate_;
    double changeRate_;
    std::uint32_t seed_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> damaged_{0};
    std::thread thread_;
};

}  // namespace prototest
