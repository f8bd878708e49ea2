// Reading and writing single macro files.
#include "macro/macrofile.h"

#include <cerrno>
#include <cstring>

#include "base/debug.h"
#include "base/fileio.h"

namespace keyloom {

bool write_macro_file(const std::string& path, const _ST_MACRO* macro, Reason* why) {
    if (!macro) return false;
    FileError err;
    if (!write_file_atomic(path, macro, MACRO_FILE_SIZE, &err)) {
        LOG("write macro err=%d, %s", err.code, err.text.c_str());
        if (why) *why = err.reason;
        return false;
    }
    return true;
}

bool macro_from_bytes(const void* data, size_t size, _ST_MACRO* dst) {
    if (!data || !dst || size < MACRO_FILE_SIZE) return false;
    std::memcpy(dst, data, MACRO_FILE_SIZE);
    return dst->dwMagic == MACRO_MAGIC;
}

MacroFileProblem check_macro_file(const std::string& path, _ST_MACRO* dst) {
    FileError err;
    std::optional<std::string> bytes = read_file_within(path, MACRO_FILE_SIZE, &err);
    if (!bytes) {
        if (err.code == EFBIG) return MacroFileProblem::Long;
        LOG("read macro err=%d, %s", err.code, err.text.c_str());
        return MacroFileProblem::Unreadable;
    }
    if (bytes->empty()) return MacroFileProblem::Empty;
    if (bytes->size() < MACRO_FILE_SIZE) return MacroFileProblem::Short;
    _ST_MACRO record;
    if (!macro_from_bytes(bytes->data(), bytes->size(), &record)) return MacroFileProblem::NotAMacro;
    if (dst) *dst = record;
    return MacroFileProblem::None;
}

const char* macro_file_problem_text(MacroFileProblem problem) {
    switch (problem) {
        case MacroFileProblem::None: return nullptr;
        case MacroFileProblem::Unreadable: return "tc_macro_file_unreadable";
        case MacroFileProblem::Empty: return "tc_macro_file_empty";
        case MacroFileProblem::Short: return "tc_macro_file_short";
        case MacroFileProblem::Long: return "tc_macro_file_long";
        case MacroFileProblem::NotAMacro: return "tc_macro_file_garbage";
    }
    return nullptr;
}

bool read_macro_file(const std::string& path, _ST_MACRO* dst) {
    if (!dst) return false;
    return check_macro_file(path, dst) == MacroFileProblem::None;
}

}  // namespace keyloom
