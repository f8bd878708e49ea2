// The user's preferences: an INI file, section [keyloom], at
// $XDG_CONFIG_HOME/keyloom/preferences.ini (~/.config/keyloom/ when
// XDG_CONFIG_HOME is unset or not absolute). KEYLOOM_CONFIG_DIR or
// SetPreferencesDir names another folder for the file.
#pragma once
#include <optional>
#include <string>

namespace keyloom {

constexpr const char* PREF_SECTION = "keyloom";
constexpr const char* PREF_LANGUAGE = "language";
constexpr const char* PREF_NOTIFICATIONS = "notifications";

// The preference file's path.
std::string GetPreferencesPath();
// Overrides the folder of the preference file; an empty text returns to the lookup.
void SetPreferencesDir(const std::string& dir);

// A stored value; none when the file, the section or the key is missing.
std::optional<std::string> GetPreference(const std::string& key);
// Stores a value, keeping every other line of the file, and replaces the file
// atomically. False when the key or value cannot be stored on one INI line
// (empty key, '=' in the key, a line break in either) or the write fails.
bool SetPreference(const std::string& key, const std::string& value);

// Whether desktop notifications are wanted: on unless the file says
// "notifications=0" (or false, off, no).
bool NotificationsWanted();
// Stores the choice as "notifications=1" or "=0"; false when it could not be written.
bool SetNotificationsWanted(bool wanted);

}  // namespace keyloom
