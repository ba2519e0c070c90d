#include "support/user_rights.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace testsupport {

bool runningAsRoot() { return ::geteuid() == 0; }

OrdinaryUserRights::OrdinaryUserRights()
{
    if (!runningAsRoot())
        return;
    // The group first: once the user id is nobody's, the group may no longer be changed.
    EXPECT_EQ(::setegid(NobodyId), 0);
    EXPECT_EQ(::seteuid(NobodyId), 0);
    m_dropped = true;
}

OrdinaryUserRights::~OrdinaryUserRights()
{
    if (!m_dropped)
        return;
    EXPECT_EQ(::seteuid(0), 0);
    EXPECT_EQ(::setegid(0), 0);
}

} // namespace testsupport
