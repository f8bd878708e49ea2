// The diagnostic trace: sink choice, the log file, bounded formatting, dumps,
// and the system alerts.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "base/PublicLib.h"
#include "base/debug.h"
#include "test_support.h"

namespace keyloom {
namespace {

using test::LogCapture;
using test::RecordingAlertSink;
using test::ScopedEnv;
using test::TempDir;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// InitDebug changes LOG, g_bDebug and szLogFile; this puts them back.
class DebugStateGuard {
public:
    DebugStateGuard() : log_(LOG), level_(g_bDebug) { std::memcpy(file_, szLogFile, sizeof(file_)); }
    ~DebugStateGuard() {
        LOG = log_;
        g_bDebug = level_;
        std::memcpy(szLogFile, file_, sizeof(file_));
    }

private:
    LogFunc log_;
    int32_t level_;
    char file_[sizeof(szLogFile)];
};

// A fake home whose configuration directory is <home>/cfg.
struct FakeHome {
    TempDir dir;
    ScopedEnv home{"HOME", dir.path()};
    ScopedEnv config{"XDG_CONFIG_HOME", dir.file("cfg")};
    FakeHome() { std::filesystem::create_directories(dir.file("cfg")); }
    void setUserDirs(const std::string& text) { write_file(dir.file("cfg/user-dirs.dirs"), text); }
};

TEST(DebugInit, LevelTwoEmptiesTheLogAndWritesEachMessageAfterCrLf) {
    DebugStateGuard guard;
    FakeHome home;
    std::filesystem::create_directories(home.dir.file("Desk"));
    home.setUserDirs("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\n");
    const std::string log = home.dir.file("Desk/log.txt");
    write_file(log, "from the last run\r\n");

    InitDebug(2);
    EXPECT_EQ(std::string(szLogFile), log);
    EXPECT_EQ(g_bDebug, 2);
    EXPECT_EQ(LOG, &LogToFile);
    EXPECT_EQ(read_file(log), "");

    LOG("open %d", 7);
    LOG("%s", "close");
    EXPECT_EQ(read_file(log), "\r\nopen 7\r\nclose");
}

TEST(DebugInit, OtherLevelsWriteNothingToTheFile) {
    DebugStateGuard guard;
    FakeHome home;
    std::filesystem::create_directories(home.dir.file("Desktop"));
    const std::string log = home.dir.file("Desktop/log.txt");
    write_file(log, "kept");

    InitDebug(3);
    EXPECT_EQ(g_bDebug, 3);
    EXPECT_EQ(LOG, &LogToNULL);
    LOG("dropped");
    const uint8_t bytes[] = {1, 2, 3};
    printdata(bytes, sizeof(bytes));  // runs, but LOG discards
    EXPECT_EQ(read_file(log), "kept");

    InitDebug(1);
    EXPECT_EQ(LOG, &LogToSyslog);
    InitDebug(0);
    EXPECT_EQ(g_bDebug, 0);
    EXPECT_EQ(LOG, &LogToNULL);
    EXPECT_EQ(read_file(log), "kept");
}

TEST(DebugInit, DesktopDirectoryLookup) {
    DebugStateGuard guard;
    {
        // No user-dirs.dirs: $HOME/Desktop when it exists.
        FakeHome home;
        std::filesystem::create_directories(home.dir.file("Desktop"));
        InitDebug(0);
        EXPECT_EQ(std::string(szLogFile), home.dir.file("Desktop/log.txt"));
    }
    {
        // Neither: no log file, and level 2 keeps discarding.
        FakeHome home;
        InitDebug(2);
        EXPECT_STREQ(szLogFile, "");
        EXPECT_EQ(LOG, &LogToNULL);
        LogToFile("nowhere");  // must not write or crash
    }
    {
        // An absolute entry with escapes and a trailing "/"; the last entry wins.
        FakeHome home;
        home.setUserDirs("XDG_DESKTOP_DIR=\"$HOME/old\"\n  XDG_DESKTOP_DIR = \"/srv/my \\\"desk\\\"/\"\n");
        InitDebug(0);
        EXPECT_STREQ(szLogFile, "/srv/my \"desk\"/log.txt");
    }
    {
        // Without XDG_CONFIG_HOME the file is read from ~/.config; relative entries are ignored.
        FakeHome home;
        ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
        std::filesystem::create_directories(home.dir.file(".config"));
        write_file(home.dir.file(".config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/D\"\n");
        InitDebug(0);
        EXPECT_EQ(std::string(szLogFile), home.dir.file("D/log.txt"));
        write_file(home.dir.file(".config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"relative\"\n");
        InitDebug(0);
        EXPECT_STREQ(szLogFile, "");
    }
    {
        // A desktop path too long for the log-file name gives no log file rather than a cut name.
        FakeHome home;
        home.setUserDirs("XDG_DESKTOP_DIR=\"/" + std::string(300, 'x') + "\"\n");
        InitDebug(0);
        EXPECT_STREQ(szLogFile, "");
    }
}

TEST(DebugSysLog, GoesThroughTheReplaceableSink) {
    LogCapture capture;
    SysLog("Device %s opened (%d)", "kb", 3);
    LOG("trace %d", 1);
    EXPECT_EQ(capture.sysLines(), std::vector<std::string>{"Device kb opened (3)"});
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"trace 1"});
}

TEST(DebugFormat, SnprintfReturnsWhatWasStored) {
    char buf[8];
    std::memset(buf, '#', sizeof(buf));
    EXPECT_EQ(_snprintf(buf, 0, "abc"), 0);
    EXPECT_EQ(buf[0], '#');
    EXPECT_EQ(_snprintf(buf, 1, "abc"), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(_snprintf(buf, 4, "%s", "hello"), 3);
    EXPECT_STREQ(buf, "hel");
    EXPECT_EQ(buf[4], '#');
    EXPECT_EQ(_snprintf(buf, sizeof(buf), "%d", 42), 2);
    EXPECT_STREQ(buf, "42");
    EXPECT_EQ(_snprintf(buf, sizeof(buf), "%s", "1234567"), 7);
    EXPECT_EQ(_snprintf(buf, sizeof(buf), "%s", "12345678"), 7);
    EXPECT_STREQ(buf, "1234567");
}

TEST(DebugFormat, PrintToBufferAppendsWithinBounds) {
    char buf[12];
    std::memset(buf, '#', sizeof(buf));
    std::strcpy(buf, "ab");
    PrintToBuffer(buf, 8, "%d", 123);
    EXPECT_STREQ(buf, "ab123");
    PrintToBuffer(buf, 8, "%s", "xyz");  // room for two more characters only
    EXPECT_STREQ(buf, "ab123xy");
    EXPECT_EQ(buf[8], '#');

    char before[12];
    std::memcpy(before, buf, sizeof(buf));
    PrintToBuffer(buf, 8, "%s", "more");  // text fills size - 1: unchanged
    EXPECT_EQ(std::memcmp(buf, before, sizeof(buf)), 0);

    char noNul[4] = {'a', 'b', 'c', 'd'};
    PrintToBuffer(noNul, sizeof(noNul), "z");  // no terminator within size: unchanged
    EXPECT_EQ(std::memcmp(noNul, "abcd", 4), 0);

    char one[2] = {'\0', '#'};
    PrintToBuffer(one, 1, "z");
    PrintToBuffer(one, 0, "z");
    EXPECT_EQ(one[0], '\0');
    EXPECT_EQ(one[1], '#');
}

TEST(DebugFormat, ArraysAsHexOrDecimalText) {
    const uint8_t bytes[] = {10, 255};
    char buf[32] = "";
    EXPECT_EQ(PrintArrayToBuffer_Byte(buf, sizeof(buf), bytes, 2, "", 16), 2);
    EXPECT_STREQ(buf, "A,FF");
    buf[0] = '\0';
    PrintArrayToBuffer_Byte(buf, sizeof(buf), bytes, 2, nullptr, 10);
    EXPECT_STREQ(buf, "10,255");

    // A prefix replaces what was there; without one the bytes are appended.
    PrintArrayToBuffer_Byte(buf, sizeof(buf), bytes, 2, "K=", 16);
    EXPECT_STREQ(buf, "K=A,FF");
    const uint8_t five = 5;
    PrintArrayToBuffer_Byte(buf, sizeof(buf), &five, 1, "", 16);
    EXPECT_STREQ(buf, "K=A,FF05");

    const int32_t ints[] = {1, -1};
    EXPECT_EQ(PrintArrayToBuffer_Int(buf, sizeof(buf), ints, 2, "I:", 16), 2);
    EXPECT_STREQ(buf, "I:00000001,FFFFFFFF");
    PrintArrayToBuffer_Int(buf, sizeof(buf), ints, 2, "I:", 10);
    EXPECT_STREQ(buf, "I:1,-1");

    // Small buffers are never overrun.
    char tiny[6];
    std::memset(tiny, '#', sizeof(tiny));
    PrintArrayToBuffer_Byte(tiny, 4, bytes, 2, "prefix", 10);
    EXPECT_STREQ(tiny, "pre");
    EXPECT_EQ(tiny[4], '#');
    tiny[0] = '\0';
    PrintArrayToBuffer_Int(tiny, 4, ints, 2, nullptr, 16);
    EXPECT_STREQ(tiny, "000");
    EXPECT_EQ(tiny[4], '#');
}

TEST(DebugDump, PrintdataSendsSixteenBytesPerLine) {
    uint8_t bytes[17];
    for (int i = 0; i < 17; ++i) bytes[i] = static_cast<uint8_t>(i * 17);
    LogCapture capture;
    printdata(bytes, 16);
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{
                                   "00 11 22 33 44 55 66 77 88 99 aa bb cc dd ee ff \n", "\n"}));
    capture.clear();
    printdata(bytes, 17);
    ASSERT_EQ(capture.lines().size(), 2u);
    EXPECT_EQ(capture.lines()[1], "10 \n");

