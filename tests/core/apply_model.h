// A small, fully known model for the apply tests: lighting modes, a default
// key table, three key-property sets (one per layer), six macros and one
// current profile. Installed into the globals and taken out again.
#pragma once
#include <cstring>

#include "config/gvar.h"
#include "macro/stmacro.h"
#include "model/hwparam.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"

namespace keyloom::test {

constexpr uint32_t kProfileId = 0x1000;
constexpr uint32_t kPlainSet = 0x2001;  // M1: no macros
constexpr uint32_t kMacroSet = 0x2002;  // M2: macro 0x3001 on keys 2 and 3, 0x3002 on key 4
constexpr uint32_t kSixSet = 0x2003;    // M3: macros 0x3001..0x3006 on keys 0..5
constexpr uint32_t kFirstMacro = 0x3001;
constexpr int kGameMode = 5;
constexpr int kEmptyDefaultKey = 7;  // the one key the default table lacks

// Key i sits at matrix position 125 - i, in the default table and in every set.
inline uint32_t MatrixOf(int key) { return static_cast<uint32_t>(KEY_COUNT - 1 - key); }

inline _KEYINFO PlainKey(uint32_t funId, int key) {
    _KEYINFO k{};
    k.dwFunID = funId;
    k.dwMatrixIdx = MatrixOf(key);
    k.stCombo = {0, VK_NONE, VK_NONE, 0};
    return k;
}

inline _KEYINFO LoneShift(int key) {
    _KEYINFO k = PlainKey(MAKE_FUNID(FUN_KEY, 0), key);
    k.stCombo.ModifyKey = MOD_LSHIFT;
    return k;
}

inline _KEYINFO MacroKey(uint32_t macroId, int key) {
    _KEYINFO k = PlainKey(MAKE_FUNID(FUN_MACRO, 0), key);
    k.dwMacroID = macroId;
    return k;
}

// `events` presses and releases of letter keys, 30 ms apart; played 3 times.
inline _ST_MACRO MakeMacro(uint32_t id, int events) {
    _ST_MACRO m{};
    m.dwMagic = MACRO_MAGIC;
    m.dwID = id;
    m.nLoopMode = 0;
    m.stData.wRepeat = 3;
    std::snprintf(m.szName, sizeof m.szName, "m%x", id);
    for (int e = 0; e < events && e < MACRO_ITEM_COUNT; ++e)
        m.stData.stItem[e] = {static_cast<uint16_t>(e / 2 % 20), static_cast<uint16_t>(e % 2 == 0), 30};
    return m;
}

inline _ST_KEYPRO MakeSet(uint32_t id, int layer) {
    _ST_KEYPRO set{};
    set.dwID = static_cast<int32_t>(id);
    set.nLayer = layer;
    std::snprintf(set.szName, sizeof set.szName, "set%d", layer + 1);
    return set;
}

class ApplyModel {
public:
    void install() {
        savedGvar_ = gVar;
        std::memcpy(savedDefaults_, g_defKEY, sizeof savedDefaults_);
        InitKey();
        for (int m = 0; m < LED_OPT_COUNT; ++m) gVar.LedOpt[m].nHwMode = 0x10 + m;
        gVar.GaoshouIndex = kGameMode;
        gVar.SrIndex = 255;
        for (int i = 0; i < KEY_COUNT; ++i) g_defKEY[i] = LoneShift(i);
        g_defKEY[kEmptyDefaultKey] = _KEYINFO{};

        init_macro_list();
        init_keypro_list();
        init_profile_list();
        const int events[6] = {4, 4, 10, 10, 10, 70};
        for (int i = 0; i < 6; ++i) add_new_macro_to_list(&(macros[i] = MakeMacro(kFirstMacro + i, events[i])));
        addSets();
        addProfile();
    }
    void remove() {
        destroy_profile_list();
        destroy_keypro_list();
        destroy_macro_list();
        gVar = savedGvar_;
        std::memcpy(g_defKEY, savedDefaults_, sizeof savedDefaults_);
    }
    _ST_PROFILE& profile() { return *get_current_profile(); }

    _ST_MACRO macros[6];

private:
    void addSets() {
        _ST_KEYPRO plain = MakeSet(kPlainSet, 0);
        plain.stKey[0] = LoneShift(0);
        plain.stKey[1] = PlainKey(MAKE_FUNID(FUN_MOUSE, 17), 1);
        add_new_keypro_to_list(&plain);

        _ST_KEYPRO withMacros = MakeSet(kMacroSet, 1);
        withMacros.stKey[0] = LoneShift(0);
        withMacros.stKey[2] = MacroKey(kFirstMacro, 2);
        withMacros.stKey[3] = MacroKey(kFirstMacro, 3);
        withMacros.stKey[4] = MacroKey(kFirstMacro + 1, 4);
        add_new_keypro_to_list(&withMacros);

        _ST_KEYPRO six = MakeSet(kSixSet, 2);
        for (int i = 0; i < 6; ++i) six.stKey[i] = MacroKey(kFirstMacro + i, i);
        add_new_keypro_to_list(&six);
    }
    void addProfile() {
        _ST_PROFILE p{};
        p.dwMagic = PROFILE_MAGIC;
        p.dwID = kProfileId;
        p.nLayer = 1;
        p.dwKeyProID[0] = kPlainSet;
        p.dwKeyProID[1] = kMacroSet;
        p.dwKeyProID[2] = kSixSet;
        p.stAdv.nMode = kGameMode;
        p.stAdv.stRgbCfg[kGameMode] = {2, 7, 0, 0, {}};
        p.stAdv.stRgbCfg[3] = {1, 3, 0, 0, {}};
        p.stAdv.nKeyColorGroup = 2;
        p.stAdv.dwKeyColor[2][0] = 0x0000FF;
        p.stAdv.dwKeyColor[2][kEmptyDefaultKey] = 0x00FF00;  // no key there: stays dark
        p.stAdv.dwKeyColor[2][10] = 0x123456;
        p.stAdv.dwKeyColor[1][11] = 0xFFFFFF;  // another table: not sent
        p.nKnodSet = 3;
        p.stKnod[0][0] = PlainKey(MAKE_FUNID(FUN_MEDIA, 34), 0);  // 0xCD000001
        p.stKnod[0][1] = PlainKey(MAKE_FUNID(FUN_MOUSE, 22), 0);  // double click: no code, sent as 0
        p.stKnod[1][7] = PlainKey(MAKE_FUNID(FUN_MOUSE, 17), 0);  // 0x0000F003
        set_current_profile(add_new_profile_to_list(&p));
    }

    _GVAR savedGvar_{};
    _KEYINFO savedDefaults_[KEY_COUNT]{};
};

}  // namespace keyloom::test
