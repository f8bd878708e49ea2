// Reading the selector and model files into gVar and the default key table.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "base/INIFiler.h"
#include "config/gvar.h"
#include "config/init.h"
#include "base/paths.h"
#include "keys/vk.h"
#include "model/hwparam.h"
#include "test_support.h"

namespace keyloom {
namespace {

using test::LogCapture;
using test::RecordingAlertSink;
using test::TempDir;

void writeFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Reads one model file the way start-up does: gVar zeroed first.
bool readModel(const TempDir& dir, const std::string& text) {
    std::memset(&gVar, 0, sizeof gVar);
    writeFile(dir.file("model.txt"), text);
    return InitGlobalVariable(dir.file("model.txt").c_str());
}

TEST(ModelFile, AbsentKeysTakeTheirDefaults) {
    TempDir dir;
    RecordingAlertSink alerts;
    LogCapture log;
    ASSERT_TRUE(readModel(dir, "[OPT]\nrcMacroList=10,20,100,200\n[KEY]\n"));
    EXPECT_EQ(gVar.Txt_clr, 0xC8C8C8u);
    EXPECT_EQ(gVar.Btn_txt_clr_ov, 0xFFFFFFu);
    EXPECT_EQ(gVar.LstBox_bkg_clr, 0x282828u);
    EXPECT_EQ(gVar.LstBox_item_clr, 0xB4B4B4u);
    EXPECT_EQ(gVar.LstBox_txt_clr_dn, 0u);
    EXPECT_EQ(gVar.ClrKeyHasFunc, 0x0000FFu);
    EXPECT_EQ(gVar.ClrKeyOv, 0xFFFFFFu);
    EXPECT_EQ(gVar.clrGaoshou, 0xFFFFFFu);
    EXPECT_EQ(gVar.TrayIcon, 2);
    EXPECT_EQ(gVar.ComboRec, 1);
    EXPECT_EQ(gVar.SrIndex, 255);
    EXPECT_EQ(gVar.ShowProfile, 1);
    EXPECT_EQ(gVar.MinDelay, 10);
    EXPECT_EQ(gVar.AutoSaveMacro, 1);
    EXPECT_EQ(gVar.Macro_Opt_X, 50);  // whatever the list rectangles say
    EXPECT_EQ(gVar.GaoshouIndex, 1);
    EXPECT_EQ(gVar.GaoshouGroupNum, 5);
    EXPECT_EQ(gVar.rcKB.x, 270u);
    EXPECT_EQ(gVar.rcKB.y, 260u);
    EXPECT_EQ(gVar.LightVal.y, 15u);
    EXPECT_EQ(gVar.SpeedVal.x, 1u);
    EXPECT_EQ(gVar.SpeedVal.y, 5u);
    EXPECT_EQ(gVar.ptResetBtn.x, 795u);
    EXPECT_EQ(gVar.rcMacroList.right, 100u);
    // The key-list rectangle derives from the macro list just read.
    EXPECT_EQ(gVar.rcKeyList.left, 120u);
    EXPECT_EQ(gVar.rcKeyList.top, 20u);
    EXPECT_EQ(gVar.rcKeyList.right, 310u);
    EXPECT_EQ(gVar.rcKeyList.bottom, 200u);
    EXPECT_EQ(gVar.nKeyCount, 126);
    EXPECT_EQ(gVar.Lang[0].szName[0], '\0');
    for (const auto& group : gVar.GaoshouKey)
        for (uint8_t k : group) ASSERT_EQ(k, 255);
    EXPECT_TRUE(alerts.alerts.empty());
    // A key table without a single row is all the log says.
    EXPECT_EQ(log.sysLines(), std::vector<std::string>{"[KEY] of the model file holds no key rows"});
}

TEST(ModelFile, LightingModeDefaultsAndOverrides) {
    TempDir dir;
    ASSERT_TRUE(readModel(dir,
                          "[OPT]\nLedOpt3=0,9,1,1,0,0,2\nLedOpt5=0,5,1,1,0,0,1,255,0,0\n"
                          "LedOpt25=1,30,0,0,0,0,7,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21\n"));
    EXPECT_EQ(gVar.LedOpt[0].nHwMode, 1);
    EXPECT_EQ(gVar.LedOpt[0].bSpeed, 0);
    EXPECT_EQ(gVar.LedOpt[0].bLight, 1);
    EXPECT_EQ(gVar.LedOpt[1].nHwMode, 2);
    EXPECT_EQ(gVar.LedOpt[10].nHwMode, 11);
    EXPECT_EQ(gVar.LedOpt[10].bSpeed, 1);
    EXPECT_EQ(gVar.LedOpt[20].nHwMode, 21);
    EXPECT_EQ(gVar.LedOpt[21].nHwMode, 0);

    EXPECT_EQ(gVar.LedOpt[2].nHwMode, 9);
    EXPECT_EQ(gVar.LedOpt[2].bSpeed, 1);
    EXPECT_EQ(gVar.LedOpt[2].nColorNum, 2);
    for (uint32_t c : gVar.LedOpt[2].clrPreset) EXPECT_EQ(c, 0u);

    EXPECT_EQ(gVar.LedOpt[4].clrPreset[0], 0x0000FFu);
    for (int i = 1; i < 7; ++i) EXPECT_EQ(gVar.LedOpt[4].clrPreset[i], 0u);

    EXPECT_EQ(gVar.LedOpt[24].nOpt0, 1);
    EXPECT_EQ(gVar.LedOpt[24].nHwMode, 30);
    EXPECT_EQ(gVar.LedOpt[24].clrPreset[0], 0x030201u);
    EXPECT_EQ(gVar.LedOpt[24].clrPreset[6], 0x151413u);
}

TEST(ModelFile, LanguagesPointsAndTexts) {
    TempDir dir;
    RecordingAlertSink alerts;
    ASSERT_TRUE(readModel(dir, "[OPT]\nLang1=English,en\nLang3=Deutsch,German,extra\nrcKB=300\n"
                               "LightVal=2,9\nTitle=" + std::string(150, 'T') +
                               "\nrcLED=1,2,3\nListTrans=0x12345\n"));
    EXPECT_STREQ(gVar.Lang[0].szName, "English");
    EXPECT_STREQ(gVar.Lang[0].szDir, "en");
    EXPECT_STREQ(gVar.Lang[1].szName, "");
    EXPECT_STREQ(gVar.Lang[2].szDir, "German");
    EXPECT_EQ(std::strlen(gVar.Title), 99u);
    EXPECT_EQ(gVar.rcKB.x, 270u);
    EXPECT_EQ(gVar.rcKB.y, 260u);
    EXPECT_EQ(gVar.LightVal.x, 2u);
    EXPECT_EQ(gVar.LightVal.y, 9u);
    EXPECT_EQ(gVar.rcLED.right, 0u);
    EXPECT_EQ(gVar.ListTrans, 0x2345);
    ASSERT_EQ(alerts.alerts.size(), 2u);
    EXPECT_EQ(alerts.alerts[0].text, "Wrong POINT num");
    EXPECT_EQ(alerts.alerts[0].title, "Error");
    EXPECT_EQ(alerts.alerts[1].text, "Wrong rect num");
}

TEST(ModelFile, LanguageNamesAreCutWithinTheirFields) {
    TempDir dir;
    ASSERT_TRUE(readModel(dir, "[OPT]\nLang1=" + std::string(40, 'n') + "," + std::string(40, 'd') + "\n"));
    EXPECT_EQ(std::strlen(gVar.Lang[0].szName), 29u);
    // The value is read up to 49 bytes: 40 of the name, the comma, 8 of the directory.
    EXPECT_EQ(std::string(gVar.Lang[0].szDir), std::string(8, 'd'));
}

TEST(ModelFile, GameModeGroupsAreHostKeyCodes) {
    TempDir dir;
    LogCapture log;
    ASSERT_TRUE(readModel(dir, "[OPT]\nGaoshouKey1=57,41,53,44\nGaoshouKey3=26,92\n"));
    EXPECT_EQ(gVar.GaoshouKey[0][0], 13);  // W
    EXPECT_EQ(gVar.GaoshouKey[0][1], 0);   // A
    EXPECT_EQ(gVar.GaoshouKey[0][3], 2);   // D
    EXPECT_EQ(gVar.GaoshouKey[0][4], 255);
    EXPECT_EQ(gVar.GaoshouKey[2][0], 126);  // Up
    EXPECT_EQ(gVar.GaoshouKey[2][1], 255);  // 0x92 is no key
    EXPECT_EQ(gVar.GaoshouKey[1][0], 255);
    ASSERT_EQ(log.sysLines().size(), 2u);  // and the missing key table
    EXPECT_EQ(log.sysLines()[0], "!!!! gVar.GaoshouKey[2][1]=92 Wrong vk");
}

TEST(KeyTable, LinesBecomeKeyRecords) {
    TempDir dir;
    LogCapture log;
    ASSERT_TRUE(readModel(dir,
                          "[KEY]\n"
                          "K1=1,2,30,40,2,1B,0,7,3\n"   // Escape
                          "K5=10,20,40,50,2,A0\n"       // left Shift: modifier only
                          "K6=10,20,40,50,2,41,3\n"     // A with Control+Shift
                          "K7=0,0,10,10,2,5C,0,9\n"     // right Windows key goes through the table
                          "K8=0,0,10,10,2,FA,0,10\n"    // Fn
                          "K9=0,0,10,10,9,2,1E0A0001,11,0\n"
                          "K10=0,0,10,10,4,28,0,12\n"   // mute
                          "K11=5,6,x,8,2,41,0,13\n"     // stops at the bad value
                          "K12=0,0,10,10,2,92,0,14\n"   // no such key
                          "K13=0,0,10,10,2,A5,0,15\n"));  // right Alt
    const _KEYINFO& esc = g_defKEY[0];
    EXPECT_EQ(esc.dwFunID, 0x2000000u);
    EXPECT_EQ(esc.rcPos.left, 1u);
    EXPECT_EQ(esc.rcPos.bottom, 40u);
    EXPECT_EQ(esc.stCombo.VkCode1, 53);
    EXPECT_EQ(esc.stCombo.VkCode2, 255);
    EXPECT_EQ(esc.dwMatrixIdx, 7u);
    EXPECT_EQ(esc.dwCfgExtra, 3u);

    EXPECT_EQ(g_defKEY[4].stCombo.ModifyKey, 0x02);
    EXPECT_EQ(g_defKEY[4].stCombo.VkCode1, 255);
    EXPECT_EQ(g_defKEY[4].stCombo.VkCode2, 255);

    EXPECT_EQ(g_defKEY[5].stCombo.ModifyKey, 0x03);
    EXPECT_EQ(g_defKEY[5].stCombo.VkCode1, Win2Mac(0x41));

    EXPECT_EQ(g_defKEY[6].stCombo.ModifyKey, 0);
    EXPECT_EQ(g_defKEY[6].stCombo.VkCode1, 54);
    EXPECT_TRUE(IsFnKey(g_defKEY[7]));

    EXPECT_EQ(g_defKEY[8].dwFunID, 0x9000002u);
    EXPECT_EQ(g_defKEY[8].dwHwCode, 0x1E0A0001u);
    EXPECT_EQ(g_defKEY[8].stCombo.VkCode1, 255);
    EXPECT_EQ(g_defKEY[9].dwFunID, 0x4000028u);
    EXPECT_EQ(g_defKEY[9].dwHwCode, 0u);

    EXPECT_EQ(g_defKEY[10].rcPos.left, 5u);
    EXPECT_EQ(g_defKEY[10].rcPos.top, 6u);
    EXPECT_EQ(g_defKEY[10].rcPos.right, 0u);
    EXPECT_EQ(g_defKEY[10].dwFunID, 0u);

    EXPECT_EQ(g_defKEY[11].stCombo.VkCode1, 255);
    EXPECT_EQ(g_defKEY[12].stCombo.ModifyKey, 0x40);

    // Rows without a line are empty slots.
    EXPECT_EQ(g_defKEY[1].dwFunID, 0u);
    EXPECT_EQ(g_defKEY[1].stCombo.VkCode1, 255);
    EXPECT_EQ(g_defKEY[125].dwFunID, 0u);
    EXPECT_EQ(gVar.nKeyCount, 126);

    ASSERT_EQ(log.sysLines().size(), 1u);
    EXPECT_EQ(log.sysLines()[0], "!!!! Win2Mac err for Key[11], vk=0x92");
}

TEST(KeyTable, ReadKeyCfgAlwaysFillsAllRows) {
    INIFiler file;
    file.initFromBytes("[KEY]\nK126=1,1,2,2,8,A7,0,125\n");
    _KEYINFO rows[KEY_COUNT];
    std::memset(rows, 0xAB, sizeof rows);
    EXPECT_EQ(ReadKeyCfg(&file, "KEY", rows), 126);
    EXPECT_EQ(rows[0].dwFunID, 0u);
    EXPECT_EQ(rows[0].nReserved3, 0);
    EXPECT_EQ(rows[125].dwFunID, 0x80000A7u);
    EXPECT_EQ(rows[125].dwMatrixIdx, 125u);
    EXPECT_EQ(ReadKeyCfg(&file, "NOPE", rows), 126);
    EXPECT_EQ(rows[125].dwFunID, 0u);
}

TEST(Selector, PicksTheModelFileAndStartsTheLog) {
    TempDir dir;
    set_work_dir(dir.path());
    writeFile(dir.file("cfg.txt"), "[OPT]\nDebug=0x0\nSuwnd=1\nGoWithNoDev=1\nModel=2\n");
    writeFile(dir.file("Dev/Vela/Wired/cfg.txt"), "[OPT]\nTitle=Wired\nSrIndex=3\n[KEY]\nK1=0,0,9,9,2,41,0,0\n");
    ASSERT_TRUE(Init());
    EXPECT_EQ(gVar.Model, 2);
    EXPECT_EQ(gVar.Suwnd, 1);
    EXPECT_EQ(gVar.GoWithNoDev, 1);
    EXPECT_STREQ(gVar.Title, "Wired");
    EXPECT_EQ(gVar.SrIndex, 3);
    EXPECT_EQ(g_defKEY[0].stCombo.VkCode1, 0);
    EXPECT_EQ(hwParam.nHwVersion, 1u);
    EXPECT_EQ(hwParam.nMacroBufferSize, 192u);
    EXPECT_EQ(hwParam.nMaxRepeat, 255u);
    EXPECT_EQ(hwParam.nMaxDelay, 0u);
    EXPECT_EQ(hwParam.nMaxMacroItems, 0u);

    // An unknown model reads nothing more: the model fields stay zero, not their defaults.
    writeFile(dir.file("cfg.txt"), "[OPT]\nModel=7\n");
    InitGvar();
    EXPECT_EQ(gVar.Model, 7);
    EXPECT_EQ(gVar.Txt_clr, 0u);
    EXPECT_EQ(gVar.SrIndex, 0);
    EXPECT_EQ(g_defKEY[0].dwFunID, 0u);

    // No selector file: nothing at all.
    std::filesystem::remove(dir.file("cfg.txt"));
    InitGvar();
    EXPECT_EQ(gVar.Model, 0);
    EXPECT_EQ(gVar.Suwnd, 0);
    set_work_dir("");
}

TEST(Selector, ModelPaths) {
    EXPECT_STREQ(get_model_cfg_path(1), "Dev/Vela/Designer/cfg.txt");
    EXPECT_STREQ(get_model_cfg_path(6), "Dev/Orin/TriMode/cfg.txt");
    EXPECT_STREQ(get_model_keyimg_path(4), "Dev/Orin/Designer/keyimg.png");
    EXPECT_EQ(get_model_cfg_path(0), nullptr);
    EXPECT_EQ(get_model_keyimg_path(7), nullptr);
}

}  // namespace
}  // namespace keyloom
