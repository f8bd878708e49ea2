// INI parsing, typed readers and the profile-style functions on `ini`.
#include <gtest/gtest.h>

#include <cstdarg>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/INIFiler.h"
#include "base/PublicLib.h"
#include "base/debug.h"

namespace keyloom {
namespace {

using namespace std::string_literals;

std::vector<std::string>& SysLines() {
    static std::vector<std::string> lines;
    return lines;
}

void CaptureSysLog(const char* fmt, ...) {
    char line[4096];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    SysLines().push_back(line);
}

class RecordingAlerts : public AlertSink {
public:
    void showMessage(const std::string& title, const std::string& text) override { shown.emplace_back(title, text); }
    bool askQuestion(const std::string&, const std::string&) override { return false; }
    void exitApp() override {}
    std::vector<std::pair<std::string, std::string>> shown;
};

std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

// Sections as (name, key=value...) for whole-file comparisons.
std::vector<std::pair<std::string, std::vector<std::string>>> Dump(const INIFiler& f) {
    std::vector<std::pair<std::string, std::vector<std::string>>> out;
    for (const auto& s : f.content) {
        std::vector<std::string> pairs;
        for (const auto& [k, v] : s->dct) pairs.push_back(k + "=" + v);
        out.emplace_back(s->name, pairs);
    }
    return out;
}

class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        SysLines().clear();
        SetSysLogSink(&CaptureSysLog);
        PubLib::setAlertSink(&alerts);
    }
    void TearDown() override {
        ini = nullptr;
        PubLib::setAlertSink(nullptr);
        SetSysLogSink(nullptr);
    }
    // Parses `text` and makes it the file the profile-style readers see.
    void Load(std::string_view text) {
        file.initFromBytes(text);
        ini = &file;
    }
    INIFiler file;
    RecordingAlerts alerts;
};

TEST(IniDecode, DetectsByteOrderMarks) {
    EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF[A]"), "[A]");
    EXPECT_EQ(DecodeTextFile("plain \xFF bytes"), "plain \xFF bytes");
    EXPECT_EQ(DecodeTextFile(""), "");
    // "A", U+00E9, U+4E2D and U+1F600 as a surrogate pair.
    const std::string golden = "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";
    EXPECT_EQ(DecodeTextFile("\xFF\xFE" "A\0\xE9\0\x2D\x4E\x3D\xD8\x00\xDE"s), golden);
    EXPECT_EQ(DecodeTextFile("\xFE\xFF" "\0A\0\xE9\x4E\x2D\xD8\x3D\xDE\x00"s), golden);
    // Unpaired surrogates and a dangling odd byte become U+FFFD.
    EXPECT_EQ(DecodeTextFile("\xFF\xFE" "\x00\xDC" "A\0" "\x3D\xD8"s), "\xEF\xBF\xBD" "A" "\xEF\xBF\xBD");
    EXPECT_EQ(DecodeTextFile("\xFF\xFE" "A\0B"s), "A\xEF\xBF\xBD");
    EXPECT_EQ(DecodeTextFile("\xFF\xFE" "\0\0"s), "\0"s);
}

TEST_F(IniTest, EncodingsAndLineEndsReadAlike) {
    const std::string lf = "[OPT]\nName=caf\xC3\xA9\nKey = 12 \n[Two]\nx=1\n";
    INIFiler utf8, le, be, crlf;
    utf8.initFromBytes(lf);
    le.initFromBytes(Utf16(u"[OPT]\r\nName=caf\u00e9\r\nKey = 12 \r\n[Two]\r\nx=1\r\n", false));
    be.initFromBytes(Utf16(u"[OPT]\nName=caf\u00e9\nKey = 12 \n[Two]\nx=1\n", true));
    crlf.initFromBytes("[OPT]\r\nName=caf\xC3\xA9\r\nKey = 12 \r\n[Two]\r\nx=1\r\n");
    ASSERT_EQ(utf8.content.size(), 2u);
    EXPECT_EQ(Dump(le), Dump(utf8));
    EXPECT_EQ(Dump(be), Dump(utf8));
    EXPECT_EQ(Dump(crlf), Dump(utf8));
    EXPECT_EQ(utf8.getStringValue("OPT", "Key"), "12");

    // A lone CR anywhere disappears, also inside a header.
    INIFiler cr;
    cr.initFromBytes("[O\rPT]\nKe\ry=1\r\r\nz=2");
    EXPECT_EQ(cr.getStringValue("OPT", "Key"), "1");
    EXPECT_EQ(cr.getStringValue("OPT", "z"), "2");  // no final line feed needed
    EXPECT_TRUE(SysLines().empty());
}

