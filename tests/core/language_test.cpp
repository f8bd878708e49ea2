// Language choice (environment, stored preference, language list), loading
// and switching, and the preference file itself.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/XmlLoader.h"
#include "config/gvar.h"
#include "config/language.h"
#include "base/paths.h"
#include "config/preferences.h"
#include "test_support.h"

namespace keyloom {
namespace {

using test::LogCapture;
using test::ScopedEnv;
using test::TempDir;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Every variable the preferred-language lookup reads, set for one scope.
struct LocaleEnv {
    LocaleEnv(std::optional<std::string> language, std::optional<std::string> lcAll,
              std::optional<std::string> lcMessages, std::optional<std::string> lang)
        : a("LANGUAGE", language), b("LC_ALL", lcAll), c("LC_MESSAGES", lcMessages), d("LANG", lang) {}
    explicit LocaleEnv(std::optional<std::string> lang) : LocaleEnv(std::nullopt, std::nullopt, std::nullopt, lang) {}
    ScopedEnv a, b, c, d;
};

TEST(LanguageTag, LocaleNamesConvertToTags) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"zh_CN", "zh-Hans-CN"},      {"zh_SG.UTF-8", "zh-Hans-SG"}, {"zh_TW.UTF-8", "zh-Hant-TW"},
        {"zh_HK", "zh-Hant-HK"},      {"en_GB.UTF-8", "en-GB"},      {"de_DE@euro", "de-DE"},
        {"sr_RS.UTF-8@latin", "sr-RS"}, {"ru", "ru"},                {"en_us", "en-US"},
        {"C", std::nullopt},          {"POSIX", std::nullopt},       {"C.UTF-8", std::nullopt},
        {"", std::nullopt},           {"_US", std::nullopt},
    };
    for (const auto& [locale, tag] : cases) EXPECT_EQ(LocaleToLanguageTag(locale), tag) << locale;
}

TEST(LanguageTag, PreferredLanguageFollowsTheVariableOrder) {
    {
        LocaleEnv env("pt_BR:ru_RU", "de_DE.UTF-8", "fr_FR.UTF-8", "it_IT.UTF-8");
        EXPECT_EQ(GetPreferredLanguageTag(), "pt-BR");
    }
    {
        LocaleEnv env(":ru_RU", "de_DE.UTF-8", "fr_FR.UTF-8", "it_IT.UTF-8");  // empty first entry
        EXPECT_EQ(GetPreferredLanguageTag(), "de-DE");
    }
    {
        LocaleEnv env("", "", "fr_FR.UTF-8", "it_IT.UTF-8");
        EXPECT_EQ(GetPreferredLanguageTag(), "fr-FR");
    }
    {
        LocaleEnv env(std::nullopt, std::nullopt, std::nullopt, "it_IT.UTF-8");
        EXPECT_EQ(GetPreferredLanguageTag(), "it-IT");
    }
    {
        LocaleEnv env(std::nullopt, "C", std::nullopt, "it_IT.UTF-8");  // LC_ALL overrides LANG
        EXPECT_EQ(GetPreferredLanguageTag(), std::nullopt);
    }
    {
        LocaleEnv env(std::nullopt);
        EXPECT_EQ(GetPreferredLanguageTag(), std::nullopt);
    }
}

TEST(LanguageTag, TagsMapToDirectories) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"zh-Hans-CN", "sc"},     {"ru-CN", "Russian"},  {"ja-CN", "Japanese"},  {"fr-CN", "French"},
        {"de-CN", "German"},      {"it-CN", "Italian"},  {"ko-CN", "Korean"},    {"en-GB", "en"},
        {"en-US", "en"},          {"zh-Hant-TW", "tw"},  {"zh-Hant-HK", "tw"},   {"zh-Hans-SG", std::nullopt},
        {"ru-RU", std::nullopt},  {"en", std::nullopt},  {"ja-JP", std::nullopt}, {"zh-Hans-CN-x", std::nullopt},
    };
    for (const auto& [tag, dir] : cases) EXPECT_EQ(LanguageDirForTag(tag), dir) << tag;

    LogCapture log;
    {
        LocaleEnv env("ru_RU.UTF-8");
        EXPECT_EQ(GetSystemLanguage(), std::nullopt);
    }
    {
        LocaleEnv env("en_GB.UTF-8");
        EXPECT_EQ(GetSystemLanguage(), "en");
    }
    EXPECT_EQ(log.lines(), std::vector<std::string>{"GetSystemLanguage: ru-RU"});
}

