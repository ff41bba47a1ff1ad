// Starting children on POSIX: whichever thread starts them, and whatever the program's own standard
// streams are.
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "platform/Process.h"

namespace {

std::string readAll(platform::ChildProcess& child) {
    std::string out;
    char buffer[256];
    while (const size_t n = child.read(buffer, sizeof buffer)) out.append(buffer, n);
    return out;
}

}  // namespace

// The parent-death signal belongs to the thread that forked: a child started from a thread that has since
// ended must still run.
TEST(ProcessPosix, ChildOutlivesTheThreadThatStartedIt) {
    platform::StartResult started;
    std::thread([&] { started = platform::startChildProcess("/bin/sleep 30", ""); }).join();
    ASSERT_TRUE(started.process) << started.error;
    EXPECT_FALSE(started.process->wait(300));
    started.process->terminate();
    EXPECT_EQ(started.process->exitCode(), 128u + 9u);  // SIGKILL
}

// With standard output and error closed, the pipe's ends may get descriptors 1 and 2; the child must
// still write both streams into the pipe.
TEST(ProcessPosix, ChildKeepsBothStreamsWhenOursAreClosed) {
    const int savedOut = dup(1), savedErr = dup(2);
    close(1);
    close(2);
    std::string output;
    std::optional<uint32_t> exitCode;
    {
        platform::StartResult started =
            platform::startChildProcess("/bin/sh -c \"echo to-out; echo to-err 1>&2; exit 3\"", "");
        if (started.process) {
            output = readAll(*started.process);
            started.process->wait(10000);
            exitCode = started.process->exitCode();
        }
    }  // the pipe's end may be descriptor 1 or 2: closed before ours come back
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    EXPECT_EQ(output, "to-out\nto-err\n");
    EXPECT_EQ(exitCode, 3u);
}
