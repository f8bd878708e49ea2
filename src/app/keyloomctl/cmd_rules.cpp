// keyloomctl rules: the rules that give a layer another key table while an
// application is in front ("focus_rules.txt" in the data folder).
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "base/reason.h"
#include "base/texts.h"
#include "ctl.h"
#include "report/reports.h"
#include "store/focus_rules.h"
#include "store/startup_data.h"

namespace keyloom::ctl {
namespace {

using nlohmann::json;

// A reason's lines as one: "line 3 of the rules file was left out: the layer is not M1, M2 or M3".
std::string one_line(std::string text) {
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

// A field of an object; null when there is no such field.
const json& field(const json& object, const char* key) {
    static const json none;
    const auto at = object.find(key);
    return at == object.end() ? none : *at;
}

bool is_true(const json& value) {
    return value.is_boolean() && value.get<bool>();
}

std::string text_of(const json& value) {
    return value.is_string() ? value.get<std::string>() : std::string();
}

int number_of(const json& value) {
    return value.is_number_integer() ? value.get<int>() : 0;
}

// "1<TAB>M1<TAB>Gaming<TAB>steam_app_570", and the mark of a missing key
// table. Names hold no tabs: a rule with one is never kept.
std::string rule_line(const json& rule) {
    std::string line = std::to_string(number_of(field(rule, "number"))) + "\tM" +
                       std::to_string(number_of(field(rule, "layer"))) + "\t" + text_of(field(rule, "table")) + "\t" +
                       text_of(field(rule, "app"));
    if (is_true(field(rule, "broken"))) line += "\t(broken: no such key table)";
    return line;
}

// The running keyloom's following, in one line.
std::string following_line(const json& following) {
    if (field(following, "on") == false) return "following: off";
    if (!field(following, "source").is_string()) return "following: on, but this desktop offers no focus source";
    const std::string line = "following: on (" + text_of(field(following, "source")) + "), ";
    const json& active = field(following, "active");
    if (!active.is_object()) return line + "no rule active";
    return line + "M" + std::to_string(number_of(field(active, "layer"))) + " plays " +
           text_of(field(active, "table")) + " for " + text_of(field(active, "app"));
}

}  // namespace

int print_rules(const std::string& text, const RulesRequest& request) {
    const json answer = json::parse(text, nullptr, false);
    if (!answer.is_object() || !field(answer, "rules").is_array())
        return fail("keyloomctl: the answer holds no rules: " + text);
    const json& rules = field(answer, "rules");
    if (request.json) {
        std::printf("%s\n", text.c_str());
    } else {
        if (rules.empty()) std::printf("no rules\n");
        for (const json& rule : rules)
            if (rule.is_object()) std::printf("%s\n", rule_line(rule).c_str());
        if (field(answer, "following").is_object())
            std::printf("%s\n", following_line(field(answer, "following")).c_str());
    }
    std::fflush(stdout);
    // A rule is added at the end; one for a key table that is not there is
    // kept, but plays nothing until a table of that name exists.
    if (request.action == RulesRequest::Add && !rules.empty() && rules.back().is_object() &&
        is_true(field(rules.back(), "broken")))
        std::fprintf(stderr,
                     "keyloomctl: M%d has no key table \"%s\": the rule is kept, shown as broken, until it has one\n",
                     request.layer, request.table.c_str());
    return kExitOk;
}

int cmd_rules(const Options& opt, const RulesRequest& request) {
    if (!load_program(opt)) return kExitFailure;
    // The key tables as stored, so that a rule whose table is missing shows
    // as broken; nothing of them is created or written.
    LoadStoredData(nullptr, StoredDataMode::ReadOnly);
    FocusRules rules;
    bool leftOut = false;
    for (const Reason& why : rules.load()) {
        // A file that cannot be read is never written over.
        if (why.code == "tc_rules_unreadable") return fail(ReasonText(why));
        std::fprintf(stderr, "keyloomctl: warning: %s\n", one_line(ReasonText(why)).c_str());
        leftOut = true;
    }
    report::Outcome outcome;
    switch (request.action) {
        case RulesRequest::List: outcome = report::Rules(rules, nullptr); break;
        case RulesRequest::Add: outcome = report::AddRule(rules, request.layer, request.table, request.app); break;
        case RulesRequest::Remove: outcome = report::RemoveRule(rules, request.number); break;
    }
    if (!outcome.ok()) return fail(outcome.error);
    if (leftOut && request.action != RulesRequest::List)
        std::fprintf(stderr, "keyloomctl: warning: the rules file was written without the lines left out\n");
    return print_rules(outcome.json, request);
}

}  // namespace keyloom::ctl
