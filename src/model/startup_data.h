// The data steps of start-up and shutdown: loading the stored profiles and
// key-property sets, the first-run content, the current profile, and the
// save at termination.
#pragma once
#include <string>
#include <vector>

#include "model/stprofile.h"

namespace keyloom {

constexpr int FIRST_RUN_SETS_PER_LAYER = 5;

// What the start-up data steps did, for logs and keyloomctl.
struct StartupDataReport {
    int profilesLoaded = 0;
    int keyProsLoaded = 0;           // sets in the list after loading
    bool firstRun = false;           // the first-run content was created
    bool macroFolderReady = false;
    std::vector<std::string> keptFiles;  // stored files set aside as "<file>.bak"
};

// Loads "pro.dct", then "keypro.dct" (creating the lists when missing) and
// marks the stored data as loaded. A "pro.dct" that exists but is not what
// this program writes is first kept as "pro.dct.bak".
void LoadStoredData(StartupDataReport* report = nullptr);
// Whether LoadStoredData has run since the last ForgetStoredData.
bool IsStoredDataLoaded();
// Drops the loaded mark, so no termination save follows (tests, teardown).
void ForgetStoredData();

// True when there is no profile or no current profile.
bool NeedsFirstRun();
// Sets the stored files aside (when they exist), empties both lists and
// builds the factory content: fifteen sets "M<m>_<tc_proname><s>", five per
// layer, and one profile "<tc_proname>1" using each layer's first set, made current.
void CreateFirstRunData(StartupDataReport* report = nullptr);

// The data side of making a profile current: only a profile with a non-zero
// id becomes current (logged "SetAsCurProfile for 0x%x"). False otherwise.
bool make_profile_current(_ST_PROFILE* profile);

// Start-up steps on the stored data, in order: LoadStoredData, the first-run
// check, the macro folder, and the current profile made current again.
StartupDataReport PrepareStoredData();

// The save at termination: "pro.dct", then "keypro.dct". Nothing is written
// when the stored data was never loaded, so an early exit never overwrites
// the stored files with empty lists. False when nothing was saved or the
// profile file could not be written.
bool SaveStoredData();

}  // namespace keyloom
