// Language choice and text look-up.
#include "config/language.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "base/XmlLoader.h"
#include "base/debug.h"
#include "config/gvar.h"
#include "base/paths.h"
#include "config/preferences.h"

namespace keyloom {

namespace {

// A fixed-size text field of gVar, read up to its NUL or its end.
std::string field(const char (&text)[LANG_TEXT_SIZE]) { return std::string(text, strnlen(text, LANG_TEXT_SIZE)); }

// The number of usable entries: up to the first empty name, at most LANG_COUNT.
int lang_count() {
    int n = 0;
    while (n < LANG_COUNT && gVar.Lang[n].szName[0] != '\0') ++n;
    return n;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A language folder the model file names must be one folder below text/,
// so a model file never makes us read texts from elsewhere.
bool is_folder_name(const std::string& dir) {
    return !dir.empty() && dir != "." && dir != ".." && dir.find('/') == std::string::npos &&
           std::none_of(dir.begin(), dir.end(), [](unsigned char c) { return c < 0x20 || c == 0x7f; });
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

struct TagMapping {
    const char* tag;
    const char* dir;
};

constexpr TagMapping kExactTags[] = {
    {"zh-Hans-CN", "sc"},     {"ru-CN", "Russian"}, {"ja-CN", "Japanese"}, {"fr-CN", "French"},
    {"de-CN", "German"},      {"it-CN", "Italian"}, {"ko-CN", "Korean"},
};

}  // namespace

std::optional<std::string> LocaleToLanguageTag(const std::string& locale) {
    // language[_territory][.codeset][@modifier]
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX") return std::nullopt;
    const size_t sep = name.find('_');
    if (sep == std::string::npos) return name;  // "en", or already a tag
    const std::string language = lower(name.substr(0, sep));
    if (language.empty()) return std::nullopt;
    const std::string region = upper(name.substr(sep + 1));
    if (language == "zh" && (region == "CN" || region == "SG")) return "zh-Hans-" + region;
    if (language == "zh" && (region == "TW" || region == "HK")) return "zh-Hant-" + region;
    return region.empty() ? language : language + "-" + region;
}

std::optional<std::string> GetPreferredLanguageTag() {
    std::string first = env("LANGUAGE");
    first = first.substr(0, first.find(':'));
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (!first.empty()) break;
        first = env(name);
    }
    return LocaleToLanguageTag(first);
}

std::optional<std::string> LanguageDirForTag(const std::string& tag) {
    for (const auto& m : kExactTags)
        if (tag == m.tag) return m.dir;
    if (tag.starts_with("en-")) return "en";
    if (tag.starts_with("zh-Hant")) return "tw";
    return std::nullopt;
}

std::optional<std::string> GetSystemLanguage() {
    auto tag = GetPreferredLanguageTag();
    if (!tag) return std::nullopt;
    auto dir = LanguageDirForTag(*tag);
    if (!dir) LOG("GetSystemLanguage: %s", tag->c_str());
    return dir;
}

namespace {
std::string g_languageDir;  // the folder of the texts loaded last
}  // namespace

std::string CurrentLanguageDir() { return g_languageDir; }

int LoadLanguage() {
    if (!xml) xml = std::make_unique<XmlLoader>();
    // An empty stored value counts as no choice.
    std::optional<std::string> chosen = GetPreference(PREF_LANGUAGE);
    if (chosen && chosen->empty()) chosen.reset();
    if (!chosen) chosen = GetSystemLanguage();
    if (!chosen) chosen = "en";

    int index = 0;
    std::string dir = field(gVar.Lang[0].szDir);
    const int count = lang_count();
    bool listed = false;
    for (int i = 0; i < count && !listed; ++i) {
        if (field(gVar.Lang[i].szDir) == *chosen) {
            index = i;
            dir = *chosen;
            listed = true;
        }
    }
    if (!listed) LOG("LoadLanguage: %s is not a language of the model file; %s is used", chosen->c_str(), dir.c_str());
    if (!is_folder_name(dir)) {
        SysLog("LoadLanguage: the language folder \"%s\" is not a folder name; no texts loaded", dir.c_str());
        return index;
    }
    xml->loadXML(get_work_dir() + "text/" + dir + "/text.xml");
    g_languageDir = dir;
    return index;
}

int SwitchLanguage(int index) {
    if (index >= 0 && index < lang_count()) SetPreference(PREF_LANGUAGE, field(gVar.Lang[index].szDir));
    return LoadLanguage();
}

}  // namespace keyloom
