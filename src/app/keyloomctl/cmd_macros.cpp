// keyloomctl macros, macro-export and macro-import: the macro tree below the macro folder.
#include "ctl.h"
#include "macro/macrotree.h"
#include "report/reports.h"

namespace keyloom::ctl {

int cmd_macros(const Options& opt) {
    if (!load_program(opt)) return 1;
    MacroTree tree;
    tree.loadMacroToList();
    return print(report::Macros(tree));
}

int cmd_macro_export(const Options& opt, const std::string& name, const std::string& file) {
    if (!load_program(opt)) return 1;
    MacroTree tree;
    tree.loadMacroToList();
    return print(report::ExportMacro(tree, name, file));
}

int cmd_macro_import(const Options& opt, const std::string& file, const std::string& folder) {
    if (!load_program(opt)) return 1;
    MacroTree tree;
    tree.loadMacroToList();
    return print(report::ImportMacro(tree, file, folder));
}

}  // namespace keyloom::ctl
