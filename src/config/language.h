// The user-interface language: choosing it (stored preference, else the
// system's) and loading its text.xml into the text look-up of base/texts.h.
// Everything here runs on the main thread.
#pragma once
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/texts.h"

namespace keyloom {

// The language tag of the user's first preferred language, from LANGUAGE
// (its first ':'-separated entry), else LC_ALL, LC_MESSAGES, LANG; the first
// of these that is set and non-empty decides. None for "C", "POSIX" or
// nothing set.
std::optional<std::string> GetPreferredLanguageTag();
// A locale name as the environment holds it ("zh_TW.UTF-8@x") -> language
// tag ("zh-Hant-TW"); none for "C", "POSIX" and empty text.
std::optional<std::string> LocaleToLanguageTag(const std::string& locale);
// A language tag -> language directory by the fixed mapping table; none when
// the tag has no mapping.
std::optional<std::string> LanguageDirForTag(const std::string& tag);
// The language directory for the first preferred language, or none (an
// unmapped tag is logged as "GetSystemLanguage: <tag>").
std::optional<std::string> GetSystemLanguage();

// Picks the language (preference "language", else the system's, else "en"),
// loads "<work dir>text/<dir>/text.xml" and returns the index of the chosen
// entry in gVar.Lang; 0 (entry 0's directory) when the choice is not listed.
int LoadLanguage();
// The language chooser's action: stores entry `index`'s directory as the
// preference "language" and reloads; returns LoadLanguage's index. An index
// outside the list stores nothing and only reloads.
int SwitchLanguage(int index);
// The language directory whose texts LoadLanguage loaded last ("German");
// empty before the first.
std::string CurrentLanguageDir();

}  // namespace keyloom
