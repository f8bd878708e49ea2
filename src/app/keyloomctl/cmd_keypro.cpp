// keyloomctl export-keypro and import-keypro: exchange files (".duk").
#include <cerrno>
#include <cstdlib>

#include "ctl.h"
#include "macro/macrotree.h"
#include "report/reports.h"
#include "store/profile_store.h"
#include "store/startup_data.h"

namespace keyloom::ctl {

std::optional<uint32_t> parse_id(const std::string& text) {
    if (text.empty() || text[0] == '-') return std::nullopt;
    errno = 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(value);
}

int cmd_export_keypro(const Options& opt, uint32_t id, const std::string& file) {
    if (!load_program(opt)) return 1;
    // Read only: nothing in the data folder is written.
    LoadStoredData(nullptr, StoredDataMode::ReadOnly);
    MacroTree tree;
    tree.loadMacroToList();
    return print(report::ExportKeyTable(id, file));
}

int cmd_import_keypro(const Options& opt, const std::string& file) {
    if (!load_program(opt)) return 1;
    PrepareStoredData();
    MacroTree tree;
    tree.loadMacroToList();
    const report::Outcome outcome = report::ImportKeyTable(file, tree);
    if (outcome.ok() && !SaveStoredData()) return 1;  // the alert said why
    return print(outcome);
}

}  // namespace keyloom::ctl
