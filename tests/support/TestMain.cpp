#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace testing_support {
void setExecutablePath(const char* argv0);
}

int main(int argc, char** argv) {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
#endif
    testing_support::setExecutablePath(argc > 0 ? argv[0] : "");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
