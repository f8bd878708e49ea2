#include "control/key_map.h"

#include <algorithm>

#include "config/gvar.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"

namespace keyloom {

namespace {

bool validGroup(int group) {
    return group >= 0 && group < KEY_COLOR_GROUPS;
}

}  // namespace

int KeyMapKeys() {
    return std::min<int>(gVar.nKeyCount, KEY_COUNT);
}

bool KeyReassigned(const _ST_KEYPRO& set, int key) {
    return !IS_DEFAULT_KEY(set.stKey[key], g_defKEY[key]);
}

const uint32_t* ShownKeyColours(const _ST_ADV& lighting) {
    const int group = lighting.nKeyColorGroup;
    if (IsLedGameMode(lighting.nMode) && validGroup(group)) return lighting.dwKeyColor[group];
    return nullptr;
}

void PaintKey(_ST_ADV& lighting, int key, uint32_t colour) {
    if (validGroup(lighting.nKeyColorGroup) && key >= 0 && key < KEY_COUNT)
        lighting.dwKeyColor[lighting.nKeyColorGroup][key] = colour;
}

}  // namespace keyloom
