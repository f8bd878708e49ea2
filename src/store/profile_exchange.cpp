// The exchange file (".duk"): a key-property set with the macros its keys call.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <cstring>
#include <memory>

#include "base/debug.h"
#include "base/fileio.h"
#include "config/gvar.h"
#include "config/language.h"
#include "base/paths.h"
#include "base/utf8.h"
#include "macro/macrofile.h"
#include "macro/macrotree.h"
#include "model/st_keypro.h"
#include "store/profile_store.h"

namespace keyloom {
namespace {

// The extension of the path's file name; dots in folder names do not count.
std::optional<std::string> name_ext(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return std::nullopt;
    return name.substr(dot + 1);
}

std::string file_name_of(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr uint32_t FUN_CLASS_LAST = FUN_DEVICE;

Reason wrong_extension(const char* ext) { return MakeReason("tc_wrong_extension", {ext}); }
constexpr int FREE_NAME_TRIES = 99;

// Why a macro of the file cannot have a file of its name; empty when it can.
std::string macro_name_refusal(const std::string& name, bool ended) {
    if (!ended) return "its name has no end";
    if (const char* key = name_refusal(name)) return FindText(key).value_or(key);
    return {};
}

// "name", then "name (2)", "name (3)", ...; always within the record's 39 bytes.
std::string candidate_name(const std::string& name, int n) {
    if (n == 1) return name;
    const std::string suffix = " (" + std::to_string(n) + ")";
    return CutUtf8(name, MACRO_NAME_MAX - suffix.size()) + suffix;
}

// What an import has placed so far: the file's macro ids and the ids its keys
// now call, and the ids of the macros it wrote.
struct Placing {
    MacroTree& tree;
    std::map<uint32_t, uint32_t> ids;
    std::set<uint32_t> idsTaken;
};

ImportedMacro reused(ImportedMacro report, const std::string& file, uint32_t id, Placing& placing,
                     uint32_t incomingId) {
    report.action = MacroImport::Reused;
    report.file = file;
    report.id = id;
    placing.ids[incomingId] = id;
    return report;
}

// Places one macro of the file: the same macro anywhere in the tree is used;
// otherwise it is written to the macro folder under its own name, or a free
// one when a different macro has it. Two macros of the file stay two.
ImportedMacro place_macro(const ExchangeMacro& incoming, Placing& placing) {
    ImportedMacro report;
    report.slot = incoming.slot;
    report.name = incoming.name;
    if (outlineviewData* there = placing.tree.find_same_macro(incoming.record))
        return reused(report, MacroTree::display_path(there), uint32_t(there->nItemData), placing,
                      incoming.record.dwID);
    std::map<uint32_t, uint32_t>& ids = placing.ids;
    std::set<uint32_t>& idsTaken = placing.idsTaken;
    for (int n = 1; n <= FREE_NAME_TRIES; ++n) {
        const std::string name = candidate_name(incoming.name, n);
        const std::string path = get_macro_path() + name + ".mcf";
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
            _ST_MACRO there;
            if (!read_macro_file(path, &there) || !same_macro_content(there, incoming.record)) continue;
            return reused(report, name, there.dwID, placing, incoming.record.dwID);
        }
        _ST_MACRO record = incoming.record;
        set_macro_name(record, name);
        // An id another macro of the user's carries gets a new one, so keys never reach the wrong macro.
        if (get_macro_by_id(record.dwID) || idsTaken.count(record.dwID)) record.dwID = create_unique_id();
        if (!write_macro_file(path, &record)) {
            report.reason = "the file could not be written";
            return report;
        }
        add_new_macro_to_list(&record);
        idsTaken.insert(record.dwID);
        ids[incoming.record.dwID] = record.dwID;
        report.action = n == 1 ? MacroImport::Written : MacroImport::Renamed;
        report.file = name;
        report.id = record.dwID;
        return report;
    }
    report.reason = "no free name";
    return report;
}

void rebuild_macro_list(MacroTree* tree) {
    clear_macro_list();
    if (tree) {
        tree->ReloadMacroList();
        return;
    }
    MacroTree scratch;
    scratch.loadMacroToList();
}

}  // namespace

const _ST_MACRO* get_macro_by_id_from_cfg(const _ST_EXCHANGE& cfg, uint32_t id) {
    for (const _ST_MACRO& m : cfg.stMacro) {
        // Unused slots are all zero; they never stand for a macro of id 0.
        if (m.dwMagic != 0 && m.dwID == id) return &m;
    }
    return nullptr;
}

_ST_EXCHANGE build_exchange(const _ST_KEYPRO& set) {
    _ST_EXCHANGE cfg;
    std::memset(&cfg, 0, sizeof cfg);
    cfg.stKeyPro = set;
    int count = 0;
    for (const _KEYINFO& key : set.stKey) {
        if (count == EXCHANGE_MACRO_SLOTS) break;
        if (FUN_CLASS(key.dwFunID) != FUN_MACRO) continue;
        const _ST_MACRO* macro = get_macro_by_id(key.dwMacroID);
        if (!macro || get_macro_by_id_from_cfg(cfg, macro->dwID)) continue;
        cfg.stMacro[count++] = *macro;
    }
    return cfg;
}

ExchangeResult ExportKeyPro(const _ST_KEYPRO* set, const std::string& path) {
    ExchangeResult result;
    if (!set) return result;
    std::string name = file_name_of(path);
    if (name.empty()) {
        result.status = ExchangeStatus::NoFileName;
        return result;
    }
    std::optional<std::string> ext = name_ext(name);
    if (ext && *ext != "duk") {
        result.status = ExchangeStatus::BadExtension;
        result.message = "the fudxx must be duk";
        result.reason = MakeReason("tc_export_failed", {path}, wrong_extension("duk"));
        return result;
    }
    result.path = ext ? path : path + ".duk";

    auto cfg = std::make_unique<_ST_EXCHANGE>(build_exchange(*set));
    for (const _ST_MACRO& m : cfg->stMacro) result.macros += m.dwMagic != 0 ? 1 : 0;

    FileError err;
    if (!write_file_atomic(result.path, cfg.get(), sizeof *cfg, &err)) {
        LOG("ExportProfile err=%d, %s", err.code, err.text.c_str());
        char text[512];
        std::snprintf(text, sizeof text, "ExportProfile err=%ld, %s", static_cast<long>(err.code), err.text.c_str());
        result.status = ExchangeStatus::WriteFailed;
        result.message = text;
        result.reason = MakeReason("tc_export_failed", {result.path}, err.reason);
        return result;
    }
    result.status = ExchangeStatus::Ok;
    return result;
}

std::optional<ExchangeContent> parse_exchange(const std::string& bytes, Reason* refusal) {
    auto refuse = [&](const char* code, std::vector<std::string> values = {}) -> std::optional<ExchangeContent> {
        Reason why = MakeReason(code, std::move(values));
        LOG("ImportProfile: not a active profile (%s)", ReasonText(why).c_str());
        if (refusal) *refusal = std::move(why);
        return std::nullopt;
    };
    if (bytes.size() < EXCHANGE_FILE_SIZE) return refuse("tc_import_short");
    auto cfg = std::make_unique<_ST_EXCHANGE>();
    std::memcpy(cfg.get(), bytes.data(), EXCHANGE_FILE_SIZE);

    const _ST_KEYPRO& set = cfg->stKeyPro;
    if (set.dwID == 0) return refuse("tc_import_no_set");
    if (set.nLayer < 0 || set.nLayer >= LAYER_COUNT) return refuse("tc_import_bad_layer", {std::to_string(set.nLayer)});
    const char* nameEnd = static_cast<const char*>(std::memchr(set.szName, 0, sizeof set.szName));
    if (!nameEnd || !IsValidUtf8(std::string_view(set.szName, nameEnd - set.szName)))
        return refuse("tc_import_bad_name");
    for (int i = 0; i < KEY_COUNT; ++i) {
        const uint32_t cls = FUN_CLASS(set.stKey[i].dwFunID);
        if (cls > FUN_CLASS_LAST)
            return refuse("tc_import_bad_key", {std::to_string(i), std::to_string(cls)});
    }
    for (int slot = 0; slot < EXCHANGE_MACRO_SLOTS; ++slot) {
        const _ST_MACRO& m = cfg->stMacro[slot];
        if (m.dwMagic != MACRO_MAGIC && !is_all_zero(&m, sizeof m))
            return refuse("tc_import_bad_macro", {std::to_string(slot)});
    }

    ExchangeContent content;
    content.stKeyPro = set;
    std::set<uint32_t> seen;
    for (int slot = 0; slot < EXCHANGE_MACRO_SLOTS; ++slot) {
        _ST_MACRO& macro = cfg->stMacro[slot];
        if (macro.dwMagic == 0) continue;
        const std::string name(macro.szName, strnlen(macro.szName, sizeof macro.szName));
        // The name is judged as its file will have it, cut to the record's
        // bytes: a name whose first 39 bytes are blank is refused too.
        const std::string fileName = CutUtf8(name, MACRO_NAME_MAX);
        ImportedMacro skipped;
        skipped.slot = slot;
        skipped.reason = macro_name_refusal(fileName, name.size() < sizeof macro.szName);
        if (skipped.reason.empty() && !seen.insert(macro.dwID).second)
            skipped.reason = "another slot holds a macro with the same id";
        if (!skipped.reason.empty()) {
            if (IsValidUtf8(name)) skipped.name = name;
            LOG("ImportProfile: macro slot %d skipped: %s", slot, skipped.reason.c_str());
            content.skipped.push_back(skipped);
            continue;
        }
        macro.byBufferID = 0;
        macro.dwDirty = 0;
        content.macros.push_back({slot, fileName, macro});
    }
    return content;
}

void take_key_assignments(_ST_KEYPRO& to, const _ST_KEYPRO& from) {
    for (int i = 0; i < KEY_COUNT; ++i) {
        // A slot this keyboard has no key for stays as it is.
        if (g_defKEY[i].dwFunID == 0) continue;
        _KEYINFO& key = to.stKey[i];
        const _KEYINFO& src = from.stKey[i];
        // So does a key whose macro did not arrive: it would do nothing at all.
        if (FUN_CLASS(src.dwFunID) == FUN_MACRO && !get_macro_by_id(src.dwMacroID)) continue;
        key.dwFunID = src.dwFunID;
        key.dwMacroID = src.dwMacroID;
        key.stCombo = src.stCombo;
        key.dwHwCode = src.dwHwCode;
    }
}

ExchangeResult ImportKeyPro(_ST_KEYPRO* set, const std::string& path, MacroTree* tree) {
    ExchangeResult result;
    result.path = path;
    if (!set) return result;
    auto failed = [&](ExchangeStatus status, const std::string& why, Reason reason) {
        result.status = status;
        result.message = why.empty() ? "import profile failed." : "import profile failed.\n" + why;
        result.reason = MakeReason("tc_import_failed", {result.path}, std::move(reason));
        return result;
    };
    const std::string name = file_name_of(path);
    if (name.empty()) {
        result.status = ExchangeStatus::NoFileName;
        return result;
    }
    if (std::optional<std::string> ext = name_ext(name)) {
        if (*ext != "duk") return failed(ExchangeStatus::BadExtension, "the fudxx must be duk", wrong_extension("duk"));
    } else {
        result.path = path + ".duk";
    }

    FileError err;
    std::optional<std::string> bytes = read_file_bytes(result.path, EXCHANGE_FILE_SIZE, &err);
    if (!bytes) {
        LOG("ImportProfile err=%d, %s", err.code, err.text.c_str());
        return failed(ExchangeStatus::ReadFailed, result.path + ": " + err.text, err.reason);
    }
    Reason refusal;
    std::optional<ExchangeContent> content = parse_exchange(*bytes, &refusal);
    if (!content) return failed(ExchangeStatus::NotExchange, ReasonText(refusal), refusal);

    // Nothing has changed yet: keep the sets as they are before the import changes one.
    std::optional<std::string> backup = backup_keypro_list(("before importing " + result.path).c_str());
    if (!backup) {
        Reason why = MakeReason("tc_import_backup_failed", {get_keypro_file_path()});
        return failed(ExchangeStatus::BackupFailed, ReasonText(why), why);
    }
    result.backup = *backup;

    if (!content->macros.empty()) make_sure_folder_exist(get_macro_path());
    if (!lstMacro) init_macro_list();
    // The macros already there are looked for in the whole tree.
    MacroTree scratch;
    if (!tree) scratch.loadMacroToList();
    Placing placing{tree ? *tree : scratch, {}, {}};
    for (const ExchangeMacro& m : content->macros) {
        ImportedMacro placed = place_macro(m, placing);
        if (placed.action == MacroImport::Written || placed.action == MacroImport::Renamed) ++result.macros;
        result.macroReport.push_back(std::move(placed));
    }
    for (ImportedMacro& skipped : content->skipped) result.macroReport.push_back(std::move(skipped));
    std::sort(result.macroReport.begin(), result.macroReport.end(),
              [](const ImportedMacro& a, const ImportedMacro& b) { return a.slot < b.slot; });
    if (result.macros > 0) {
        rebuild_macro_list(tree);
        result.listReloaded = true;
    }

    _ST_KEYPRO incoming = content->stKeyPro;
    for (_KEYINFO& key : incoming.stKey) {
        if (FUN_CLASS(key.dwFunID) != FUN_MACRO) continue;
        if (auto it = placing.ids.find(key.dwMacroID); it != placing.ids.end()) key.dwMacroID = it->second;
    }
    take_key_assignments(*set, incoming);
    result.keysTaken = true;
    result.status = ExchangeStatus::Ok;
    result.reason = MakeReason("tc_import_backup", {result.backup});
    result.message = ReasonText(result.reason);
    return result;
}

}  // namespace keyloom
