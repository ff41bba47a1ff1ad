// No transcoder outlives the program: a helper process (this test executable run again) starts a long job
// and is then killed; its transcoder must end with it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "engine/EventQueue.h"
#include "engine/Transcoder.h"
#include "platform/Process.h"
#include "sources/SourceItem.h"
#include "support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

using namespace std::chrono_literals;

namespace {

bool processAlive(uint64_t pid) {
#ifdef _WIN32
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!h) return false;
    const bool alive = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return alive;
#else
    return kill(static_cast<pid_t>(pid), 0) == 0;
#endif
}

}  // namespace

// Disabled: runs only as the helper of the test below.
TEST(TranscoderOrphan, DISABLED_HelperStartsALongJob) {
    SourceItem item;
    EventQueue queue;
    ASSERT_TRUE(startConversion("\"" + transcoderPath() + "\" -re -f lavfi -i sine=duration=120 -f null -",
                                item, 32, queue));
    std::printf("TRANSCODER=%llu\n", static_cast<unsigned long long>(item.process->id()));
    std::fflush(stdout);
    std::this_thread::sleep_for(120s);
}

TEST(TranscoderOrphan, TranscoderEndsWithTheProgram) {
    auto helper =
        platform::startChildProcess("\"" + testing_support::binFolder() +
                                        "test_engine\" --gtest_also_run_disabled_tests "
                                        "--gtest_filter=TranscoderOrphan.DISABLED_HelperStartsALongJob",
                                    "");
    ASSERT_TRUE(helper.process);
    std::string output;
    uint64_t transcoder = 0;
    char buf[4096];
    while (transcoder == 0) {
        const size_t n = helper.process->read(buf, sizeof buf);
        if (n == 0) break;
        output.append(buf, n);
        const size_t at = output.find("TRANSCODER=");
        if (at != std::string::npos && output.find('\n', at) != std::string::npos)
            transcoder = std::strtoull(output.c_str() + at + 11, nullptr, 10);
    }
    ASSERT_NE(transcoder, 0u) << output;
    ASSERT_TRUE(processAlive(transcoder));
    helper.process->terminate();
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        gone = !processAlive(transcoder);
        if (!gone) std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(gone) << "the transcoder outlived the program that started it";
}