TEST_F(IniTest, LineRules) {
    Load("early=1\n"
         "[OPT]\n"
         ";note=1\n"
         "\0hidden=1\n"s
         "Key = 12 \n"
         " [NEW]\n"
         "after=2\n"
         "Title=a=b\n"
         "noequals\n"
         "\t[TAB]\n"
         "  ;semi = 3\t\n"
         "[Broken\n"
         "still=4\n"
         "Key=13\n"
         "Case=5\n"
         "wide=\xC2\xA0 7\xE3\x80\x80\n"
         "empty=\n"
         "[ Spaced ]tail\n"
         "s=1\n"
         "[]\n"
         "e=1\n");
    ASSERT_EQ(file.content.size(), 3u);
    const INISection* opt = file.getSection("OPT");
    ASSERT_NE(opt, nullptr);
    EXPECT_EQ(opt->dct, (std::map<std::string, std::string>{{"Case", "5"},
                                                             {"Key", "13"},
                                                             {"after", "2"},
                                                             {";semi", "3"},
                                                             {"still", "4"},
                                                             {"wide", "7"},
                                                             {"empty", ""}}));
    EXPECT_EQ(file.getSection("NEW"), nullptr);
    EXPECT_EQ(file.getStringValue("OPT", "case"), std::nullopt);
    EXPECT_EQ(file.content[1]->name, " Spaced ");
    EXPECT_EQ(file.content[2]->name, "");
    EXPECT_EQ(file.getStringValue("", "e"), "1");
    EXPECT_EQ(SysLines(), (std::vector<std::string>{"a NUL byte in the line: \\0hidden=1",
                                                    "invaild key-value paring: [NEW]",
                                                    "invaild key-value paring: Title=a=b",
                                                    "invaild key-value paring: noequals",
                                                    "invaild key-value paring: \t[TAB]"}));
}

TEST_F(IniTest, DuplicateSectionsShadowTheSecond) {
    Load("[OPT]\na=1\n[OPT]\na=2\nb=3\n");
    ASSERT_EQ(file.content.size(), 2u);
    EXPECT_EQ(file.getSection("OPT"), file.content[0].get());
    EXPECT_EQ(file.getStringValue("OPT", "a"), "1");
    EXPECT_EQ(file.getStringValue("OPT", "b"), std::nullopt);
    EXPECT_EQ(file.getValueInt("OPT", "b", 77, 10), 77);
}

TEST_F(IniTest, InitIniReadsFilesAndKeepsContentOnFailure) {
    const std::string path = ::testing::TempDir() + "ini_test_utf16.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << Utf16(u"[A]\r\nk=\u4e2d\r\n", false);
    }
    INIFiler f;
    ASSERT_TRUE(f.initIni(path));
    EXPECT_EQ(f.getStringValue("A", "k"), "\xE4\xB8\xAD");
    EXPECT_FALSE(f.initIni(path + ".missing"));
    EXPECT_FALSE(f.initIni(::testing::TempDir()));  // a directory is not a file
    EXPECT_EQ(f.getStringValue("A", "k"), "\xE4\xB8\xAD");
    std::remove(path.c_str());
}