// A work directory with text files, a preference folder and a language list
// of our own; everything is put back afterwards.
class LanguageLoad : public ::testing::Test {
protected:
    void SetUp() override {
        std::memcpy(savedLang_, gVar.Lang, sizeof savedLang_);
        std::memset(gVar.Lang, 0, sizeof gVar.Lang);
        set_work_dir(work_.path());
        SetPreferencesDir(prefs_.path());
    }
    void TearDown() override {
        set_work_dir("");
        SetPreferencesDir("");
        std::memcpy(gVar.Lang, savedLang_, sizeof savedLang_);
    }

    void AddLanguage(const char* name, const char* dir, const std::string& texts) {
        int i = 0;
        while (gVar.Lang[i].szName[0] != '\0') ++i;
        std::snprintf(gVar.Lang[i].szName, LANG_TEXT_SIZE, "%s", name);
        std::snprintf(gVar.Lang[i].szDir, LANG_TEXT_SIZE, "%s", dir);
        WriteFile(work_.file(std::string("text/") + dir + "/text.xml"), "<texts>\n" + texts + "\n</texts>\n");
    }

    TempDir work_;
    TempDir prefs_;
    _LANG_ITEM savedLang_[LANG_COUNT];
};

TEST_F(LanguageLoad, ChoosesPreferenceThenSystemThenEnglish) {
    AddLanguage("Simplified Chinese", "sc", "<tc_ok>SC</tc_ok>");
    AddLanguage("English", "en", "<tc_ok>EN</tc_ok>");
    AddLanguage("Traditional Chinese", "tw", "<tc_ok>TW</tc_ok>");
    LogCapture log;
    {
        LocaleEnv env("ru_RU.UTF-8");  // no mapping: English
        EXPECT_EQ(LoadLanguage(), 1);
        EXPECT_EQ(GetText("tc_ok"), "EN");
    }
    {
        LocaleEnv env("zh_TW.UTF-8");
        EXPECT_EQ(LoadLanguage(), 2);
        EXPECT_EQ(GetText("tc_ok"), "TW");
    }
    {
        LocaleEnv env(std::nullopt);  // no preferred language at all: English
        EXPECT_EQ(LoadLanguage(), 1);
    }
    ASSERT_TRUE(SetPreference(PREF_LANGUAGE, "tw"));
    {
        LocaleEnv env("en_GB.UTF-8");  // a stored choice wins over the system's
        EXPECT_EQ(LoadLanguage(), 2);
        EXPECT_EQ(GetText("tc_ok"), "TW");
    }
    ASSERT_TRUE(SetPreference(PREF_LANGUAGE, ""));  // an empty choice is no choice
    {
        LocaleEnv env("en_GB.UTF-8");
        EXPECT_EQ(LoadLanguage(), 1);
    }
}

