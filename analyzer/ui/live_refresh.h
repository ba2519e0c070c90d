#pragma once
// How often what a run changes reaches the screen while it runs: the picture, the code
// list and the readouts are brought up to date this many milliseconds apart, about
// thirty times a second.
namespace vork {

constexpr int LiveRefreshMilliseconds = 33;

} // namespace vork
