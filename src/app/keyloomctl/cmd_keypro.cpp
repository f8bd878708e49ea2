// keyloomctl export-keypro and import-keypro: exchange files (".duk").
#include <cerrno>
#include <cstdlib>

#include "base/paths.h"
#include "ctl.h"
#include "json_records.h"
#include "macro/macrotree.h"
#include "store/profile_store.h"
#include "store/startup_data.h"

namespace keyloom::ctl {
namespace {

// The set the current profile's active layer uses, as the main window shows it.
_ST_KEYPRO* current_keypro() {
    const _ST_PROFILE* p = get_current_profile();
    if (!p || p->nLayer < 0 || p->nLayer >= LAYER_COUNT) return nullptr;
    return get_keypro_by_id(p->dwKeyProID[p->nLayer]);
}

// A set id as decimal or 0x-hexadecimal text; none for anything else.
std::optional<uint32_t> parse_id(const std::string& text) {
    if (text.empty() || text[0] == '-') return std::nullopt;
    errno = 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(value);
}

// The message the user would have seen, or what went wrong when none is shown.
std::string failure_text(const ExchangeResult& r, const std::string& file) {
    if (!r.message.empty()) return r.message;
    switch (r.status) {
        case ExchangeStatus::NoFileName: return "No file name in " + file;
        default: return "No current key-property set";
    }
}

const char* action_name(MacroImport action) {
    switch (action) {
        case MacroImport::Written: return "written";
        case MacroImport::Renamed: return "renamed";
        case MacroImport::Reused: return "reused";
        default: return "skipped";
    }
}

Json result_json(const ExchangeResult& r, const _ST_KEYPRO& set) {
    Json out{{"file", r.path},
             {"keyPro", set.dwID},
             {"szName", bounded_text(set.szName, sizeof set.szName)},
             {"macros", r.macros}};
    if (!r.keysTaken) return out;  // an export
    Json report = Json::array();
    for (const ImportedMacro& m : r.macroReport) {
        Json j{{"slot", m.slot}, {"name", m.name}, {"action", action_name(m.action)}};
        if (m.action == MacroImport::Skipped)
            j["reason"] = m.reason;
        else
            j["macro"] = m.file, j["id"] = m.id;
        report.push_back(j);
    }
    out["keysTaken"] = r.keysTaken;
    out["backup"] = r.backup;
    out["macroReport"] = report;
    return out;
}

}  // namespace

int cmd_export_keypro(const Options& opt, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) return fail("Usage: export-keypro [ID] FILE");
    if (!load_program(opt)) return 1;
    // Read only: nothing in the data folder is written.
    LoadStoredData(nullptr, StoredDataMode::ReadOnly);
    MacroTree tree;
    tree.loadMacroToList();

    const _ST_KEYPRO* set = nullptr;
    if (args.size() == 2) {
        std::optional<uint32_t> id = parse_id(args[0]);
        if (!id) return fail("Not a key-property set id: " + args[0]);
        set = get_keypro_by_id(*id);
        if (!set) return fail("No key-property set with id " + args[0]);
    } else {
        set = current_keypro();
        if (!set) return fail("No current key-property set: run keyloomctl init first");
    }
    ExchangeResult r = ExportKeyPro(set, args.back());
    if (!r.ok()) return fail(failure_text(r, args.back()));
    print_json(result_json(r, *set));
    return 0;
}

int cmd_import_keypro(const Options& opt, const std::string& file) {
    if (!load_program(opt)) return 1;
    PrepareStoredData();
    MacroTree tree;
    tree.loadMacroToList();

    _ST_KEYPRO* set = current_keypro();
    if (!set) return fail("No current key-property set");
    ExchangeResult r = ImportKeyPro(set, file, &tree);
    if (!r.ok()) return fail(failure_text(r, file));
    if (!SaveStoredData()) return 1;  // the alert said why
    print_json(result_json(r, *set));
    return 0;
}

}  // namespace keyloom::ctl
