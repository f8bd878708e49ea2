// Ground of the controller tests: one current profile playing "Work" in M1
// and "Shooter" in M2 (M3 plays none), with "Games" as a second M1 table,
// and applies that wait in msParam (no worker takes them). gVar, the lists
// and msParam are put back as they were.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "config/gvar.h"
#include "device/apply.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"
#include "store/reset.h"

namespace keyloom::test {

class ControlData {
public:
    static constexpr uint32_t kWork = 0x101, kGames = 0x102, kShooter = 0x201;

    ControlData() : savedGvar_(std::make_unique<_GVAR>(gVar)) {
        init_keypro_list();
        init_profile_list();
        addTable(kWork, 0, "Work");
        addTable(kGames, 0, "Games");
        addTable(kShooter, 1, "Shooter");
        _ST_PROFILE p{};
        ResetProfile(&p);
        p.dwID = 0x51;
        p.dwKeyProID[0] = kWork;
        p.dwKeyProID[1] = kShooter;
        profile = add_new_profile_to_list(&p);
        set_current_profile(profile);
        msParam = std::make_unique<ThreadParam>();
    }
    ~ControlData() {
        msParam.reset();
        destroy_profile_list();
        destroy_keypro_list();
        gVar = *savedGvar_;
    }
    ControlData(const ControlData&) = delete;
    ControlData& operator=(const ControlData&) = delete;

    // Ids by hand: the id source waits 20 ms for each.
    static _ST_KEYPRO* addTable(uint32_t id, int mode, const std::string& name) {
        _ST_KEYPRO set{};
        set.dwID = int32_t(id);
        set.nLayer = mode;
        std::strncpy(set.szName, name.c_str(), sizeof set.szName - 1);
        ResetKeyPro(&set);
        return add_new_keypro_to_list(&set);
    }
    // The flags of the apply waiting for the worker; 0 for none.
    static int32_t waitingApply() {
        std::lock_guard<std::mutex> lock(msParam->pendingLock);
        return msParam->requested ? msParam->nFlag.load() : 0;
    }

    _ST_PROFILE* profile = nullptr;

private:
    std::unique_ptr<_GVAR> savedGvar_;
};

}  // namespace keyloom::test
