// Widget tests run on Qt's offscreen platform unless KEYLOOM_TEST_PLATFORM
// names another (xcb, to watch them on a display).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    const char* platform = std::getenv("KEYLOOM_TEST_PLATFORM");
    setenv("QT_QPA_PLATFORM", platform && *platform ? platform : "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
