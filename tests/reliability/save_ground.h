// The ground the save tests share: a data folder and a preferences folder
// holding the four kinds of stored file, and two generations of their
// content that differ all through each file (every profile slot, every set
// slot, every macro event), so a file that mixes the two, or is cut short,
// never matches either.
#pragma once
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/fileio.h"
#include "base/paths.h"
#include "config/preferences.h"
#include "macro/macroedit.h"
#include "macro/stmacro.h"
#include "store/profile_store.h"
#include "model/st_keypro.h"
#include "store/startup_data.h"
#include "test_support.h"

namespace keyloom::test {

class SaveGround {
public:
    enum File { Profiles, Sets, Macro, Preferences, FileCount };

    SaveGround() {
        std::filesystem::create_directories(dir_.file("data"));
        std::filesystem::create_directories(dir_.file("config"));
        set_data_dir(data());
        SetPreferencesDir(config());
        ForgetStoredData();
        init_profile_list();
        init_keypro_list();
        LoadStoredData(nullptr, StoredDataMode::Writable);  // an empty folder: empty lists, saving allowed
        fill();
        make_sure_folder_exist(get_macro_path() + "games");
    }
    ~SaveGround() {
        ForgetStoredData();
        destroy_profile_list();
        destroy_keypro_list();
        set_data_dir("");
        SetPreferencesDir("");
    }
    SaveGround(const SaveGround&) = delete;
    SaveGround& operator=(const SaveGround&) = delete;

    std::string data() const { return dir_.file("data") + "/"; }
    std::string config() const { return dir_.file("config") + "/"; }
    std::string path(File f) const {
        switch (f) {
        case Profiles: return get_profile_file_path();
        case Sets: return get_keypro_file_path();
        case Macro: return macroPath();
        default: return GetPreferencesPath();
        }
    }
    static const char* name(File f) {
        static const char* names[] = {"pro.dct", "keypro.dct", "macro file", "preferences.ini"};
        return names[f];
    }
    std::string macroPath() const { return get_macro_path() + "games/fire.mcf"; }

    // Puts generation `gen` (0 or 1) into the lists, the macro and the preference.
    void apply(int gen) {
        for (int i = 0; i < get_profile_count(); ++i) {
            _ST_PROFILE* p = get_profile_by_index(i);
            std::snprintf(p->szName, sizeof p->szName, "gen%d-profile%d", gen, i);
            for (auto& group : p->stAdv.dwKeyColor)
                for (uint32_t& colour : group) colour = (gen ? 0x00A5A5A5u : 0x005A5A5Au) ^ static_cast<uint32_t>(i);
        }
        for (int i = 0; i < get_keypro_count(); ++i) {
            _ST_KEYPRO* set = get_keypro_by_index(i, -1);
            std::snprintf(set->szName, sizeof set->szName, "M%d_gen%d-%d", set->nLayer + 1, gen, i);
            for (_KEYINFO& key : set->stKey) key.stCombo.ModifyKey = static_cast<uint8_t>(gen ? 0x22 : 0x11);
        }
        set_macro_name(macro_, gen ? "fire-new" : "fire-old");
        for (int e = 0; e < MACRO_ITEM_COUNT; ++e) {
            _ST_ITEM& item = macro_.stData.stItem[e];
            item.wVk = static_cast<uint16_t>(gen ? 4 + e % 26 : 30 + e % 10);
            item.wStatus = static_cast<uint16_t>(e % 2);
            item.dwDelay = static_cast<uint32_t>(gen ? 10 + e : 500 - e);
        }
        macro_.dwDirty |= MACRO_DIRTY_EVENTS;
        language_ = gen ? "de" : "en";
    }

    // The program's own save functions, one per kind.
    static bool saveStored() { return SaveStoredData(); }
    bool saveMacro() { return Flush_Dirty_Macro(&macro_, macroPath()); }
    bool savePreference() const { return SetPreference(PREF_LANGUAGE, language_); }

    // Saves all four kinds; false as soon as one reports failure.
    bool saveAll() { return saveStored() && saveMacro() && savePreference(); }

    // The bytes of each file as they are on disk ("<missing>" when unreadable).
    std::vector<std::string> onDisk() const {
        std::vector<std::string> files;
        for (int f = 0; f < FileCount; ++f)
            files.push_back(read_file_bytes(path(File(f)), SIZE_MAX).value_or("<missing>"));
        return files;
    }

    // Names below the data and preferences folders that an unfinished save leaves.
    std::vector<std::string> tempFiles() const { return matching(".tmp-"); }
    std::vector<std::string> backups() const { return matching(".bak"); }

private:
    void fill() {
        for (int i = 0; i < KEYPRO_FILE_SLOTS; ++i) {
            _ST_KEYPRO set{};
            set.dwID = 5000 + i;
            set.nLayer = i % LAYER_COUNT;
            add_new_keypro_to_list(&set);
        }
        for (int i = 0; i < PROFILE_FILE_SLOTS; ++i) {
            _ST_PROFILE p{};
            p.dwMagic = PROFILE_MAGIC;
            p.dwID = 1000 + static_cast<uint32_t>(i);
            for (int layer = 0; layer < LAYER_COUNT; ++layer) p.dwKeyProID[layer] = 5000 + static_cast<uint32_t>(layer);
            _ST_PROFILE* added = add_new_profile_to_list(&p);
            if (i == 0) set_current_profile(added);
        }
        macro_.dwMagic = MACRO_MAGIC;
        macro_.dwID = 7000;
        macro_.stData.wRepeat = 1;
    }

    std::vector<std::string> matching(const char* mark) const {
        std::vector<std::string> found;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(dir_.path(), ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.find(mark) != std::string::npos) found.push_back(it->path().string());
        }
        return found;
    }

    TempDir dir_;
    _ST_MACRO macro_{};
    std::string language_ = "en";
};

}  // namespace keyloom::test
