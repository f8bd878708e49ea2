// The texts of the user-interface language, looked up by their "tc_" key.
// The configuration chooses and loads the language (config/language.h); every
// layer that words something for the user looks its texts up here.
// Everything here runs on the main thread.
#pragma once
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/reason.h"

namespace keyloom {

class XmlLoader;

// The one text loader; null until the first LoadLanguage creates it, then
// kept for the life of the process.
extern std::unique_ptr<XmlLoader> xml;

// The text stored under a key in the current language; empty when missing.
std::string GetText(const std::string& key);
// The same, but none when the key is missing (or nothing is loaded yet).
std::optional<std::string> FindText(const std::string& key);
// The text under a key with each "%s" or "%d" replaced by the next argument
// in order ("%%" is a percent sign); nothing else in the text is read as a
// conversion. A missing key gives the key followed by the arguments, so the
// message still says what happened.
std::string FormatText(const std::string& key, std::initializer_list<std::string> args);
std::string FormatText(const std::string& key, const std::vector<std::string>& args);

// A layer's name as every language writes it: "M1", "M2", "M3" for 0..2.
std::string LayerName(int layer);

// A reason in the current language: its text with its values, then each
// cause's on a line of its own.
std::string ReasonText(const Reason& reason);

}  // namespace keyloom
