// The GUI tests' entry point: an offscreen Qt application, then GoogleTest. The platform is
// chosen here, before QApplication exists, so that listing the tests needs no display.
#include <QApplication>
#include <cstdlib>
#include <gmock/gmock.h>

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
