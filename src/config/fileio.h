// Whole-file reads and atomic file replacement, shared by every stored file.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

namespace keyloom {

struct FileError {
    int code = 0;          // errno
    std::string text;      // strerror text
};

// Reads at most maxBytes from the start of a file; none (and err set) when it cannot be read.
std::optional<std::string> read_file_bytes(const std::string& path, size_t maxBytes, FileError* err = nullptr);

// Replaces a file atomically: writes a temporary file in the same folder,
// flushes it to disk and renames it over the path, so a crash leaves either
// the old file or the new one, never a mix.
bool write_file_atomic(const std::string& path, const void* data, size_t size, FileError* err = nullptr);

// Keeps a stored file that exists but cannot be used as "<path>.bak" before it
// is overwritten, and logs that it did. False when there was nothing to keep or
// the copy failed.
bool keep_unusable_file(const std::string& path, const char* reason);

}  // namespace keyloom