    capture.clear();
    printdata(nullptr, 4);
    printdata(bytes, 0);
    g_bDebug = 0;
    printdata(bytes, 4);
    printdata_prefix(bytes, 4, 0, "P");
    printdata_prefix_ex(bytes, 4, 0, 2, "P");
    EXPECT_TRUE(capture.lines().empty());
}

TEST(DebugDump, PrefixLinesAndWrapping) {
    uint8_t bytes[200];
    for (int i = 0; i < 200; ++i) bytes[i] = static_cast<uint8_t>(i);
    LogCapture capture;

    printdata_prefix(bytes, 6, 4, "RX");
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{"RX 00 01 02 03 ", "RX 04 05 "}));
    capture.clear();
    printdata_prefix(bytes, 8, 4, "RX");
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{"RX 00 01 02 03 ", "RX 04 05 06 07 ", ""}));
    capture.clear();
    printdata_prefix(bytes, 3, 0, nullptr);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"00 01 02 "});

    // One line of 200 bytes does not fit 512 bytes: it goes on from the buffer's start, unprefixed.
    capture.clear();
    printdata_prefix(bytes, 200, 0, "P");
    std::string all = "P ";
    for (int i = 0; i < 200; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof(hex), "%02x ", i);
        all += hex;
    }
    std::vector<std::string> lines = capture.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_LT(lines[0].size(), 512u);
    EXPECT_EQ(lines[0].size() % 3, 2u);  // whole bytes only
    EXPECT_EQ(lines[0] + lines[1], all);
}

