// What keyloomctl's data commands do and answer, on the lists as they are
// loaded: keyloomctl runs them on the files it loaded, the running keyloom's
// session bus service on the data its window shows. Either way the answer is
// the same JSON text, or the same words of refusal.
#pragma once
#include <cstdint>
#include <string>

#include "store/startup_data.h"

namespace keyloom {
class FocusRules;
class MacroTree;
}

namespace keyloom::report {

// Why a command gave no JSON.
enum class Refusal {
    None,
    NotFound,  // no such key table, macro or folder
    Refused,   // a file or name that was refused
    Failed,    // anything else
};

struct Outcome {
    Refusal refusal = Refusal::None;
    std::string json;   // the JSON text, without a line end; empty when refused
    std::string error;  // why not, in words a user can read; empty on success

    bool ok() const { return refusal == Refusal::None; }
};

// keyloomctl profiles: the profiles, key tables and macros (the macro list as loaded).
Outcome Profiles();
// keyloomctl macros: the macro tree below the macro folder.
Outcome Macros(MacroTree& tree);
// keyloomctl init, for data prepared as report says, then saved (or not:
// "saved" says so, and keyloomctl exits 1).
Outcome Init(const StartupDataReport& report, bool saved);

// keyloomctl export-keypro: the key table of id (0: the one in use) with its
// macros to an exchange file.
Outcome ExportKeyTable(uint32_t id, const std::string& file);
// keyloomctl import-keypro: an exchange file into the key table in use, its
// macros into the tree. The caller saves the stored data when it is ok.
Outcome ImportKeyTable(const std::string& file, MacroTree& tree);
// keyloomctl macro-export: the macro at a tree path ("games/combo1") to a file.
Outcome ExportMacro(MacroTree& tree, const std::string& name, const std::string& file);
// keyloomctl macro-import: a macro file into an existing tree folder ("" the top).
Outcome ImportMacro(MacroTree& tree, const std::string& file, const std::string& folder);

// How the running keyloom follows the application in front, for `rules`.
struct Following {
    bool on = true;
    std::string source;  // the desktop's focus source, empty: none here
    int activeLayer = -1;  // the keyboard layer's active rule (0..2), -1: none
    std::string activeTable, activeApp;
};
// keyloomctl rules: the rules in order (numbered from 1, each with whether
// its key table is missing), and following's state when keyloom runs.
Outcome Rules(const FocusRules& rules, const Following* following);
// keyloomctl rules add: a rule for a layer (1..3); the rules as Rules says.
Outcome AddRule(FocusRules& rules, int layer, const std::string& table, const std::string& app);
// keyloomctl rules remove: the rule of that number (from 1).
Outcome RemoveRule(FocusRules& rules, int number);

}  // namespace keyloom::report
