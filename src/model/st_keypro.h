// Key-property sets: named tables of 126 key assignments, each belonging to
// one layer, kept in one list and stored in "keypro.dct".
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/image_digest.h"
#include "base/reason.h"
#include "model/keyinfo.h"
#include "model/record_list.h"

namespace keyloom {

constexpr int KEYPRO_NAME_SIZE = 40;
// The file holds 50 sets, and so does the list: a 51st is refused when it
// is added, never dropped when the list is saved.
constexpr int KEYPRO_FILE_SLOTS = 50;

struct _ST_KEYPRO {
    int32_t dwID;
    int32_t nLayer;
    char szName[KEYPRO_NAME_SIZE];
    _KEYINFO stKey[KEY_COUNT];
};
static_assert(sizeof(_ST_KEYPRO) == 11136);
static_assert(offsetof(_ST_KEYPRO, nLayer) == 4);
static_assert(offsetof(_ST_KEYPRO, szName) == 8);
static_assert(offsetof(_ST_KEYPRO, stKey) == 48);

constexpr size_t KEYPRO_FILE_SIZE = KEYPRO_FILE_SLOTS * sizeof(_ST_KEYPRO);
static_assert(KEYPRO_FILE_SIZE == 556800);

using KeyProNode = RecordNode<_ST_KEYPRO>;

// The model's default key table, filled once by the configuration at start;
// a new or reset key table starts as a copy of it.
extern _KEYINFO g_defKEY[KEY_COUNT];

// The key-property list, all layers mixed, at most KEYPRO_FILE_SLOTS sets;
// none until init_keypro_list creates it.
extern RecordList<_ST_KEYPRO> lstKeyPro;

void init_keypro_list();
void clear_keypro_list();
void destroy_keypro_list();
int get_keypro_count();
void new_keypro(const char* name, _ST_KEYPRO* dst);
// The set's name: its bytes up to the first NUL, at most the whole field.
std::string keypro_name(const _ST_KEYPRO& set);
void ResetKeyPro(_ST_KEYPRO* keypro);
// A copy of the set appended to the list; none without a list or when the
// list is full.
_ST_KEYPRO* add_new_keypro_to_list(const _ST_KEYPRO* keypro);
// Whether the list holds as many sets as the file can (adding is refused).
bool keypro_list_full();
_ST_KEYPRO* get_keypro_by_id(uint32_t id);
// The index-th set of a layer in list order; layer -1 counts every set.
_ST_KEYPRO* get_keypro_by_index(int index, int layer);
// The first set of a layer with this name; none when the layer has none.
_ST_KEYPRO* get_keypro_by_name(int layer, const std::string& name);
void delete_keypro_by_id(uint32_t id);

// "keypro.dct" in the data directory.
std::string get_keypro_file_path();
void load_all_keypro();
// Loads the sound sets of a "keypro.dct" image into the list (an image with
// none leaves the list as it was). Gives why the image is unusable as it
// stands, or nothing.
Reason load_keypro_image(const std::string& bytes);
void save_all_keypro();
// Keeps the list as it is now as the next numbered backup of "keypro.dct"
// (before an import changes a set). The backup's path, or none.
std::optional<std::string> backup_keypro_list(const char* reason);

// The contents of a "keypro.dct" image, in slot order. A file that cannot be
// used as it stands says why in `unusable`; `sets` then holds its sound sets only.
struct KeyProFileImage {
    std::vector<_ST_KEYPRO> sets;
    Reason unusable;
};
KeyProFileImage parse_keypro_file(std::string_view bytes);
// The 556800-byte file image of the list: its first 50 sets, the other slots zero.
std::string build_keypro_file();
// The same image written into `image`, whose storage is reused when it has room.
void build_keypro_file(std::string& image);
// The same image as pieces in file order (a digest needs no copy of it).
void write_keypro_image(const ImagePieces& put);

}  // namespace keyloom
