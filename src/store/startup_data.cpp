#include "store/startup_data.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string_view>
#include <memory>
#include <optional>
#include <set>

#include "base/PublicLib.h"
#include "base/debug.h"
#include "base/fileio.h"
#include "config/language.h"
#include "base/paths.h"
#include "config/preferences.h"
#include "base/utf8.h"
#include "store/profile_store.h"
#include "store/reset.h"
#include "model/st_keypro.h"

namespace keyloom {
namespace {

constexpr const char* kWarning = "Warning";

bool g_storedDataLoaded = false;
StoredDataMode g_mode = StoredDataMode::ReadOnly;
// Stored files this run must not write over: unreadable ones, and damaged
// ones that could not be backed up.
std::set<std::string> g_protected;
// Files already kept as a backup in this run, so the first run does not keep them twice.
std::set<std::string> g_kept;
// A stored file's bytes as this run last read or wrote them, told apart by
// their length and a 64-bit hash: a megabyte less to keep than the bytes
// themselves. Unknown when the file was missing or unreadable.
// What this run last read from or wrote to a stored file; unknown before
// the first read or after a failed write.
using StoredFileDigest = std::optional<ImageDigest>;
struct StoredDigests {
    StoredFileDigest profiles, keyPros;
};
StoredDigests g_stored;
// A failed save was told to the user, and no save has worked since.
bool g_troubleTold = false;

void tell(const std::string& text) {
    LOG("%s", text.c_str());
    PubLib::showSystemMessage(text, kWarning, nullptr, nullptr);
}

void protect(const std::string& path, StartupDataReport* report) {
    if (!g_protected.insert(path).second) return;
    if (report) report->protectedFiles.push_back(path);
}

// Keeps a stored file as a backup before it is replaced; a file that cannot
// be kept is protected instead (and the user told). The backup, or none when
// there was nothing to keep, it was kept already, or it could not be kept.
std::optional<std::string> keep_before_replacing(const std::string& path, const std::string& reason,
                                                 StartupDataReport* report) {
    if (g_mode != StoredDataMode::Writable || g_protected.count(path) || g_kept.count(path)) return std::nullopt;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return std::nullopt;
    std::optional<std::string> backup = keep_backup(path, reason.c_str());
    if (!backup) {
        protect(path, report);
        tell(FormatText("tc_file_keep_failed", {path, reason}));
        return std::nullopt;
    }
    g_kept.insert(path);
    if (report) report->keptFiles.push_back(*backup);
    return backup;
}

// Reads a stored file of `size` bytes (plus one, to tell an oversized file).
// None when it is missing or cannot be read; the latter is protected and told.
std::optional<std::string> read_stored(const std::string& path, size_t size, const char* logText,
                                       StartupDataReport* report) {
    // A stored file has a fixed size; a larger one is not ours to take apart (or to copy).
    FileError err;
    std::optional<std::string> bytes = read_file_within(path, size, &err);
    if (bytes) return bytes;
    LOG("%s", logText);
    if (err.code != ENOENT) {
        protect(path, report);
        tell(FormatText("tc_file_unreadable", {path, ReasonText(err.reason)}));
    }
    return std::nullopt;
}

// A damaged file: kept aside before anything replaces it (Writable), or
// reported and left alone (ReadOnly).
void handle_damage(const std::string& path, const Reason& damage, StartupDataReport* report) {
    const std::string reason = ReasonText(damage);
    if (g_mode == StoredDataMode::Writable) {
        if (std::optional<std::string> backup = keep_before_replacing(path, reason, report))
            tell(FormatText("tc_file_kept", {path, reason, *backup}));
        return;
    }
    SysLog("%s is damaged (%s); left as it is", path.c_str(), reason.c_str());
}

std::string set_name(int layer, const std::string& proName, int number) {
    std::string name = "M" + std::to_string(layer + 1) + "_" + proName + std::to_string(number);
    return CutUtf8(name, KEYPRO_NAME_SIZE - 1);
}

// The factory sets of one layer, appended to the list as far as it has room;
// the id of the first, or 0 when none fitted.
uint32_t add_factory_sets(int layer, const std::string& proName) {
    auto set = std::make_unique<_ST_KEYPRO>();
    uint32_t first = 0;
    for (int s = 1; s <= FIRST_RUN_SETS_PER_LAYER; ++s) {
        new_keypro(set_name(layer, proName, s).c_str(), set.get());
        set->nLayer = layer;
        const _ST_KEYPRO* added = add_new_keypro_to_list(set.get());
        if (!added) {
            LOG("M%d: no room for factory key table %d", layer + 1, s);
            break;
        }
        if (s == 1) first = static_cast<uint32_t>(added->dwID);
    }
    return first;
}

// Prepares one file of the save, or says why it cannot be replaced.
std::optional<PreparedFile> prepare(const std::string& path, const std::string& image, std::string& why) {
    FileError err;
    std::optional<PreparedFile> file = prepare_file_replace(path, image.data(), image.size(), &err);
    if (!file) why = path + ": " + ReasonText(err.reason);
    return file;
}

// Why the data folder cannot take a save, judged without writing; empty when it can.
std::string data_folder_trouble() {
    const std::string folder = get_data_path();
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return folder + ": " + ReasonText(ErrnoReason(errno));
    if (!S_ISDIR(st.st_mode)) return folder + ": " + ReasonText(ErrnoReason(ENOTDIR));
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return folder + ": " + ReasonText(ErrnoReason(errno));
    return {};
}

}  // namespace

void LoadStoredData(StartupDataReport* report, StoredDataMode mode) {
    if (!lstProfile) init_profile_list();
    if (!lstKeyPro) init_keypro_list();
    g_mode = mode;
    g_protected.clear();
    g_kept.clear();
    if (mode == StoredDataMode::Writable) {
        remove_stale_temp_files(get_data_path());
        remove_stale_temp_files(get_macro_path(), true);
        const std::string preferences = GetPreferencesPath();
        remove_stale_temp_files(preferences.substr(0, preferences.rfind('/') + 1));
    }

    g_stored = {};
    g_troubleTold = false;
    int profiles = 0;
    const std::string proPath = get_profile_file_path();
    if (std::optional<std::string> bytes = read_stored(proPath, PROFILE_FILE_SIZE, "load pro file error", report)) {
        if (!bytes->empty()) g_stored.profiles = ImageDigest::of(*bytes);
        if (!bytes->empty()) {
            if (Reason damage = profile_file_damage(*bytes); !damage.empty()) handle_damage(proPath, damage, report);
        }
        profiles = load_profile_image(*bytes);
    }

    const std::string setPath = get_keypro_file_path();
    if (std::optional<std::string> bytes = read_stored(setPath, KEYPRO_FILE_SIZE, "load keypro file error", report)) {
        if (!bytes->empty()) g_stored.keyPros = ImageDigest::of(*bytes);
        if (Reason damage = load_keypro_image(*bytes); !damage.empty()) handle_damage(setPath, damage, report);
    }

    g_storedDataLoaded = mode == StoredDataMode::Writable;
    if (report) {
        report->profilesLoaded = profiles;
        report->keyProsLoaded = get_keypro_count();
    }
}

bool IsStoredDataLoaded() { return g_storedDataLoaded; }

void ForgetStoredData() {
    g_storedDataLoaded = false;
    g_mode = StoredDataMode::ReadOnly;
    g_protected.clear();
    g_kept.clear();
    g_stored = {};
    g_troubleTold = false;
}

bool IsStoredFileProtected(const std::string& path) { return g_protected.count(path) != 0; }

bool NeedsFirstRun() { return get_profile_count() == 0 || get_current_profile() == nullptr; }

void CreateFirstRunData(StartupDataReport* report) {
    // Every file replaced here is told about, with where its contents are kept.
    for (const std::string& path : {get_profile_file_path(), get_keypro_file_path()}) {
        if (std::optional<std::string> backup = keep_before_replacing(path, "replaced by the first-run content", report))
            tell(FormatText("tc_file_replaced", {path, *backup}));
    }

    if (!lstProfile) init_profile_list();
    if (!lstKeyPro) init_keypro_list();
    set_current_profile(nullptr);
    clear_profile_list();
    clear_keypro_list();

    std::string proName = GetText("tc_proname");
    uint32_t firstIds[LAYER_COUNT] = {};
    for (int layer = 0; layer < LAYER_COUNT; ++layer) firstIds[layer] = add_factory_sets(layer, proName);

    auto profile = std::make_unique<_ST_PROFILE>();
    new_profile(CutUtf8(proName + "1", PROFILE_NAME_SIZE - 1).c_str(), profile.get());
    for (int layer = 0; layer < LAYER_COUNT; ++layer) profile->dwKeyProID[layer] = firstIds[layer];
    set_current_profile(add_new_profile_to_list(profile.get()));
    if (report) report->firstRun = true;
}

void RepairSetReferences(StartupDataReport* report) {
    const std::string proName = GetText("tc_proname");
    for (int i = 0; i < get_profile_count(); ++i) {
        _ST_PROFILE* profile = get_profile_by_index(i);
        if (!profile) continue;
        for (int layer = 0; layer < LAYER_COUNT; ++layer) {
            const uint32_t id = profile->dwKeyProID[layer];
            const _ST_KEYPRO* named = get_keypro_by_id(id);
            if (named && named->nLayer == layer) continue;
            const _ST_KEYPRO* first = get_keypro_by_index(0, layer);
            const uint32_t now = first ? static_cast<uint32_t>(first->dwID) : add_factory_sets(layer, proName);
            profile->dwKeyProID[layer] = now;
            char line[160];
            std::snprintf(line, sizeof line, "Profile 0x%x, M%d: set 0x%x %s, now 0x%x%s", profile->dwID, layer + 1,
                          id, named ? "is of another layer" : "does not exist", now,
                          first ? "" : " (the layer's factory sets were created)");
            LOG("%s", line);
            if (report) report->repairs.emplace_back(line);
        }
    }
}

bool make_profile_current(_ST_PROFILE* profile) {
    if (!profile || profile->dwID == 0) return false;
    LOG("SetAsCurProfile for 0x%x", profile->dwID);
    set_current_profile(profile);
    return true;
}

StartupDataReport PrepareStoredData(StoredDataMode mode) {
    StartupDataReport report;
    LoadStoredData(&report, mode);
    if (NeedsFirstRun()) CreateFirstRunData(&report);
    RepairSetReferences(&report);
    if (mode == StoredDataMode::Writable) {
        report.macroFolderReady = make_sure_folder_exist(get_macro_path());
    } else {
        std::error_code ec;
        report.macroFolderReady = std::filesystem::is_directory(get_macro_path(), ec);
    }
    make_profile_current(get_current_profile());
    return report;
}

StoredDataImages BuildStoredDataImages() {
    StoredDataImages images;
    images.profiles = build_profile_file();
    images.keyPros = build_keypro_file();
    for (const std::string& path : {get_profile_file_path(), get_keypro_file_path()}) {
        if (g_protected.count(path) && images.refusal.empty()) images.refusal = FormatText("tc_save_unreadable", {path});
    }
    return images;
}

bool StoredDataChanged() {
    return g_storedDataLoaded && !(g_stored.profiles == ImageDigestOf(PROFILE_FILE_SIZE, write_profile_image) &&
                                   g_stored.keyPros == ImageDigestOf(KEYPRO_FILE_SIZE, write_keypro_image));
}

bool WriteStoredDataImages(const StoredDataImages& images, std::string* failure) {
    std::string why = images.refusal;
    if (why.empty()) {
        make_sure_folder_exist(get_data_path());
        // Both files are written out before either replaces its stored file.
        std::optional<PreparedFile> profiles = prepare(get_profile_file_path(), images.profiles, why);
        std::optional<PreparedFile> sets;
        if (profiles) sets = prepare(get_keypro_file_path(), images.keyPros, why);
        FileError err;
        if (profiles && sets) {
            // Both renames, then one sync of the folder they share.
            if (!commit_file_replace(*profiles, &err, false))
                why = profiles->path + ": " + ReasonText(err.reason);
            else if (!commit_file_replace(*sets, &err))
                why = sets->path + ": " + ReasonText(err.reason);
            else
                return true;
        }
        LOG("%s", profiles ? "write keypro error" : "write profile error");
    }
    if (failure) *failure = why;
    return false;
}

void NoteStoredDataWrite(const StoredDataImages& images, bool ok, const std::string& failure, SaveAlert alert) {
    if (ok) {
        g_stored = {ImageDigest::of(images.profiles), ImageDigest::of(images.keyPros)};
        if (g_troubleTold) LOG("save works again");
        g_troubleTold = false;
        return;
    }
    LOG("save failed: %s", failure.c_str());
    // A failed save may have replaced one of the two files: what is stored is
    // unknown until a save works, so the next save writes whatever the lists hold.
    g_stored = {};
    if (alert == SaveAlert::Never || (alert == SaveAlert::OncePerTrouble && g_troubleTold)) return;
    g_troubleTold = true;
    std::string text = FormatText("tc_save_failed", {failure});
    if (alert == SaveAlert::OncePerTrouble) text += " " + GetText("tc_save_retry");
    PubLib::showSystemMessage(text, kWarning, nullptr, nullptr);
}

namespace {

bool write_and_note(const StoredDataImages& images, std::string* failure, SaveAlert alert) {
    std::string why;
    const bool ok = WriteStoredDataImages(images, &why);
    NoteStoredDataWrite(images, ok, why, alert);
    if (!ok && failure) *failure = why;
    return ok;
}

}  // namespace

bool SaveStoredData(std::string* failure, SaveAlert alert) {
    if (!g_storedDataLoaded) {
        LOG("stored data was never loaded; nothing saved");
        if (failure) *failure = "the stored data was never loaded";
        return false;
    }
    return write_and_note(BuildStoredDataImages(), failure, alert);
}

bool SaveChangedStoredData(std::string* failure, SaveAlert alert) {
    return !StoredDataChanged() || write_and_note(BuildStoredDataImages(), failure, alert);
}

bool CheckStoredDataSavable() {
    if (!g_protected.empty()) {
        g_troubleTold = true;  // the load said which file and why
        return false;
    }
    const std::string trouble = data_folder_trouble();
    if (trouble.empty()) return true;
    LOG("the data folder cannot be saved to: %s", trouble.c_str());
    g_troubleTold = true;
    PubLib::showSystemMessage(FormatText("tc_save_folder_failed", {trouble}), kWarning, nullptr, nullptr);
    return false;
}

}  // namespace keyloom
