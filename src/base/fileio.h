// Whole-file reads, atomic file replacement and numbered backups, shared by
// every stored file.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/reason.h"

namespace keyloom {

struct FileError {
    int code = 0;          // errno
    std::string text;      // strerror text, or what was wrong with the file (for the log)
    Reason reason;         // the same for the user (ErrnoReason, or the file's trouble)
};

// Reads at most maxBytes from the start of a regular file; none (and err set)
// when it cannot be read. A folder (EISDIR), FIFO, device or socket (EINVAL,
// "not a regular file") is refused without reading from it, so nothing ever
// waits on a FIFO or reads a device without end.
std::optional<std::string> read_file_bytes(const std::string& path, size_t maxBytes, FileError* err = nullptr);

// The same for a file that may hold at most maxBytes: a larger one is refused
// (EFBIG, "larger than <maxBytes> bytes") after reading one byte more.
std::optional<std::string> read_file_within(const std::string& path, size_t maxBytes, FileError* err = nullptr);

// Replaces a file atomically: writes a hidden temporary file in the same
// folder (".<name>.tmp-XXXXXX"), flushes it to disk and renames it over the
// path, so a crash leaves either the old file or the new one, never a mix.
bool write_file_atomic(const std::string& path, const void* data, size_t size, FileError* err = nullptr);

// The two halves of write_file_atomic, for saves that must replace several
// files or none: prepare writes and flushes the temporary file (none on
// failure, nothing left behind); commit closes it, renames it over its path
// and syncs the folder; discard removes it. Every failure is reported: one
// before the rename leaves the old file and no temporary file; a failed
// folder sync leaves the new file in place, not yet sure to survive a power
// loss.
struct PreparedFile {
    std::string path;
    std::string temp;
    int lockFd = -1;  // held until the commit, see remove_stale_temp_files

    PreparedFile() = default;
    PreparedFile(PreparedFile&& other) noexcept;
    PreparedFile& operator=(PreparedFile&& other) noexcept;
    PreparedFile(const PreparedFile&) = delete;
    PreparedFile& operator=(const PreparedFile&) = delete;
    ~PreparedFile();  // discards a file never committed
};
std::optional<PreparedFile> prepare_file_replace(const std::string& path, const void* data, size_t size,
                                                 FileError* err = nullptr);
// syncTheFolder false leaves the sync to a later commit into the same folder
// (or to sync_folder_of), so several files are renamed before one sync.
bool commit_file_replace(PreparedFile& file, FileError* err = nullptr, bool syncTheFolder = true);
bool sync_folder_of(const std::string& path, FileError* err = nullptr);
void discard_file_replace(PreparedFile& file);

// Moves a file or folder to `to` without ever replacing what is there: 0, or
// the errno (EEXIST when something is at `to`).
int move_without_replacing(const std::string& from, const std::string& to);

// Removes the temporary files an interrupted save left in a folder (and its
// subfolders when recursive). A temporary file still being written by a
// running save is locked and left alone. Gives the number removed.
int remove_stale_temp_files(const std::string& folder, bool recursive = false);

// How many numbered backups of one file are kept: "<file>.bak" first, then
// "<file>.bak.1", "<file>.bak.2", ...; the highest number is the newest.
constexpr int BACKUPS_KEPT = 5;

// Keeps a copy of the regular file at `path` as its next numbered backup
// before it is replaced, never replacing an existing backup, then removes
// the oldest backups beyond BACKUPS_KEPT.
// Logs what it did (the caller tells the user). The backup's path, or none
// when there was nothing to keep or it could not be kept (a copy whose folder
// could not be synced is left in place but does not count as kept).
std::optional<std::string> keep_backup(const std::string& path, const char* reason);
// The same for bytes in memory that stand for the file (the list about to be
// changed), under the same numbering.
std::optional<std::string> keep_backup_bytes(const std::string& path, std::string_view bytes, const char* reason);

}  // namespace keyloom
