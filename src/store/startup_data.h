// The data steps of start-up and shutdown: loading the stored profiles and
// key-property sets, the first-run content, the current profile, and the
// save at termination. Nothing a user stored is ever lost on the way: a file
// that cannot be read is never written over in the same run, a file that is
// replaced is first kept as a numbered backup, and a save replaces both
// files or neither.
#pragma once
#include <string>
#include <vector>

#include "model/stprofile.h"

namespace keyloom {

constexpr int FIRST_RUN_SETS_PER_LAYER = 5;

// Writable: what the window and `keyloomctl init` do (backups, leftovers of
// interrupted saves removed, macro folder made, the save at the end).
// ReadOnly: what commands that only show or encode do: the same lists in
// memory, but nothing in the data folder is written, renamed or created, and
// no save follows.
enum class StoredDataMode { Writable, ReadOnly };

// What the start-up data steps did, for logs and keyloomctl.
struct StartupDataReport {
    int profilesLoaded = 0;
    int keyProsLoaded = 0;           // sets in the list after loading
    bool firstRun = false;           // the first-run content was created
    bool macroFolderReady = false;
    std::vector<std::string> keptFiles;       // backups made of stored files, in order
    std::vector<std::string> protectedFiles;  // stored files this run never writes over
    std::vector<std::string> repairs;         // profile layers pointed at an existing set
};

// Loads "pro.dct", then "keypro.dct" (creating the lists when missing) and,
// in Writable mode, marks the stored data as loaded. A stored file that
// exists but cannot be read is protected and reported; one that is damaged
// is reported and, in Writable mode, kept as a backup (protected when that
// fails); its sound contents are loaded.
void LoadStoredData(StartupDataReport* report = nullptr, StoredDataMode mode = StoredDataMode::Writable);
// Whether LoadStoredData has run in Writable mode since the last ForgetStoredData.
bool IsStoredDataLoaded();
// Drops the loaded mark and the protections, so no termination save follows (tests, teardown).
void ForgetStoredData();
// Whether this run must not write over the stored file at `path`.
bool IsStoredFileProtected(const std::string& path);

// True when there is no profile or no current profile.
bool NeedsFirstRun();
// Keeps the stored files it replaces as backups (Writable mode), empties both
// lists and builds the factory content: fifteen sets "M<m>_<tc_proname><s>",
// five per layer, and one profile "<tc_proname>1" using each layer's first
// set, made current.
void CreateFirstRunData(StartupDataReport* report = nullptr);

// Points every layer of every profile at an existing set of that layer: the
// layer's first set when the named one is missing or of another layer; when
// the layer has no set at all, its five factory sets are created first.
void RepairSetReferences(StartupDataReport* report = nullptr);

// The data side of making a profile current: only a profile with a non-zero
// id becomes current (logged "SetAsCurProfile for 0x%x"). False otherwise.
bool make_profile_current(_ST_PROFILE* profile);

// Start-up steps on the stored data, in order: LoadStoredData, the first-run
// check, the set references, the macro folder (made in Writable mode), and
// the current profile made current again.
StartupDataReport PrepareStoredData(StoredDataMode mode = StoredDataMode::Writable);

// How a failed save is told to the user. Always: an alert each time (a
// one-off save, as keyloomctl makes). OncePerTrouble: the saves made as the
// user works: an alert at the first failure, saying that keyloom tries again,
// none at the failures that follow, and one again when a save worked in
// between. Never: only the log and the caller (the end of the program, which
// cannot wait for anyone to read an alert).
enum class SaveAlert { Always, OncePerTrouble, Never };

// The two stored files as a save writes them, made from the lists on the
// thread that owns them.
struct StoredDataImages {
    std::string profiles;  // "pro.dct"
    std::string keyPros;   // "keypro.dct"
    std::string refusal;   // why they must not be written (a stored file this run protects); empty when they may
};

// The images of the lists as they stand.
StoredDataImages BuildStoredDataImages();
// Whether the lists' images differ from the stored files as this run last
// read or wrote them; false when the stored data was never loaded for
// writing. Compares digests: the images are not built.
bool StoredDataChanged();
// Replaces both stored files with the images, or neither. Touches no list or
// other state of the run, so it may run on any thread. False when nothing was
// written; `failure` then says why.
bool WriteStoredDataImages(const StoredDataImages& images, std::string* failure = nullptr);
// The outcome of a write, on the thread that owns the lists: a success makes
// the images the stored state and ends a trouble; a failure is logged, told
// as `alert` says, and leaves the stored state unknown (so the next save
// writes even lists that equal what was last stored).
void NoteStoredDataWrite(const StoredDataImages& images, bool ok, const std::string& failure, SaveAlert alert);

// The save: "pro.dct" and "keypro.dct", both or neither, whether or not they
// changed. Nothing is written when the stored data was never loaded for
// writing (so an early exit never overwrites the stored files with empty
// lists); a protected file or a failed write leaves both files as they were.
// False when nothing was saved; `failure` then says why.
bool SaveStoredData(std::string* failure = nullptr, SaveAlert alert = SaveAlert::Always);
// The same, only when the lists differ from the stored files as this run last
// read or wrote them; true when there was nothing to write.
bool SaveChangedStoredData(std::string* failure = nullptr, SaveAlert alert = SaveAlert::Always);

// Tells the user at once when saving cannot work: a stored file this run
// protects (the load has said so already) or a data folder that is not a
// writable folder. Either counts as the trouble told, so the first failed
// save does not tell it again. False when saving cannot work.
bool CheckStoredDataSavable();

}  // namespace keyloom