TEST_F(LanguageLoad, UnlistedChoiceFallsBackToTheFirstEntry) {
    AddLanguage("Traditional Chinese", "tw", "<tc_ok>TW</tc_ok>");
    AddLanguage("Simplified Chinese", "sc", "<tc_ok>SC</tc_ok>");
    {
        LocaleEnv env("en_US.UTF-8");  // "en" is not in this list
        EXPECT_EQ(LoadLanguage(), 0);
        EXPECT_EQ(GetText("tc_ok"), "TW");
    }
    LocaleEnv env("en_US.UTF-8");
    ASSERT_TRUE(SetPreference(PREF_LANGUAGE, "sc"));
    EXPECT_EQ(LoadLanguage(), 1);
    ASSERT_TRUE(SetPreference(PREF_LANGUAGE, "Klingon"));  // a directory no longer listed
    EXPECT_EQ(LoadLanguage(), 0);
    EXPECT_EQ(GetText("tc_ok"), "TW");

    // Entries after the first empty name are not part of the list.
    std::snprintf(gVar.Lang[3].szName, LANG_TEXT_SIZE, "Hidden");
    std::snprintf(gVar.Lang[3].szDir, LANG_TEXT_SIZE, "Klingon");
    EXPECT_EQ(LoadLanguage(), 0);
}

TEST_F(LanguageLoad, SwitchingReplacesEveryText) {
    AddLanguage("English", "en", "<tc_ok>OK</tc_ok><tc_only_en>Only</tc_only_en>");
    AddLanguage("Simplified Chinese", "sc", "<tc_ok>\xE7\xA1\xAE\xE5\xAE\x9A</tc_ok>");
    LocaleEnv env("en_US.UTF-8");
    EXPECT_EQ(LoadLanguage(), 0);
    EXPECT_EQ(FindText("tc_only_en"), "Only");

    EXPECT_EQ(SwitchLanguage(1), 1);
    EXPECT_EQ(GetText("tc_ok"), "\xE7\xA1\xAE\xE5\xAE\x9A");
    EXPECT_EQ(FindText("tc_only_en"), std::nullopt);
    EXPECT_EQ(GetText("tc_only_en"), "");
    EXPECT_EQ(GetPreference(PREF_LANGUAGE), "sc");
    EXPECT_EQ(LoadLanguage(), 1);  // remembered

    EXPECT_EQ(SwitchLanguage(7), 1);  // not an entry: nothing stored, same language
    EXPECT_EQ(SwitchLanguage(-1), 1);
    EXPECT_EQ(GetPreference(PREF_LANGUAGE), "sc");

    // A language whose file is missing keeps the texts on screen.
    std::snprintf(gVar.Lang[2].szName, LANG_TEXT_SIZE, "Korean");
    std::snprintf(gVar.Lang[2].szDir, LANG_TEXT_SIZE, "Korean");
    EXPECT_EQ(SwitchLanguage(2), 2);
    EXPECT_EQ(GetText("tc_ok"), "\xE7\xA1\xAE\xE5\xAE\x9A");
}

TEST(Preferences, PathFollowsOverridesAndXdg) {
    TempDir home;
    ScopedEnv h("HOME", home.path());
    {
        ScopedEnv cfg("KEYLOOM_CONFIG_DIR", std::nullopt);
        ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_EQ(GetPreferencesPath(), home.path() + "/.config/keyloom/preferences.ini");
        ScopedEnv relative("XDG_CONFIG_HOME", "relative/cfg");  // ignored: not absolute
        EXPECT_EQ(GetPreferencesPath(), home.path() + "/.config/keyloom/preferences.ini");
    }
    {
        ScopedEnv cfg("KEYLOOM_CONFIG_DIR", std::nullopt);
        ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg/cfg");
        EXPECT_EQ(GetPreferencesPath(), "/xdg/cfg/keyloom/preferences.ini");
        ScopedEnv over("KEYLOOM_CONFIG_DIR", "/over");
        EXPECT_EQ(GetPreferencesPath(), "/over/preferences.ini");
        SetPreferencesDir("/set/");
        EXPECT_EQ(GetPreferencesPath(), "/set/preferences.ini");
        SetPreferencesDir("");
        EXPECT_EQ(GetPreferencesPath(), "/over/preferences.ini");
    }
}