TEST(IniNumbers, NSStringToInt) {
    struct Case {
        std::string text;
        int radix;
        int32_t value;
        bool ok;
    };
    const Case cases[] = {
        {"0x10", 10, 16, true},        {"0X10", 10, 0, false},   {"0X10", 16, 16, true},
        {"12ab", 10, 12, false},       {"12ab", 16, 0x12ab, true}, {"-1", 10, -1, true},
        {"0xFFFFFFFF", 10, -1, true},  {"4294967298", 10, 2, true},  // low 32 bits
        {"99999999999999999999", 10, -1, true},                        // saturates
        {" 7\t ", 10, 7, true},        {"7 ", 10, 7, false},  // only a leading space trims
        {"\t+8", 10, 8, true},         {"", 10, 0, true},     {"5\0" "5"s, 10, 5, false},
        {"11", 8, 11, true},  // only 16 changes the base
    };
    for (const Case& c : cases) {
        bool ok = !c.ok;
        EXPECT_EQ(INIFiler::NSStringToInt(c.text, c.radix, &ok), c.value) << c.text;
        EXPECT_EQ(ok, c.ok) << c.text;
    }
}

TEST_F(IniTest, IntegerReaders) {
    Load("[OPT]\nhex=0x10\nHEX=0X10\nmix=12ab\nabc=abc\nempty=\nten=10\nneg=-2\n");
    EXPECT_EQ(file.getValueInt("OPT", "hex", -5, 10), 16);
    EXPECT_EQ(file.getValueInt("OPT", "HEX", -5, 10), 0);
    EXPECT_EQ(file.getValueInt("OPT", "mix", -5, 10), 12);
    EXPECT_EQ(file.getValueInt("OPT", "abc", -5, 10), 0);
    EXPECT_EQ(file.getValueInt("OPT", "empty", -5, 10), 0);
    EXPECT_EQ(file.getValueInt("OPT", "none", -5, 10), -5);
    EXPECT_EQ(file.getValueInt("NONE", "ten", -5, 10), -5);
    EXPECT_EQ(file.getValueInt("OPT", "ten", -5, 16), 16);

    EXPECT_EQ(GetPrivateProfileInt("OPT", "ten", 3, "ignored"), 10);
    EXPECT_EQ(GetPrivateProfileInt("OPT", "neg", 3, nullptr), -2);
    EXPECT_EQ(GetPrivateProfileInt("OPT", "none", 3, nullptr), 3);
    EXPECT_EQ(GetPrivateProfileInt_16("OPT", "ten", 3, nullptr), 16);
    EXPECT_EQ(GetPrivateProfileInt_16("OPT", "HEX", 3, nullptr), 16);
    EXPECT_EQ(GetINIValue("OPT", "hex", 3, &file), 16);
    EXPECT_EQ(GetINIValue("OPT", "hex", 3, nullptr), 3);

    ini = nullptr;
    EXPECT_EQ(GetPrivateProfileInt("OPT", "ten", 3, nullptr), 3);
    EXPECT_EQ(GetPrivateProfileInt_16("OPT", "ten", 4, nullptr), 4);
}

