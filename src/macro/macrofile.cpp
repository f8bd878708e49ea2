// Reading and writing single macro files.
#include "macro/macrofile.h"

#include <cstring>

#include "base/debug.h"
#include "base/fileio.h"

namespace keyloom {

bool write_macro_file(const std::string& path, const _ST_MACRO* macro) {
    if (!macro) return false;
    FileError err;
    if (!write_file_atomic(path, macro, MACRO_FILE_SIZE, &err)) {
        LOG("write macro err=%d, %s", err.code, err.text.c_str());
        return false;
    }
    return true;
}

bool macro_from_bytes(const void* data, size_t size, _ST_MACRO* dst) {
    if (!data || !dst || size < MACRO_FILE_SIZE) return false;
    std::memcpy(dst, data, MACRO_FILE_SIZE);
    return dst->dwMagic == MACRO_MAGIC;
}

bool read_macro_file(const std::string& path, _ST_MACRO* dst) {
    if (!dst) return false;
    FileError err;
    std::optional<std::string> bytes = read_file_bytes(path, MACRO_FILE_SIZE, &err);
    if (!bytes) {
        LOG("read macro err=%d, %s", err.code, err.text.c_str());
        return false;
    }
    return macro_from_bytes(bytes->data(), bytes->size(), dst);
}

}  // namespace keyloom
