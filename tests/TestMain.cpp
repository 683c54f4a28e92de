// Shared entry point of every test program: the program's application class on the offscreen
// platform, so widget tests run without a display and under the same error boundary and string
// comparison as the program, then all GoogleTest cases.
#include "platform/GuardedApplication.h"
#include <cstdlib>
#include <gmock/gmock.h>

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleMock(&argc, argv);
    TGuardedApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