TEST(DebugDump, PrefixExGroupsBytesAndCutsLongLines) {
    uint8_t bytes[300];
    for (int i = 0; i < 300; ++i) bytes[i] = static_cast<uint8_t>(i);
    LogCapture capture;

    printdata_prefix_ex(bytes, 8, 8, 4, "TX");
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{"TX 00 01 02 03  04 05 06 07  ", ""}));
    capture.clear();
    printdata_prefix_ex(bytes, 5, 3, 2, "");
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{"00 01  02 ", "03 04  "}));
    capture.clear();
    printdata_prefix_ex(bytes, 3, 0, 0, "G");  // no groups
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"G 00 01 02 "});

    // 300 bytes on one line overrun the buffer: the line is cut, the rest dropped.
    capture.clear();
    printdata_prefix_ex(bytes, 300, 0, 4, "TX");
    std::vector<std::string> lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LT(lines[0].size(), 512u);
    EXPECT_GT(lines[0].size(), 500u);
    EXPECT_EQ(lines[0].substr(0, 19), "TX 00 01 02 03  04 ");
    EXPECT_EQ(lines[0].back(), ' ');
}

TEST(PubLibAlerts, ShowAskAndExitThroughTheSink) {
    RecordingAlertSink sink;
    EXPECT_FALSE(PubLib::querySystemMessage("Replace the macro?", "Warning", nullptr));
    ASSERT_EQ(sink.alerts.size(), 1u);
    EXPECT_TRUE(sink.alerts[0].question);
    EXPECT_EQ(sink.alerts[0].title, "Warning");
    EXPECT_EQ(sink.alerts[0].text, "Replace the macro?");

    sink.answer = true;
    EXPECT_TRUE(PubLib::querySystemMessage("Again?", "Warning", "icon.png"));
    PubLib::showSystemMessage("Keyboard removed", "Warning", &sink, nullptr);
    PubLib::showSysMsg("Saved", "Info", nullptr);
    EXPECT_EQ(MessageBox(nullptr, "Bad file", "Import", 0x30), 0);
    ASSERT_EQ(sink.alerts.size(), 5u);
    EXPECT_FALSE(sink.alerts[2].question);
    EXPECT_EQ(sink.alerts[2].text, "Keyboard removed");
    EXPECT_EQ(sink.alerts[3].title, "Info");
    EXPECT_EQ(sink.alerts[4].title, "Import");
    EXPECT_EQ(sink.alerts[4].text, "Bad file");

    PubLib::exitApp();
    EXPECT_EQ(sink.exitRequests, 1);
}

TEST(PubLibAlerts, DefaultSinkAnswersCancel) {
    PubLib::setAlertSink(nullptr);
    EXPECT_FALSE(PubLib::querySystemMessage("text", "title", nullptr));
}

TEST(PubLibHelpers, NumbersFromOptionalTextAndOwnFolder) {
    bool ok = true;
    EXPECT_EQ(PubLib::NSStringToInt(std::nullopt, 10, &ok), -1);
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_EQ(PubLib::NSStringToInt(std::string(), 16, &ok), -1);
    EXPECT_FALSE(ok);
    EXPECT_EQ(PubLib::NSStringToInt(std::string("42"), 10, &ok), 42);
    EXPECT_TRUE(ok);
    EXPECT_EQ(PubLib::NSStringToInt(std::string("ff"), 16, &ok), 255);
    EXPECT_TRUE(ok);

    std::string here = PubLib::get_current_path();
    ASSERT_FALSE(here.empty());
    EXPECT_EQ(here.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(here + "keyloom_core_tests"));
}

}  // namespace
}  // namespace keyloom
