#include "model/stprofile.h"

#include <algorithm>


namespace keyloom {

std::unique_ptr<std::vector<ProNode>> lstProfile;

namespace {

_ST_PROFILE* pCurFile = nullptr;

}  // namespace

void init_profile_list() {
    pCurFile = nullptr;
    lstProfile = std::make_unique<std::vector<ProNode>>();
}

void clear_profile_list() {
    // The current pointer names a record of the list; it must not outlive it.
    pCurFile = nullptr;
    if (lstProfile) lstProfile->clear();
}

void destroy_profile_list() {
    clear_profile_list();
    lstProfile.reset();
}

_ST_PROFILE* add_new_profile_to_list(const _ST_PROFILE* profile) {
    if (!lstProfile || !profile) return nullptr;
    lstProfile->emplace_back(*profile);
    return lstProfile->back().get_node();
}

_ST_PROFILE* get_profile_by_id(uint32_t id) {
    if (!lstProfile) return nullptr;
    for (const ProNode& node : *lstProfile)
        if (node.get_node()->dwID == id) return node.get_node();
    return nullptr;
}

_ST_PROFILE* get_profile_by_index(int index) {
    if (index < 0 || index >= get_profile_count()) return nullptr;
    return (*lstProfile)[static_cast<size_t>(index)].get_node();
}

int get_index_by_profile(const _ST_PROFILE* profile) {
    if (!lstProfile || !profile) return -1;
    for (size_t i = 0; i < lstProfile->size(); ++i)
        if ((*lstProfile)[i].get_node() == profile) return static_cast<int>(i);
    return -1;
}

int get_profile_count() { return lstProfile ? static_cast<int>(lstProfile->size()) : 0; }

_ST_PROFILE* get_profile_by_name(const char* name) {
    if (!lstProfile || !name) return nullptr;
    for (const ProNode& node : *lstProfile)
        if (record_name_equals(node.get_node()->szName, PROFILE_NAME_SIZE, name)) return node.get_node();
    return nullptr;
}

int delete_profile(const _ST_PROFILE* profile) {
    int index = get_index_by_profile(profile);
    if (index < 0) return -1;
    if (pCurFile == profile) pCurFile = nullptr;
    lstProfile->erase(lstProfile->begin() + index);
    return 0;
}

void set_current_profile(_ST_PROFILE* profile) { pCurFile = profile; }

_ST_PROFILE* get_current_profile() { return pCurFile; }

_KEYINFO* GetKeyInfo(_ST_PROFILE* profile) { return profile ? profile->stKey[0] : nullptr; }

}  // namespace keyloom
