// Profiles: the 21660-byte profile record with its lighting block, and the
// ordered profile list of which one profile is current.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/keyinfo.h"
#include "model/record_list.h"

namespace keyloom {

struct _ST_KEYPRO;

constexpr uint32_t PROFILE_MAGIC = 0xFCFB8897;
constexpr int PROFILE_NAME_SIZE = 40;
constexpr int LED_MODE_SLOTS = 30;
constexpr int KEY_COLOR_GROUPS = 15;
constexpr int KNOB_DIRECTIONS = 2;
constexpr int KNOB_SETS = 8;
constexpr int LAYER_COUNT = 3;

struct _RGB_CFG {
    int32_t nSpeed;
    int32_t nLight;
    int32_t nReserved1;
    int32_t nReserved2;
    uint32_t dwColor[8];
};
static_assert(sizeof(_RGB_CFG) == 48);

struct _ST_ADV {
    int32_t nMode;
    int32_t nKeyColorGroup;
    _RGB_CFG stRgbCfg[LED_MODE_SLOTS];
    uint32_t dwKeyColor[KEY_COLOR_GROUPS][KEY_COUNT];
};
static_assert(sizeof(_ST_ADV) == 9008);
static_assert(offsetof(_ST_ADV, stRgbCfg) == 8);
static_assert(offsetof(_ST_ADV, dwKeyColor) == 1448);

struct _ST_PROFILE {
    uint32_t dwMagic;
    uint32_t dwID;
    uint32_t dwReserved;
    char szName[PROFILE_NAME_SIZE];
    uint32_t dwReserved2;
    _KEYINFO stKey[1][KEY_COUNT];
    _ST_ADV stAdv;
    _KEYINFO stKnod[KNOB_DIRECTIONS][KNOB_SETS];
    int32_t nKnodSet;
    int32_t nLayer;
    uint32_t dwKeyProID[LAYER_COUNT];
    _POINT ptPop;
    uint32_t dwReserved3[18];
};
static_assert(sizeof(_ST_PROFILE) == 21660);
static_assert(offsetof(_ST_PROFILE, dwID) == 4);
static_assert(offsetof(_ST_PROFILE, szName) == 12);
static_assert(offsetof(_ST_PROFILE, dwReserved2) == 52);
static_assert(offsetof(_ST_PROFILE, stKey) == 56);
static_assert(offsetof(_ST_PROFILE, stAdv) == 11144);
static_assert(offsetof(_ST_PROFILE, stKnod) == 20152);
static_assert(offsetof(_ST_PROFILE, nKnodSet) == 21560);
static_assert(offsetof(_ST_PROFILE, nLayer) == 21564);
static_assert(offsetof(_ST_PROFILE, dwKeyProID) == 21568);
static_assert(offsetof(_ST_PROFILE, ptPop) == 21580);
static_assert(offsetof(_ST_PROFILE, dwReserved3) == 21588);

using ProNode = RecordNode<_ST_PROFILE>;

// The profile list; none until init_profile_list creates it.
extern RecordList<_ST_PROFILE> lstProfile;

void init_profile_list();
void clear_profile_list();
void destroy_profile_list();
_ST_PROFILE* add_new_profile_to_list(const _ST_PROFILE* profile);
_ST_PROFILE* get_profile_by_id(uint32_t id);
_ST_PROFILE* get_profile_by_index(int index);  // null when out of range
int get_index_by_profile(const _ST_PROFILE* profile);
int get_profile_count();
_ST_PROFILE* get_profile_by_name(const char* name);
int delete_profile(const _ST_PROFILE* profile);  // -1 when not listed, else 0
void set_current_profile(_ST_PROFILE* profile);
_ST_PROFILE* get_current_profile();
// The key table the profile plays in its mode, or none.
_ST_KEYPRO* PlayedTable(const _ST_PROFILE& profile);
_KEYINFO* GetKeyInfo(_ST_PROFILE* profile);

}  // namespace keyloom
