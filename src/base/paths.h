// Where files live: the shipped work directory (configuration, texts, key
// pictures), its skins folder, and the user's data and macro directories.
// Directory paths end with "/".
#pragma once
#include <optional>
#include <string>

namespace keyloom {

std::string get_work_dir();
std::string get_skins_dir();
std::string get_data_path();
// The usual data directory, $XDG_DATA_HOME/keyloom/ (or ~/.local/share/keyloom/).
std::string default_data_path();
// Whether the data directory is the usual one ($XDG_DATA_HOME/keyloom/),
// not one chosen by --data-dir or KEYLOOM_DATA_DIR.
bool is_default_data_path();
std::string get_macro_path();

// Overrides for --work-dir / --data-dir; an empty text returns to the lookup
// (KEYLOOM_WORK_DIR / KEYLOOM_DATA_DIR, then the defaults).
void set_work_dir(const std::string& dir);
void set_data_dir(const std::string& dir);

std::optional<std::string> get_file_ext(const std::string& path);
std::optional<std::string> get_file_name(const std::string& path);
std::optional<std::string> get_folder_name(const std::string& path);
std::optional<std::string> get_file_name_only(const std::string& path);

bool make_sure_folder_exist(const std::string& path);
bool is_active_name(const std::string& name);
// Why a name may not become part of a path, as the key of the text that
// says so: "tc_macro_name_blank" (empty or only spaces),
// "tc_macro_name_control" (NUL, line breaks, escape and other control
// characters), "tc_macro_badname" (not valid UTF-8, or refused by
// is_active_name, so never "..", "/" or an extension). Null for a usable name.
const char* name_refusal(const std::string& name);

// What is wrong with a name the user typed for a macro, a folder or a key
// table; the window says it in its language.
enum class NameCheck {
    Ok,
    Blank,             // empty or only spaces
    ControlCharacter,  // NUL, line breaks, escape and other control characters
    BadCharacter,      // not valid UTF-8, or a character a file name cannot hold here
    TooLong,           // more bytes than the record stores
    Taken,             // another item where it must be unique has it
};
// The checks of name_refusal, and then the length: at most maxBytes UTF-8
// bytes (0: any length).
NameCheck check_name(const std::string& name, size_t maxBytes);
// The text key that says what is wrong ("tc_name_too_long" takes the byte
// limit, "tc_name_taken" the name); null for Ok.
const char* name_check_text_key(NameCheck check);
bool is_safe_name(const std::string& name);

}  // namespace keyloom
