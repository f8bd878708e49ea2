// Single macro files: exactly the 1484 bytes of one _ST_MACRO record.
#pragma once
#include <cstddef>
#include <string>

#include "base/reason.h"
#include "macro/stmacro.h"

namespace keyloom {

constexpr size_t MACRO_FILE_SIZE = sizeof(_ST_MACRO);

// Replaces the file atomically with the record's bytes. False for a null
// macro or a write error (logged "write macro err=%d, %s"; `why` gets the
// error for the user).
bool write_macro_file(const std::string& path, const _ST_MACRO* macro, Reason* why = nullptr);

// Why a file cannot be used as a macro. A macro file is exactly the
// record's bytes with the macro magic: a longer one is no macro file either,
// as nobody can tell which of its bytes are the macro.
enum class MacroFileProblem { None, Unreadable, Empty, Short, Long, NotAMacro };

// Reads and judges a macro file. A read error is logged ("read macro
// err=%d, %s"). dst receives the record only when the file is one.
MacroFileProblem check_macro_file(const std::string& path, _ST_MACRO* dst);
// The language text key that tells the user the problem; null for None.
const char* macro_file_problem_text(MacroFileProblem problem);

// check_macro_file(...) == None.
bool read_macro_file(const std::string& path, _ST_MACRO* dst);

// The record rule on bytes already in memory (fuzzing): at least 1484 bytes,
// the first 1484 copied into dst; true when the magic is right.
bool macro_from_bytes(const void* data, size_t size, _ST_MACRO* dst);

}  // namespace keyloom
