// Widget tests run on Qt's offscreen platform unless KEYLOOM_TEST_PLATFORM
// names another (xcb, to watch them on a display). They never touch the
// user's own preferences or data, and read English texts whatever the
// desktop's language.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
    const char* platform = std::getenv("KEYLOOM_TEST_PLATFORM");
    setenv("QT_QPA_PLATFORM", platform && *platform ? platform : "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);

    QTemporaryDir home;
    if (!home.isValid()) return 1;
    setenv("XDG_CONFIG_HOME", qPrintable(home.filePath("config")), 1);
    setenv("XDG_DATA_HOME", qPrintable(home.filePath("data")), 1);
    unsetenv("KEYLOOM_DATA_DIR");
    setenv("LANGUAGE", "en", 1);
    return RUN_ALL_TESTS();
}
