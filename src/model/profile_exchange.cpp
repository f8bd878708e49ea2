// The exchange file (".duk"): a key-property set with the macros its keys call.
#include <cstdio>
#include <cstring>
#include <memory>

#include "config/debug.h"
#include "config/fileio.h"
#include "config/gvar.h"
#include "config/paths.h"
#include "macro/macrofile.h"
#include "macro/macrotree.h"
#include "model/profile_store.h"

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

// The name a macro's file gets, or none when its name cannot be one.
std::optional<std::string> usable_macro_name(const _ST_MACRO& macro) {
    const char* end = static_cast<const char*>(std::memchr(macro.szName, 0, sizeof macro.szName));
    if (!end) return std::nullopt;
    std::string name(macro.szName, end);
    if (!is_safe_name(name)) return std::nullopt;
    return name;
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
        return result;
    }
    result.status = ExchangeStatus::Ok;
    return result;
}

std::optional<ExchangeContent> parse_exchange(const std::string& bytes) {
    if (bytes.size() < EXCHANGE_FILE_SIZE) return std::nullopt;
    auto cfg = std::make_unique<_ST_EXCHANGE>();
    std::memcpy(cfg.get(), bytes.data(), EXCHANGE_FILE_SIZE);

    ExchangeContent content;
    content.stKeyPro = cfg->stKeyPro;
    for (int slot = 0; slot < EXCHANGE_MACRO_SLOTS; ++slot) {
        _ST_MACRO& macro = cfg->stMacro[slot];
        if (macro.dwMagic == 0) continue;
        // A record without the macro magic would be written as a file that is never loaded.
        if (macro.dwMagic != MACRO_MAGIC) {
            LOG("ImportProfile: macro slot %d is not a macro", slot);
            continue;
        }
        std::optional<std::string> name = usable_macro_name(macro);
        if (!name) {
            LOG("ImportProfile: macro slot %d has no usable name", slot);
            continue;
        }
        macro.byBufferID = 0;
        content.macros.push_back({*name, macro});
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

    FileError err;
    std::optional<std::string> bytes = read_file_bytes(path, EXCHANGE_FILE_SIZE, &err);
    if (!bytes) {
        LOG("ImportProfile err=%d, %s", err.code, err.text.c_str());
        result.status = ExchangeStatus::ReadFailed;
        result.message = "import profile failed.";
        return result;
    }
    std::optional<ExchangeContent> content = parse_exchange(*bytes);
    if (!content) {
        LOG("ImportProfile: not a active profile");
        result.status = ExchangeStatus::TooShort;
        return result;
    }

    if (!content->macros.empty()) make_sure_folder_exist(get_macro_path());
    for (const ExchangeMacro& m : content->macros) {
        if (!write_macro_file(get_macro_path() + m.name + ".mcf", &m.record)) continue;
        add_new_macro_to_list(&m.record);
        ++result.macros;
    }
    if (result.macros > 0) {
        rebuild_macro_list(tree);
        result.listReloaded = true;
    }
    // A set with id 0 is an empty slot, not a table to take.
    if (content->stKeyPro.dwID != 0) {
        take_key_assignments(*set, content->stKeyPro);
        result.keysTaken = true;
    }
    result.status = ExchangeStatus::Ok;
    return result;
}

}  // namespace keyloom
