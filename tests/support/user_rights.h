#pragma once
// Rights tests. Root reads and writes every file, so a test that must meet a refusal takes
// an ordinary user's rights ("nobody") for those steps when it runs as root; run as an
// ordinary user it already has them. A test that needs a file of another user can make one
// only as root (chown), and skips itself otherwise.
#include <sys/types.h>

namespace testsupport {

constexpr uid_t NobodyId = 65534;

bool runningAsRoot();

// While it lives, the process acts with nobody's user and group ids when it runs as root;
// otherwise it changes nothing.
class OrdinaryUserRights {
public:
    OrdinaryUserRights();
    ~OrdinaryUserRights();
    OrdinaryUserRights(const OrdinaryUserRights&) = delete;
    OrdinaryUserRights& operator=(const OrdinaryUserRights&) = delete;

private:
    bool m_dropped = false;
};

// Runs `step` with an ordinary user's rights (see OrdinaryUserRights) and returns its result.
template <class Step>
decltype(auto) asOrdinaryUser(Step&& step)
{
    OrdinaryUserRights rights;
    return step();
}

} // namespace testsupport
