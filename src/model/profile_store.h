// Stored profiles ("pro.dct" in the data directory) and the exchange file
// (".duk") that carries one key-property set together with the macros its
// keys call.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
// Writes the list (at most 20 profiles) and the current profile's id. False
// when the file could not be replaced (logged).
bool save_profile_to_file();

// Whether the bytes of a stored "pro.dct" are what this program writes: the
// full size, and every slot either all zero or a profile. A file that fails
// is kept aside before it is overwritten.
bool is_profile_file_sound(const std::string& bytes);
// Why the bytes of a stored "pro.dct" fail that test; empty when they pass.
std::string profile_file_damage(const std::string& bytes);

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
    BadExtension,  // export to another extension than "duk"
    WriteFailed,
    ReadFailed,
    TooShort,      // import of a file shorter than an exchange file
};

struct ExchangeResult {
    ExchangeStatus status = ExchangeStatus::NoKeyPro;
    std::string message;  // shown to the user with the title "Warning"; empty = show nothing
    std::string path;     // the file written or read
    int macros = 0;       // macros exported, or macro files written by an import
    bool keysTaken = false;    // import: the file's key table went into the set
    bool listReloaded = false; // import: the macro list was rebuilt from the macro directory
    bool ok() const { return status == ExchangeStatus::Ok; }
};

// Builds the exchange image of a set: the set, then the macros its keys call,
// in key-slot order, each once, at most 20.
_ST_EXCHANGE build_exchange(const _ST_KEYPRO& set);

// Exports a set with its macros to `path` (".duk" appended when the name has
// no extension; any other extension than "duk" is refused), replacing the
// file atomically.
ExchangeResult ExportKeyPro(const _ST_KEYPRO* set, const std::string& path);

// Imports an exchange file: each macro with a usable name is written to the
// macro directory and listed; when any macro was written the macro list is
// rebuilt from the macro directory (through `tree` when given); then the
// file's key assignments go into `set` (take_key_assignments) when the file's
// set has a non-zero id.
ExchangeResult ImportKeyPro(_ST_KEYPRO* set, const std::string& path, MacroTree* tree = nullptr);

// A macro of an exchange file that may be imported, with the name its file gets.
struct ExchangeMacro {
    std::string name;
    _ST_MACRO record;  // byBufferID already 0
};

// What an exchange file offers: its set and the macros that carry the macro
// magic and whose names are valid UTF-8, non-empty, end within their 80 bytes
// and are usable as a file name (is_active_name), in slot order. None for fewer than 40816 bytes; longer
// input is read up to its first 40816 bytes.
struct ExchangeContent {
    _ST_KEYPRO stKeyPro;
    std::vector<ExchangeMacro> macros;
};
std::optional<ExchangeContent> parse_exchange(const std::string& bytes);

// Puts the assignments of `from` (function, macro, combination, device code)
// into `to` for every slot where this keyboard has a key, except keys calling
// a macro that is not in the macro list; the slots' picture rectangles and
// matrix positions, and the set's id, layer and name, stay.
void take_key_assignments(_ST_KEYPRO& to, const _ST_KEYPRO& from);

}  // namespace keyloom
