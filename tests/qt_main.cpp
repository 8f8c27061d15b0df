#include <cstdlib>

#include <QApplication>

#include <gtest/gtest.h>

// Every test program gets a real Qt application on the offscreen platform, so tests of
// the adapters and the window use a real event loop without a display.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
