// Shared entry point of every test program: a QApplication on the offscreen platform,
// so widget tests run without a display, then all GoogleTest cases.
#include <QApplication>
#include <cstdlib>
#include <gmock/gmock.h>

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleMock(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
