#pragma once
// Several real processes doing their work at the same moment, as programs sharing a
// program folder do.
#include <gtest/gtest.h>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

// Starts `count` processes that each run `work(index)` together, and waits for them all;
// a process that throws or fails to start its work fails the test.
template <typename Work>
void runTogether(int count, Work work)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(ready[1]);
            char go;
            // The parent closes the pipe once every process is there: all start together.
            int status = ::read(ready[0], &go, 1) == 0 ? 0 : 2;
            try {
                work(i);
            } catch (...) {
                status = 1;
            }
            ::_exit(status);
        }
        children.push_back(pid);
    }
    ::close(ready[0]);
    ::close(ready[1]);
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "process " << pid;
    }
}

} // namespace testsupport