TEST(Preferences, WritingKeepsTheRestOfTheFile) {
    TempDir dir;
    SetPreferencesDir(dir.file("sub/folder"));  // created on the first write
    EXPECT_EQ(GetPreference(PREF_LANGUAGE), std::nullopt);
    ASSERT_TRUE(SetPreference(PREF_LANGUAGE, "en"));
    EXPECT_EQ(ReadFile(dir.file("sub/folder/preferences.ini")), "[keyloom]\nlanguage=en\n");

    SetPreferencesDir(dir.path());
    WriteFile(dir.file("preferences.ini"),
              "; user notes\r\n[other]\r\nlanguage=keep\r\n[keyloom]\r\ntheme = dark\r\n language = sc\r\n"
              "language=tw\r\nzoom=2\r\n\r\n[last]\r\nx=1\r\n");
    EXPECT_EQ(GetPreference(PREF_LANGUAGE), "tw");
    ASSERT_TRUE(SetPreference(PREF_LANGUAGE, "Korean"));
    EXPECT_EQ(ReadFile(dir.file("preferences.ini")),
              "; user notes\n[other]\nlanguage=keep\n[keyloom]\ntheme = dark\nlanguage=Korean\nzoom=2\n\n"
              "[last]\nx=1\n");
    EXPECT_EQ(GetPreference(PREF_LANGUAGE), "Korean");
    EXPECT_EQ(GetPreference("theme"), "dark");

    // A new key goes to the end of the section, before its trailing blank line.
    ASSERT_TRUE(SetPreference("volume", "3"));
    EXPECT_EQ(ReadFile(dir.file("preferences.ini")),
              "; user notes\n[other]\nlanguage=keep\n[keyloom]\ntheme = dark\nlanguage=Korean\nzoom=2\nvolume=3\n\n"
              "[last]\nx=1\n");

    // A file without the section gets it appended.
    WriteFile(dir.file("preferences.ini"), "[other]\na=b");
    ASSERT_TRUE(SetPreference(PREF_LANGUAGE, "en"));
    EXPECT_EQ(ReadFile(dir.file("preferences.ini")), "[other]\na=b\n\n[keyloom]\nlanguage=en\n");

    // What one INI line cannot hold is refused and changes nothing.
    EXPECT_FALSE(SetPreference(PREF_LANGUAGE, "en\n[evil]"));
    EXPECT_FALSE(SetPreference(PREF_LANGUAGE, "a=b"));
    EXPECT_FALSE(SetPreference("", "x"));
    EXPECT_FALSE(SetPreference("a b ", "x"));
    EXPECT_EQ(GetPreference(PREF_LANGUAGE), "en");
    SetPreferencesDir("");
}

TEST(Preferences, NotificationsAreOnUntilTurnedOff) {
    TempDir dir;
    SetPreferencesDir(dir.path());
    EXPECT_TRUE(NotificationsWanted());  // no file yet
    ASSERT_TRUE(SetPreference(PREF_LANGUAGE, "sc"));
    ASSERT_TRUE(SetNotificationsWanted(false));
    EXPECT_EQ(ReadFile(dir.file("preferences.ini")), "[keyloom]\nlanguage=sc\nnotifications=0\n");
    EXPECT_FALSE(NotificationsWanted());
    ASSERT_TRUE(SetNotificationsWanted(true));
    EXPECT_TRUE(NotificationsWanted());
    EXPECT_EQ(GetPreference(PREF_LANGUAGE), "sc");
    // Written by hand, the usual words for "no" count too.
    WriteFile(dir.file("preferences.ini"), "[keyloom]\nnotifications = off\n");
    EXPECT_FALSE(NotificationsWanted());
    SetPreferencesDir("");
}

TEST(Preferences, UnreadableFileIsNotOverwritten) {
    TempDir dir;
    SetPreferencesDir(dir.path());
    std::filesystem::create_directories(dir.file("preferences.ini"));  // a folder where the file should be
    EXPECT_FALSE(SetPreference(PREF_LANGUAGE, "en"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("preferences.ini")));
    SetPreferencesDir("");
}

}  // namespace
}  // namespace keyloom
