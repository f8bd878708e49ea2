// Key-property sets: named tables of 126 key assignments, each belonging to
// one layer, kept in one list and stored in "keypro.dct".
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/keyinfo.h"
#include "model/record_list.h"

namespace keyloom {

constexpr int KEYPRO_NAME_SIZE = 40;
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

// The key-property list, all layers mixed; null until init_keypro_list creates it.
extern std::unique_ptr<std::vector<KeyProNode>> lstKeyPro;

void init_keypro_list();
void clear_keypro_list();
void destroy_keypro_list();
int get_keypro_count();
void new_keypro(const char* name, _ST_KEYPRO* dst);
void ResetKeyPro(_ST_KEYPRO* keypro);
_ST_KEYPRO* add_new_keypro_to_list(const _ST_KEYPRO* keypro);
_ST_KEYPRO* get_keypro_by_id(uint32_t id);
// The index-th set of a layer in list order; layer -1 counts every set.
_ST_KEYPRO* get_keypro_by_index(int index, int layer);
void delete_keypro_by_id(uint32_t id);

// "keypro.dct" in the data directory.
void load_all_keypro();
void save_all_keypro();

}  // namespace keyloom