TEST_F(IniTest, ValueLists) {
    Load("[L]\nb=1,2 ,x,3 4\nhex=ff,10,100\nwide=-1,0x10,4294967297\ngaps=1,,2\nlast=5,z\n");
    uint8_t bytes[8] = {};
    EXPECT_EQ(file.getValueBytes("L", "b", 10, bytes, 8), 3);
    EXPECT_EQ(std::vector<int>(bytes, bytes + 3), (std::vector<int>{1, 2, 34}));  // spaces removed
    EXPECT_EQ(file.getValueBytes("L", "b", 10, bytes, 2), 2);
    EXPECT_EQ(file.getValueBytes("L", "hex", 16, bytes, 8), 3);
    EXPECT_EQ(std::vector<int>(bytes, bytes + 3), (std::vector<int>{0xFF, 0x10, 0x00}));
    EXPECT_EQ(file.getValueBytes("L", "gaps", 10, bytes, 8), 3);  // an empty piece reads as 0
    EXPECT_EQ(std::vector<int>(bytes, bytes + 3), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(file.getValueBytes("L", "last", 10, bytes, 8), 1);
    EXPECT_EQ(bytes[0], 5);

    int32_t ints[4] = {};
    EXPECT_EQ(file.getValueInts("L", "wide", 10, ints, 4), 3);
    EXPECT_EQ(std::vector<int32_t>(ints, ints + 3), (std::vector<int32_t>{-1, 16, 1}));
    EXPECT_EQ(file.getValueInts("L", "none", 10, ints, 4), 0);
    EXPECT_EQ(file.getValueInts("X", "wide", 10, ints, 4), 0);
    EXPECT_EQ(file.getValueInts("L", "wide", 10, nullptr, 4), 0);
    EXPECT_EQ(file.getValueInts("L", "wide", 10, ints, 0), 0);
}

TEST(IniProfile, ParseStringToArray) {
    uint8_t bytes[4] = {};
    EXPECT_EQ(ParseStringToArray("1,,2 3", ", ", bytes, 4, 10), 3);
    EXPECT_EQ(std::vector<int>(bytes, bytes + 3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ParseStringToArray("256,-1,7", ",", bytes, 4, 10), 3);
    EXPECT_EQ(std::vector<int>(bytes, bytes + 3), (std::vector<int>{0, 255, 7}));
    EXPECT_EQ(ParseStringToArray("1,2x,3", ",", bytes, 4, 10), 1);
    EXPECT_EQ(ParseStringToArray("1,2,3,4,5,6", ",", bytes, 4, 10), 4);
    EXPECT_EQ(ParseStringToArray("1,2,3,4,5,6", ",", nullptr, 4, 10), 6);  // counts only
    EXPECT_EQ(ParseStringToArray("1f,0x20", ",", bytes, 4, 16), 2);
    EXPECT_EQ(bytes[1], 0x20);
    EXPECT_EQ(ParseStringToArray(nullptr, ",", bytes, 4, 10), 0);
    EXPECT_EQ(ParseStringToArray("1,2", ",", bytes, 0, 10), 0);

    int32_t ints[2] = {};
    EXPECT_EQ(ParseStringToArray_int("-5;4294967295", ";", ints, 2, 10), 2);
    EXPECT_EQ(ints[0], -5);
    EXPECT_EQ(ints[1], -1);

    // The work buffer holds 1023 bytes: "1," x 515 is cut after 512 ones.
    std::string longText;
    for (int i = 0; i < 515; ++i) longText += "1,";
    EXPECT_EQ(ParseStringToArray(longText.c_str(), ",", nullptr, 0, 10), 512);
}

TEST_F(IniTest, PrivateProfileStringCutsToBuffer) {
    Load("[S]\nname=abcdef\nempty=\n");
    char buf[8];
    std::memset(buf, 'X', sizeof buf);
    EXPECT_EQ(GetPrivateProfileString("S", "name", "dflt", buf, 4, "f"), 3u);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(buf[4], 'X');
    EXPECT_EQ(GetPrivateProfileString("S", "name", "dflt", buf, 8, "f"), 6u);
    EXPECT_STREQ(buf, "abcdef");
    EXPECT_EQ(GetPrivateProfileString("S", "name", "dflt", buf, 1, "f"), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(GetPrivateProfileString("S", "none", "dflt", buf, 8, "f"), 0u);
    EXPECT_STREQ(buf, "");  // the default text is not used
    EXPECT_EQ(GetPrivateProfileString("S", "empty", "dflt", buf, 8, "f"), 0u);
    EXPECT_STREQ(buf, "");
    ini = nullptr;
    std::strcpy(buf, "old");
    EXPECT_EQ(GetPrivateProfileString("S", "name", "dflt", buf, 8, "f"), 0u);
    EXPECT_STREQ(buf, "");
}

TEST_F(IniTest, Colours) {
    Load("[C]\nred=255\nspaced=255 ,0,0\nrgb=1,2,3\nbig=300,0,0\nempty=\n"
         "list=255,0,0,0,255,0,0,0,0,1,1,1\n"
         "full=1,1,1,2,2,2,3,3,3,4,4,4,5,5,5,6,6,6,7,7,7,8,8,8,9,9,9,10,10,10,11,11,11\n");
    EXPECT_EQ(GetIniColor("C", "red", "f", 0xABCDEF), 0x0000FFu);
    EXPECT_EQ(GetIniColor("C", "spaced", "f", 0xABCDEF), 0u);
    EXPECT_EQ(GetIniColor("C", "rgb", "f", 0xABCDEF), 0x030201u);
    EXPECT_EQ(GetIniColor("C", "big", "f", 0xABCDEF), 44u);
    EXPECT_EQ(GetIniColor("C", "empty", "f", 0xABCDEF), 0xABCDEFu);
    EXPECT_EQ(GetIniColor("C", "none", "f", 0xABCDEF), 0xABCDEFu);

    uint32_t colours[12];
    std::fill(std::begin(colours), std::end(colours), 0xDEADu);
    EXPECT_EQ(GetIniColorArray("C", "list", "f", colours, 12), 2);
    EXPECT_EQ(std::vector<uint32_t>(colours, colours + 4), (std::vector<uint32_t>{0xFF, 0xFF00, 0, 0xDEAD}));
    EXPECT_EQ(GetIniColorArray("C", "list", "f", colours, 1), 1);
    EXPECT_EQ(GetIniColorArray("C", "empty", "f", colours, 12), 0);
    // Only 30 bytes are read, so a full list ends with a zero colour after ten.
    std::fill(std::begin(colours), std::end(colours), 0xDEADu);
    EXPECT_EQ(GetIniColorArray("C", "full", "f", colours, 12), 10);
    EXPECT_EQ(colours[9], 0x0A0A0Au);
    EXPECT_EQ(colours[10], 0u);
    EXPECT_EQ(colours[11], 0xDEADu);

    ini = nullptr;
    EXPECT_EQ(GetIniColor("C", "red", "f", 7), 7u);
    EXPECT_EQ(GetIniColorArray("C", "list", "f", colours, 12), 0);
}

TEST_F(IniTest, Arrays) {
    // A list value is read up to 259 bytes: 86 pieces of "10," and the "1" of the next.
    std::string many;
    for (int i = 0; i < 90; ++i) many += "10,";
    Load("[A]\nb=1,2,0x3\nh=ff,1\nmany=" + many + "\nempty=\n");
    uint8_t bytes[100] = {};
    EXPECT_EQ(GetArray("A", "b", "f", bytes, 100, 10), 2);
    EXPECT_EQ(GetArray("A", "b", "f", bytes, 100, 0), 3);
    EXPECT_EQ(GetArray("A", "h", "f", bytes, 100, 16), 2);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(GetArray("A", "many", "f", bytes, 100, 10), 87);
    EXPECT_EQ(bytes[86], 1);
    EXPECT_EQ(GetArray("A", "empty", "f", bytes, 100, 10), 0);
    int32_t ints[4] = {};
    EXPECT_EQ(GetArray_int("A", "h", "f", ints, 4, 16), 2);
    EXPECT_EQ(ints[0], 255);
    EXPECT_EQ(GetArray_int("A", "none", "f", ints, 4, 16), 0);
    ini = nullptr;
    EXPECT_EQ(GetArray("A", "b", "f", bytes, 100, 10), 0);
}

TEST_F(IniTest, RectAndPoint) {
    const std::string zeros(41, '0');
    Load("[R]\nfour=1,2,3,4\nthree=1,2,3\nfive=5,6,7,8,9\nneg=-1,0,0,0\nempty=\n"
         "fits=" + zeros + "01,2,3,4\n"    // 49 bytes: read whole
         "cut=" + zeros + "001,2,3,4\n"   // 50 bytes: the last digit is cut off
         "p=10,20\np1=10\np3=1,2,3\n");
    const _RECT untouched{9, 9, 9, 9};
    _RECT rc = untouched;
    EXPECT_TRUE(GetRect(&rc, "R", "four", "f"));
    EXPECT_EQ(std::vector<uint32_t>({rc.left, rc.top, rc.right, rc.bottom}), (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_TRUE(GetRect(&rc, "R", "five", "f"));
    EXPECT_EQ(std::vector<uint32_t>({rc.left, rc.top, rc.right, rc.bottom}), (std::vector<uint32_t>{5, 6, 7, 8}));
    EXPECT_TRUE(GetRect(&rc, "R", "neg", "f"));
    EXPECT_EQ(rc.left, 0xFFFFFFFFu);
    EXPECT_TRUE(GetRect(&rc, "R", "fits", "f"));
    EXPECT_EQ(rc.left, 1u);
    EXPECT_TRUE(alerts.shown.empty());

    rc = untouched;
    EXPECT_FALSE(GetRect(&rc, "R", "three", "f"));
    EXPECT_FALSE(GetRect(&rc, "R", "cut", "f"));
    EXPECT_FALSE(GetRect(&rc, "R", "empty", "f"));
    EXPECT_FALSE(GetRect(&rc, "R", "none", "f"));
    EXPECT_EQ(std::vector<uint32_t>({rc.left, rc.top, rc.right, rc.bottom}), (std::vector<uint32_t>{9, 9, 9, 9}));
    using Alert = std::pair<std::string, std::string>;
    EXPECT_EQ(alerts.shown, (std::vector<Alert>{{"Error", "Wrong rect num"}, {"Error", "Wrong rect num"}}));

    alerts.shown.clear();
    _POINT pt{0, 0};
    EXPECT_TRUE(GetPoint(&pt, 7, 8, "R", "p", "f"));
    EXPECT_EQ(pt.x, 10u);
    EXPECT_EQ(pt.y, 20u);
    EXPECT_TRUE(GetPoint(&pt, 7, 8, "R", "p3", "f"));
    EXPECT_EQ(pt.y, 2u);
    EXPECT_FALSE(GetPoint(&pt, 7, 8, "R", "none", "f"));
    EXPECT_EQ(pt.x, 7u);
    EXPECT_EQ(pt.y, 8u);
    EXPECT_TRUE(alerts.shown.empty());
    pt = {0, 0};
    EXPECT_FALSE(GetPoint(&pt, 7, 8, "R", "p1", "f"));
    EXPECT_EQ(pt.x, 7u);
    EXPECT_EQ(pt.y, 8u);
    EXPECT_EQ(alerts.shown, (std::vector<Alert>{{"Error", "Wrong POINT num"}}));

    ini = nullptr;
    pt = {0, 0};
    EXPECT_FALSE(GetRect(&rc, "R", "four", "f"));
    EXPECT_FALSE(GetPoint(&pt, 3, 4, "R", "p", "f"));
    EXPECT_EQ(pt.x, 3u);
}

TEST_F(IniTest, PrintListsEverySection) {
    Load("[B]\nz=1\na=2\n[A]\n[B]\nq=3\n");
    file.Print();
    EXPECT_EQ(SysLines(), (std::vector<std::string>{"B -------", "    a=2", "    z=1", "A -------", "B -------",
                                                    "    q=3"}));
}

TEST_F(IniTest, SurvivesHostileBytes) {
    const std::string longKey(100000, 'k');
    file.initFromBytes("[\0]\n]\n[\n \n\t\n\xFF\xFE\n[S]\n=\n"s + longKey + "=" + std::string(100000, 'v'));
    ini = &file;
    ASSERT_EQ(file.content.size(), 2u);
    EXPECT_EQ(file.content[0]->name, "\0"s);
    EXPECT_EQ(file.getStringValue("S", ""), "");
    char buf[16];
    EXPECT_EQ(GetPrivateProfileString("S", longKey.c_str(), "", buf, sizeof buf, ""), 15u);
    EXPECT_EQ(SysLines().size(), 5u);  // the NUL, "]", " ", "\t" and "\xFF\xFE"; "[" is ignored silently

    INIFiler odd;
    odd.initFromBytes("\xFE\xFF\x00[\x00" "A\x00]\x00\n\x00k\x00=\x00\x31\x00"s);
    EXPECT_EQ(odd.getStringValue("A", "k"), "1\xEF\xBF\xBD");
}

}  // namespace
}  // namespace keyloom
