// Shutting the system down at the end of a run. Callers go through the interface so that tests never
// shut anything down.
#pragma once

#include <cstdint>

namespace platform {

class Shutdown {
public:
    virtual ~Shutdown() = default;
    // Asks the system to shut down: 0 when it accepted, otherwise the system's error code.
    virtual uint32_t shutDownSystem() = 0;
};

// Windows: the shut-down privilege, then a planned shut-down for a software reason. POSIX: refused.
Shutdown& systemShutdown();

}  // namespace platform
