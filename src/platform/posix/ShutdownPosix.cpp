#include <cerrno>

#include "platform/Shutdown.h"

namespace platform {

namespace {

// The console program never shuts the system down.
class RefusedShutdown final : public Shutdown {
public:
    uint32_t shutDownSystem() override { return ENOSYS; }
};

}  // namespace

Shutdown& systemShutdown() {
    static RefusedShutdown shutdown;
    return shutdown;
}

}  // namespace platform
