// Rules that switch a layer's key table while an application is in front:
// "while steam_app_570 is in front, M1 uses Gaming". They are kept in the
// data folder in "focus_rules.txt", a UTF-8 text file of one rule per line,
// `M<layer>` TAB `<key table name>` TAB `<application>`, after a first line
// that names the format. The application is a Wayland app id or an X11
// WM_CLASS, an exact name or a pattern where `*` stands for any run of
// characters; letters match regardless of case. The first rule of a layer
// that matches wins. A rule whose key table does not exist (any more) is
// kept, shown as broken and never applied. Nothing else about applications
// is ever written.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/reason.h"

namespace keyloom {

struct FocusRule {
    std::string app;    // app id or WM_CLASS, maybe with `*`
    int layer = 0;      // 0..2 for M1..M3
    std::string table;  // a key table name of that layer

    bool operator==(const FocusRule&) const = default;
};

constexpr size_t kFocusRulesMaxBytes = 64 * 1024;  // a larger file is not read
constexpr size_t kFocusRulesMax = 200;
constexpr size_t kFocusRuleAppMax = 255;  // bytes

// "focus_rules.txt" in the data folder.
std::string FocusRulesPath();

// Why a rule cannot be kept (empty when it can): an empty or overlong
// application, a character that cannot be stored (a tab, a line break), a
// layer outside M1..M3, an empty or overlong key table name.
Reason FocusRuleFault(const FocusRule& rule);

// A rules file's contents; what cannot be kept is told line by line.
struct FocusRulesFile {
    std::vector<FocusRule> rules;
    std::vector<Reason> refused;
};
FocusRulesFile ParseFocusRules(std::string_view bytes);
std::string FormatFocusRules(const std::vector<FocusRule>& rules);

// Whether an application id matches a rule's application.
bool FocusAppMatches(std::string_view pattern, std::string_view app);

// The rules of this run, as stored.
class FocusRules {
public:
    // Reads the file; a missing file is no rules. What was refused is
    // logged and returned (the file is left as it is until the next save).
    // A file that cannot be read (too large, not readable) is never written
    // over: every edit is refused with that reason until a load reads it.
    std::vector<Reason> load();
    const std::vector<FocusRule>& rules() const { return rules_; }
    // What the last load returned (lines left out, a file it could not
    // read) while the file still holds it: an edit that rewrites the file
    // drops the lines left out.
    const std::vector<Reason>& loadTroubles() const { return loadTroubles_; }

    // Adds a rule at the end and saves; a refusal names why (a bad rule, a
    // second rule for the same application and layer, the list full, a
    // failed save: then nothing changed).
    Reason add(const FocusRule& rule);
    // Replaces or removes the index-th rule and saves.
    Reason replace(size_t index, const FocusRule& rule);
    Reason remove(size_t index);

    // Whether the rule's key table is missing from its layer.
    static bool broken(const FocusRule& rule);
    // For each layer, the first matching rule that is not broken; null
    // where no rule applies. Valid until the rules change.
    std::array<const FocusRule*, 3> rulesFor(std::string_view app) const;

private:
    Reason refusalOf(const FocusRule& rule, std::optional<size_t> replacing) const;
    Reason save(const std::vector<FocusRule>& rules);
    std::vector<FocusRule> rules_;
    Reason unreadable_;  // why the file could not be read at the last load
    std::vector<Reason> loadTroubles_;
};

}  // namespace keyloom
