#include "model/stprofile.h"

#include "model/st_keypro.h"

namespace keyloom {

RecordList<_ST_PROFILE> lstProfile;

namespace {

_ST_PROFILE* pCurFile = nullptr;

}  // namespace

void init_profile_list() {
    pCurFile = nullptr;
    lstProfile.create();
}

void clear_profile_list() {
    // The current pointer names a record of the list; it must not outlive it.
    pCurFile = nullptr;
    lstProfile.clear();
}

void destroy_profile_list() {
    clear_profile_list();
    lstProfile.destroy();
}

_ST_PROFILE* add_new_profile_to_list(const _ST_PROFILE* profile) {
    return profile ? lstProfile.add(*profile) : nullptr;
}

_ST_PROFILE* get_profile_by_id(uint32_t id) { return lstProfile.find_by_id(id); }

_ST_PROFILE* get_profile_by_index(int index) { return lstProfile.at(index); }

int get_index_by_profile(const _ST_PROFILE* profile) { return lstProfile.index_of(profile); }

int get_profile_count() { return lstProfile.count(); }

_ST_PROFILE* get_profile_by_name(const char* name) { return lstProfile.find_by_name(name); }

int delete_profile(const _ST_PROFILE* profile) {
    const bool current = profile == pCurFile;
    if (!lstProfile.remove(profile)) return -1;
    if (current) pCurFile = nullptr;
    return 0;
}

void set_current_profile(_ST_PROFILE* profile) { pCurFile = profile; }

_ST_PROFILE* get_current_profile() { return pCurFile; }

_KEYINFO* GetKeyInfo(_ST_PROFILE* profile) { return profile ? profile->stKey[0] : nullptr; }

_ST_KEYPRO* PlayedTable(const _ST_PROFILE& profile) {
    if (profile.nLayer < 0 || profile.nLayer >= LAYER_COUNT) return nullptr;
    return get_keypro_by_id(profile.dwKeyProID[profile.nLayer]);
}

}  // namespace keyloom
