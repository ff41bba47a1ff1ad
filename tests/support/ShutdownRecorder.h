// A shut-down that counts the requests and answers with a chosen error code (0: accepted).
#pragma once

#include "platform/Shutdown.h"

namespace testing_support {

struct ShutdownRecorder final : platform::Shutdown {
    int requests = 0;
    uint32_t answer = 0;
    uint32_t shutDownSystem() override {
        ++requests;
        return answer;
    }
};

}  // namespace testing_support
