// Stored profiles ("pro.dct" in the data directory) and the exchange file
// (".duk") that carries one key-property set together with the macros its
// keys call.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/image_digest.h"
#include "base/reason.h"
#include "macro/stmacro.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"

namespace keyloom {

class MacroTree;

// "pro.dct": the current profile's id, a zero word, then 20 profile slots.
constexpr int PROFILE_FILE_SLOTS = 20;
constexpr size_t PROFILE_FILE_HEADER = 8;
constexpr size_t PROFILE_FILE_SIZE = PROFILE_FILE_HEADER + PROFILE_FILE_SLOTS * sizeof(_ST_PROFILE);
static_assert(PROFILE_FILE_SIZE == 433208);

// The exchange file: one key-property set, then 20 macro slots (all zero when unused).
constexpr int EXCHANGE_MACRO_SLOTS = 20;
struct _ST_EXCHANGE {
    _ST_KEYPRO stKeyPro;
    _ST_MACRO stMacro[EXCHANGE_MACRO_SLOTS];
};
static_assert(sizeof(_ST_EXCHANGE) == 40816);
static_assert(offsetof(_ST_EXCHANGE, stMacro) == 11136);
constexpr size_t EXCHANGE_FILE_SIZE = sizeof(_ST_EXCHANGE);

// "<data dir>pro.dct".
std::string get_profile_file_path();

// Reads "pro.dct" into the profile list and makes the profile with the stored
// id current. Gives the number of profiles loaded; an unreadable file leaves
// the list as it was.
int load_profile_from_file();
// The same for the bytes of a "pro.dct" already read (at most one byte more
// than a whole file; bytes past a whole file are not looked at).
int load_profile_image(const std::string& bytes);
// The file image of the list: the current profile's id (0 for none), the
// zero word, and the first 20 profiles in list order; unused slots all zero.
std::string build_profile_file();
// The same image written into `image`, whose storage is reused when it has room.
void build_profile_file(std::string& image);
// The same image as pieces in file order (a digest needs no copy of it).
void write_profile_image(const ImagePieces& put);
// Writes the list (at most 20 profiles) and the current profile's id. False
// when the file could not be replaced (logged).
bool save_profile_to_file();

// Whether the bytes of a stored "pro.dct" are what this program writes: the
// full size, and every slot either all zero or a profile. A file that fails
// is kept aside before it is overwritten.
bool is_profile_file_sound(const std::string& bytes);
// Why the bytes of a stored "pro.dct" fail that test; empty when they pass.
Reason profile_file_damage(const std::string& bytes);

// Whether a "pro.dct" slot holds a profile: the magic and a non-zero id.
bool is_profile_slot(const _ST_PROFILE& record);

// Replaces the profile list with the profiles in the bytes of a "pro.dct" and
// makes the one with the stored id current (none current when no profile has
// it). Gives the number loaded; 4 bytes or fewer change nothing.
int load_profiles_from_bytes(const std::string& bytes);

// The macro in an exchange buffer whose id is `id`, searching all 20 slots
// (unused, all-zero slots never match); null for none.
const _ST_MACRO* get_macro_by_id_from_cfg(const _ST_EXCHANGE& cfg, uint32_t id);

enum class ExchangeStatus {
    Ok,
    NoKeyPro,      // no key-property set to export from or import into
    NoFileName,    // the path names no file
    BadExtension,  // another extension than "duk"
    WriteFailed,
    ReadFailed,
    NotExchange,   // import of a file that is not an exchange file
    BackupFailed,  // import: the key-property list could not be backed up first
};

// What an import did with one macro of the file.
enum class MacroImport {
    Written,  // written under its own name
    Renamed,  // its name was taken by another macro: written under a free name
    Reused,   // a macro file of that name with the same events was there already
    Skipped,  // not imported; `reason` says why
};
struct ImportedMacro {
    int slot = 0;
    std::string name;     // the name in the file (valid UTF-8 only)
    std::string file;     // the macro's name in the macro folder, without ".mcf"
    MacroImport action = MacroImport::Skipped;
    std::string reason;   // for Skipped
    uint32_t id = 0;      // the id the imported keys now use
};

struct ExchangeResult {
    ExchangeStatus status = ExchangeStatus::NoKeyPro;
    Reason reason;        // what the window tells the user; empty = tell nothing
    std::string message;  // the same in the log's words (English, with the system's error text)
    std::string path;     // the file written or read
    int macros = 0;       // macros exported, or macro files written by an import
    bool keysTaken = false;    // import: the file's key table went into the set
    bool listReloaded = false; // import: the macro list was rebuilt from the macro directory
    std::string backup;        // import: the backup of the key-property list made first
    std::vector<ImportedMacro> macroReport;  // import: one entry per used macro slot
    bool ok() const { return status == ExchangeStatus::Ok; }
};

// Builds the exchange image of a set: the set, then the macros its keys call,
// in key-slot order, each once, at most 20.
_ST_EXCHANGE build_exchange(const _ST_KEYPRO& set);

// Exports a set with its macros to `path` (".duk" appended when the name has
// no extension; any other extension than "duk" is refused), replacing the
// file atomically.
ExchangeResult ExportKeyPro(const _ST_KEYPRO* set, const std::string& path);

// Imports an exchange file into `set` (the same extension rule as export).
// The file is checked whole before anything changes; then the key-property
// list is backed up, each macro is written to the macro folder (under a free
// name when its name is taken by a different macro, reused when the same
// macro is there), the macro list is rebuilt (through `tree` when given),
// and the file's key assignments go into `set`, pointing at the macros as
// they were written.
ExchangeResult ImportKeyPro(_ST_KEYPRO* set, const std::string& path, MacroTree* tree = nullptr);

// A macro of an exchange file that may be imported, with the name its file gets.
struct ExchangeMacro {
    int slot = 0;
    std::string name;  // cut to the record's 39 bytes
    _ST_MACRO record;  // byBufferID already 0
};

// What an exchange file offers: its set, the macros whose names can be file
// names (in slot order), and the used slots that cannot be imported.
struct ExchangeContent {
    _ST_KEYPRO stKeyPro;
    std::vector<ExchangeMacro> macros;
    std::vector<ImportedMacro> skipped;
};
// None, with the reason in `refusal`, when the bytes
// are not an exchange file: fewer than 40816 bytes, no set (id 0), a layer
// outside 0..2, a name that is not NUL-terminated UTF-8, a key whose function
// class is not one of 0..9, or a macro slot that is neither all zero nor a
// macro record. Longer input is read up to its first 40816 bytes.
std::optional<ExchangeContent> parse_exchange(const std::string& bytes, Reason* refusal = nullptr);

// Puts the assignments of `from` (function, macro, combination, device code)
// into `to` for every slot where this keyboard has a key, except keys calling
// a macro that is not in the macro list; the slots' picture rectangles and
// matrix positions, and the set's id, layer and name, stay.
void take_key_assignments(_ST_KEYPRO& to, const _ST_KEYPRO& from);

}  // namespace keyloom
