#include "control/key_tables.h"

#include <cstring>

#include "base/utf8.h"
#include "control/key_map.h"
#include "model/keypro_name.h"
#include "model/stprofile.h"

namespace keyloom {

namespace {

bool validMode(int mode) {
    return mode >= 0 && mode < LAYER_COUNT;
}

Reason tablesFull() {
    return MakeReason("tc_keypro_full", {std::to_string(KEYPRO_FILE_SLOTS)});
}

}  // namespace

_ST_KEYPRO* KeyTableController::shown() const {
    return get_keypro_by_id(shownId_);
}

bool KeyTableController::showProfile(const _ST_PROFILE& profile) {
    if (!validMode(profile.nLayer)) return false;
    mode_ = profile.nLayer;
    if (const _ST_KEYPRO* set = PlayedTable(profile)) shownId_ = uint32_t(set->dwID);
    return true;
}

bool KeyTableController::selectMode(int mode) {
    mode_ = mode;
    _ST_PROFILE* profile = get_current_profile();
    if (!profile) return false;
    profile->nLayer = mode;
    return true;
}

std::vector<const _ST_KEYPRO*> KeyTableController::tablesOfMode() const {
    std::vector<const _ST_KEYPRO*> tables;
    if (mode_ < 0) return tables;
    for (int i = 0; const _ST_KEYPRO* set = get_keypro_by_index(i, mode_); ++i) tables.push_back(set);
    return tables;
}

bool KeyTableController::choose(uint32_t id) {
    const _ST_KEYPRO* set = get_keypro_by_id(id);
    if (!set) return false;
    shownId_ = id;
    if (_ST_PROFILE* profile = get_current_profile()) keepShownIn(*profile);
    return true;
}

bool KeyTableController::chooseFor(int mode, uint32_t id) {
    const _ST_KEYPRO* set = get_keypro_by_id(id);
    _ST_PROFILE* profile = get_current_profile();
    if (!set || !profile || !validMode(mode) || set->nLayer != mode) return false;
    if (mode == mode_) return choose(id);
    profile->dwKeyProID[mode] = id;
    return true;
}

void KeyTableController::keepShownIn(_ST_PROFILE& profile) const {
    if (validMode(profile.nLayer)) profile.dwKeyProID[profile.nLayer] = shownId_;
}

Reason KeyTableController::refuseNew() const {
    return keypro_list_full() ? tablesFull() : Reason{};
}

NameCheck KeyTableController::checkName(const std::string& name, bool renaming) const {
    const _ST_KEYPRO* renamed = renaming ? shown() : nullptr;
    return check_keypro_name(name, renamed ? renamed->nLayer : mode_, renamed);
}

Reason KeyTableController::add(const std::string& name) {
    const std::string stored = CutUtf8(name, kNameBytes);
    if (mode_ < 0 || stored.empty()) return {};
    _ST_KEYPRO fresh{};
    new_keypro(stored.c_str(), &fresh);
    fresh.nLayer = mode_;
    const _ST_KEYPRO* added = add_new_keypro_to_list(&fresh);
    if (!added) return tablesFull();
    showAndPlay(*added, mode_);
    return {};
}

bool KeyTableController::renameShown(const std::string& name) {
    _ST_KEYPRO* set = shown();
    const std::string stored = CutUtf8(name, kNameBytes);
    if (!set || stored.empty()) return false;
    std::memset(set->szName, 0, sizeof set->szName);
    std::memcpy(set->szName, stored.data(), stored.size());
    return true;
}

Reason KeyTableController::deleteQuestion() const {
    const _ST_KEYPRO* set = shown();
    return MakeReason("tc_del_keytable_ask", {set ? keypro_name(*set) : std::string()});
}

bool KeyTableController::deleteShown() {
    if (mode_ < 0 || !get_keypro_by_index(1, mode_)) return false;
    if (const _ST_KEYPRO* set = shown()) delete_keypro_by_id(uint32_t(set->dwID));
    if (const _ST_KEYPRO* first = get_keypro_by_index(0, mode_)) showAndPlay(*first, mode_);
    return true;
}

void KeyTableController::showAndPlay(const _ST_KEYPRO& set, int mode) {
    shownId_ = uint32_t(set.dwID);
    if (_ST_PROFILE* profile = get_current_profile()) profile->dwKeyProID[mode] = shownId_;
}

}  // namespace keyloom
