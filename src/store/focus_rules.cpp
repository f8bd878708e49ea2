#include "store/focus_rules.h"

#include <cerrno>

#include "base/debug.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "base/texts.h"
#include "base/utf8.h"
#include "model/st_keypro.h"

namespace keyloom {

namespace {

constexpr std::string_view kHeader = "# keyloom focus rules 1";

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool has_control_character(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}

std::vector<std::string_view> split(std::string_view text, char by) {
    std::vector<std::string_view> parts;
    for (size_t from = 0;;) {
        size_t at = text.find(by, from);
        parts.push_back(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
        if (at == std::string_view::npos) return parts;
        from = at + 1;
    }
}

bool same_app(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

}  // namespace

std::string FocusRulesPath() { return get_data_path() + "focus_rules.txt"; }

Reason FocusRuleFault(const FocusRule& rule) {
    if (rule.app.empty()) return MakeReason("tc_rule_no_app");
    if (rule.app.size() > kFocusRuleAppMax) return MakeReason("tc_rule_app_too_long", {std::to_string(kFocusRuleAppMax)});
    if (rule.layer < 0 || rule.layer > 2) return MakeReason("tc_rule_bad_layer");
    if (rule.table.empty()) return MakeReason("tc_rule_no_table");
    if (rule.table.size() >= size_t(KEYPRO_NAME_SIZE))
        return MakeReason("tc_rule_table_too_long", {std::to_string(KEYPRO_NAME_SIZE - 1)});
    if (has_control_character(rule.app) || has_control_character(rule.table) || !IsValidUtf8(rule.app) ||
        !IsValidUtf8(rule.table))
        return MakeReason("tc_rule_bad_character");
    return {};
}

FocusRulesFile ParseFocusRules(std::string_view bytes) {
    FocusRulesFile file;
    int number = 0;
    for (std::string_view line : split(bytes, '\n')) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::vector<std::string_view> fields = split(line, '\t');
        FocusRule rule;
        Reason fault;
        if (fields.size() != 3 || fields[0].size() != 2 || lower(fields[0][0]) != 'm' || fields[0][1] < '1' ||
            fields[0][1] > '3') {
            fault = MakeReason("tc_rule_bad_layer");
        } else {
            rule = {std::string(fields[2]), fields[0][1] - '1', std::string(fields[1])};
            fault = FocusRuleFault(rule);
        }
        if (fault.empty() && file.rules.size() >= kFocusRulesMax) fault = MakeReason("tc_rule_list_full", {std::to_string(kFocusRulesMax)});
        if (fault.empty()) {
            for (const FocusRule& kept : file.rules)
                if (kept.layer == rule.layer && same_app(kept.app, rule.app)) fault = MakeReason("tc_rule_twice");
        }
        if (fault.empty())
            file.rules.push_back(std::move(rule));
        else
            file.refused.push_back(MakeReason("tc_rule_line_refused", {std::to_string(number)}, fault));
    }
    return file;
}

std::string FormatFocusRules(const std::vector<FocusRule>& rules) {
    std::string text(kHeader);
    text += '\n';
    for (const FocusRule& rule : rules) {
        text += 'M';
        text += char('1' + rule.layer);
        text += '\t' + rule.table + '\t' + rule.app + '\n';
    }
    return text;
}

bool FocusAppMatches(std::string_view pattern, std::string_view app) {
    // Greedy matching with one point to go back to: the last `*` seen.
    size_t p = 0, a = 0, star = std::string_view::npos, resume = 0;
    while (a < app.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = a;
        } else if (p < pattern.size() && lower(pattern[p]) == lower(app[a])) {
            ++p;
            ++a;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            a = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<Reason> FocusRules::load() {
    rules_.clear();
    unreadable_ = {};
    loadTroubles_.clear();
    FileError err;
    std::optional<std::string> bytes = read_file_within(FocusRulesPath(), kFocusRulesMaxBytes, &err);
    if (!bytes) {
        if (err.code == ENOENT) return {};
        LOG("focus rules not read: %s", err.text.c_str());
        unreadable_ = MakeReason("tc_rules_unreadable", {FocusRulesPath()}, err.reason);
        loadTroubles_ = {unreadable_};
        return loadTroubles_;
    }
    FocusRulesFile file = ParseFocusRules(*bytes);
    for (const Reason& why : file.refused) LOG("focus rules: %s", ReasonText(why).c_str());
    rules_ = std::move(file.rules);
    loadTroubles_ = file.refused;
    return std::move(file.refused);
}

Reason FocusRules::refusalOf(const FocusRule& rule, std::optional<size_t> replacing) const {
    if (Reason fault = FocusRuleFault(rule); !fault.empty()) return fault;
    if (!replacing && rules_.size() >= kFocusRulesMax) return MakeReason("tc_rule_list_full", {std::to_string(kFocusRulesMax)});
    for (size_t i = 0; i < rules_.size(); ++i)
        if (i != replacing && rules_[i].layer == rule.layer && same_app(rules_[i].app, rule.app))
            return MakeReason("tc_rule_twice");
    return {};
}

Reason FocusRules::add(const FocusRule& rule) {
    if (Reason why = refusalOf(rule, std::nullopt); !why.empty()) return why;
    std::vector<FocusRule> rules = rules_;
    rules.push_back(rule);
    return save(rules);
}

Reason FocusRules::replace(size_t index, const FocusRule& rule) {
    if (index >= rules_.size()) return MakeReason("tc_rule_missing", {std::to_string(index + 1)});
    if (Reason why = refusalOf(rule, index); !why.empty()) return why;
    std::vector<FocusRule> rules = rules_;
    rules[index] = rule;
    return save(rules);
}

Reason FocusRules::remove(size_t index) {
    if (index >= rules_.size()) return MakeReason("tc_rule_missing", {std::to_string(index + 1)});
    std::vector<FocusRule> rules = rules_;
    rules.erase(rules.begin() + std::ptrdiff_t(index));
    return save(rules);
}

Reason FocusRules::save(const std::vector<FocusRule>& rules) {
    if (!unreadable_.empty()) return unreadable_;
    const std::string text = FormatFocusRules(rules);
    make_sure_folder_exist(get_data_path());
    FileError err;
    if (!write_file_atomic(FocusRulesPath(), text.data(), text.size(), &err)) {
        LOG("focus rules not saved: %s", err.text.c_str());
        return MakeReason("tc_rules_not_saved", {FocusRulesPath()}, err.reason);
    }
    rules_ = rules;
    loadTroubles_.clear();
    return {};
}

bool FocusRules::broken(const FocusRule& rule) { return get_keypro_by_name(rule.layer, rule.table) == nullptr; }

std::array<const FocusRule*, 3> FocusRules::rulesFor(std::string_view app) const {
    std::array<const FocusRule*, 3> found{};
    for (const FocusRule& rule : rules_) {
        if (found[size_t(rule.layer)]) continue;  // every rule kept has a layer of 0..2
        if (FocusAppMatches(rule.app, app) && !broken(rule)) found[size_t(rule.layer)] = &rule;
    }
    return found;
}

}  // namespace keyloom
