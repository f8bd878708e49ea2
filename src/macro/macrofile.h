// Single macro files: exactly the 1484 bytes of one _ST_MACRO record.
#pragma once
#include <cstddef>
#include <string>

#include "macro/stmacro.h"

namespace keyloom {

constexpr size_t MACRO_FILE_SIZE = sizeof(_ST_MACRO);

// Replaces the file atomically with the record's bytes. False for a null
// macro or a write error (logged "write macro err=%d, %s").
bool write_macro_file(const std::string& path, const _ST_MACRO* macro);

// Reads a macro file. False on a read error (logged "read macro err=%d, %s")
// and for fewer than 1484 bytes, both leaving dst untouched; otherwise the
// first 1484 bytes are copied into dst and the result tells whether the magic
// is right. Bytes beyond the record are ignored.
bool read_macro_file(const std::string& path, _ST_MACRO* dst);

// The same rule on bytes already in memory (import, fuzzing).
bool macro_from_bytes(const void* data, size_t size, _ST_MACRO* dst);

}  // namespace keyloom
