#pragma once
// Code strings: a machine's init, start and end strings and a hub's init string. In
// them "/" and the three characters after it stand for one code, read as a whole
// number: 0 or more is the byte with that value (its low 8 bits), a negative value
// ("/-50") is a wait of that many milliseconds on the port and nothing in a send image.
// Three characters that are not a number are dropped; a "/" with fewer than three
// characters after it is dropped and those characters count as plain ones. Every other
// character stands for itself, or for its EIA code when the machine takes EIA.
#include "dnc/engine/tape_code.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dnc {

// One step of sending a code string: a run of bytes, or a wait (no bytes, waitMs > 0).
struct CodeStringStep {
    std::string bytes;
    int waitMs = 0;

    bool operator==(const CodeStringStep&) const = default;
};

struct CodeString {
    std::vector<CodeStringStep> steps;
    // Position (0-based) of the first plain character that has no EIA code, when the
    // string was read for EIA; its step holds the code of "0" in its place.
    std::optional<std::size_t> untranslatable;

    // Every byte of the string, the waits left out: what goes into a send image.
    std::string bytes() const;
};

// Reads a code string; with translateToEia the plain characters become EIA codes
// (never the "/" codes).
CodeString readCodeString(std::string_view text, bool translateToEia);

// Reads a code string for a machine of the tape code (EIA translates the plain
// characters). Throws NoEiaCode naming `what` ("Send Init") when a character cannot be
// sent in EIA, so that the code of "0" never goes out in its place.
CodeString readCodeString(std::string_view text, TapeCode code, const std::string& what);

using PutBytes = std::function<void(std::string_view)>;
using WaitMilliseconds = std::function<void(int)>;

// Holds the calling thread for that many milliseconds, letting no events through: the
// waits of code strings keep the machine's timing exact.
void holdThread(int milliseconds);

// Plays a code string to a port: put() for every run of bytes, wait() for every wait.
void playCodeString(const CodeString& code, const PutBytes& put, const WaitMilliseconds& wait = holdThread);

// Sends a code string to a port for a machine of the tape code; an empty string sends
// nothing. Throws NoEiaCode, before anything is sent, as readCodeString does. A hub's
// init string goes out untranslated: read it with translateToEia false and play it.
void SendCodeString(std::string_view text, TapeCode code, const std::string& what, const PutBytes& put,
                    const WaitMilliseconds& wait = holdThread);

} // namespace dnc
