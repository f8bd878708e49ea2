// The data steps of start-up and shutdown: first run, keeping stored files
// that get replaced, the current profile, and no save without a load.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "base/fileio.h"
#include "base/paths.h"
#include "store/profile_store.h"
#include "model/st_keypro.h"
#include "store/startup_data.h"
#include "test_support.h"

namespace keyloom {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<_ST_PROFILE> make_profile(uint32_t id, const char* name) {
    auto p = std::make_unique<_ST_PROFILE>();
    std::memset(p.get(), 0, sizeof *p);
    p->dwMagic = PROFILE_MAGIC;
    p->dwID = id;
    std::strncpy(p->szName, name, sizeof p->szName - 1);
    return p;
}

std::unique_ptr<_ST_KEYPRO> make_set(int32_t id, const char* name) {
    auto set = std::make_unique<_ST_KEYPRO>();
    std::memset(set.get(), 0, sizeof *set);
    set->dwID = id;
    std::strncpy(set->szName, name, sizeof set->szName - 1);
    return set;
}

class StartupData : public ::testing::Test {
protected:
    void SetUp() override {
        set_data_dir(dir.path());
        ForgetStoredData();
        init_profile_list();
        init_keypro_list();
    }
    void TearDown() override {
        ForgetStoredData();
        destroy_profile_list();
        destroy_keypro_list();
        set_data_dir("");
    }
    std::string bytes_of(const std::string& name) const {
        return read_file_bytes(dir.file(name), SIZE_MAX).value_or("<missing>");
    }
    // Stores one profile (current when `current`) and one set through the savers.
    void store(uint32_t profileId, bool current) {
        auto p = make_profile(profileId, "stored");
        _ST_PROFILE* listed = add_new_profile_to_list(p.get());
        if (current) set_current_profile(listed);
        add_new_keypro_to_list(make_set(0x51, "stored set").get());
        ASSERT_TRUE(save_profile_to_file());
        save_all_keypro();
        init_profile_list();
        init_keypro_list();
    }

    test::TempDir dir;
    test::LogCapture log;
};

TEST_F(StartupData, FirstRunBuildsFifteenSetsAndOneCurrentProfile) {
    StartupDataReport report = PrepareStoredData();
    EXPECT_TRUE(report.firstRun);
    EXPECT_TRUE(report.keptFiles.empty());  // nothing was stored
    EXPECT_TRUE(report.macroFolderReady);
    EXPECT_TRUE(fs::is_directory(get_macro_path()));

    // No language is loaded here, so "tc_proname" reads as empty.
    ASSERT_EQ(get_keypro_count(), 15);
    for (int i = 0; i < 15; ++i) {
        const _ST_KEYPRO* set = get_keypro_by_index(i, -1);
        int m = i / 5 + 1, s = i % 5 + 1;
        EXPECT_EQ(std::string(set->szName), "M" + std::to_string(m) + "_" + std::to_string(s));
        EXPECT_EQ(set->nLayer, m - 1);
        EXPECT_NE(set->dwID, 0);
    }
    ASSERT_EQ(get_profile_count(), 1);
    _ST_PROFILE* p = get_current_profile();
    ASSERT_EQ(p, get_profile_by_index(0));
    EXPECT_STREQ(p->szName, "1");
    EXPECT_EQ(p->dwMagic, PROFILE_MAGIC);
    for (int layer = 0; layer < 3; ++layer)
        EXPECT_EQ(p->dwKeyProID[layer], static_cast<uint32_t>(get_keypro_by_index(0, layer)->dwID));
    char line[40];
    std::snprintf(line, sizeof line, "SetAsCurProfile for 0x%x", p->dwID);
    EXPECT_EQ(log.lines().back(), line);

    // Written only by the termination save; a second start then finds it all.
    EXPECT_FALSE(fs::exists(dir.file("pro.dct")));
    uint32_t id = p->dwID;
    ASSERT_TRUE(SaveStoredData());
    EXPECT_EQ(bytes_of("pro.dct").size(), PROFILE_FILE_SIZE);
    EXPECT_EQ(bytes_of("keypro.dct").size(), KEYPRO_FILE_SIZE);
    init_profile_list();
    init_keypro_list();
    report = PrepareStoredData();
    EXPECT_FALSE(report.firstRun);
    EXPECT_EQ(report.profilesLoaded, 1);
    EXPECT_EQ(report.keyProsLoaded, 15);
    EXPECT_EQ(get_current_profile()->dwID, id);
}

TEST_F(StartupData, MissingCurrentProfileMeansFirstRunAndKeepsTheStoredFiles) {
    store(0x77, false);
    std::string storedProfiles = bytes_of("pro.dct");
    std::string storedSets = bytes_of("keypro.dct");

    LoadStoredData();
    EXPECT_EQ(get_profile_count(), 1);
    EXPECT_TRUE(NeedsFirstRun());
    StartupDataReport report;
    CreateFirstRunData(&report);
    EXPECT_TRUE(report.firstRun);
    EXPECT_EQ(report.keptFiles, (std::vector<std::string>{dir.file("pro.dct.bak"), dir.file("keypro.dct.bak")}));
    EXPECT_EQ(bytes_of("pro.dct.bak"), storedProfiles);
    EXPECT_EQ(bytes_of("keypro.dct.bak"), storedSets);
    EXPECT_EQ(get_profile_count(), 1);
    EXPECT_EQ(get_keypro_count(), 15);
    EXPECT_EQ(get_profile_by_id(0x77), nullptr);
    EXPECT_EQ(get_keypro_by_id(0x51), nullptr);
    EXPECT_FALSE(NeedsFirstRun());
}

TEST_F(StartupData, DamagedProfileFileIsKeptBeforeItIsOverwritten) {
    store(0x77, true);
    std::string damaged = bytes_of("pro.dct");
    damaged.resize(damaged.size() - 10);  // still holds the profile, but cut short
    std::ofstream(dir.file("pro.dct"), std::ios::binary) << damaged;

    StartupDataReport report = PrepareStoredData();
    EXPECT_FALSE(report.firstRun);
    EXPECT_EQ(report.keptFiles, std::vector<std::string>{dir.file("pro.dct.bak")});
    EXPECT_EQ(bytes_of("pro.dct.bak"), damaged);
    EXPECT_EQ(get_current_profile()->dwID, 0x77u);
    ASSERT_FALSE(log.lines().empty());

    // A second damaged start gets a backup of its own; the first one stays.
    // The first run that follows does not copy the file again.
    std::string garbage(5000, '\x5a');
    std::ofstream(dir.file("pro.dct"), std::ios::binary) << garbage;
    StartupDataReport again = PrepareStoredData();
    EXPECT_TRUE(again.firstRun);
    EXPECT_EQ(again.keptFiles, (std::vector<std::string>{dir.file("pro.dct.bak.1"), dir.file("keypro.dct.bak")}));
    EXPECT_EQ(bytes_of("pro.dct.bak"), damaged);
    EXPECT_EQ(bytes_of("pro.dct.bak.1"), garbage);
}

TEST_F(StartupData, NoTerminationSaveWithoutALoad) {
    store(0x77, true);
    std::string stored = bytes_of("pro.dct");
    std::string storedSets = bytes_of("keypro.dct");
    // An early exit: the lists are still empty and were never loaded.
    EXPECT_FALSE(IsStoredDataLoaded());
    EXPECT_FALSE(SaveStoredData());
    EXPECT_EQ(bytes_of("pro.dct"), stored);
    EXPECT_EQ(bytes_of("keypro.dct"), storedSets);

    LoadStoredData();
    EXPECT_TRUE(IsStoredDataLoaded());
    get_current_profile()->nLayer = 2;
    EXPECT_TRUE(SaveStoredData());
    EXPECT_NE(bytes_of("pro.dct"), stored);
}

TEST_F(StartupData, OnlyAProfileWithAnIdBecomesCurrent) {
    auto a = make_profile(0xAB, "a");
    auto zero = make_profile(0, "zero");
    _ST_PROFILE* listedA = add_new_profile_to_list(a.get());
    _ST_PROFILE* listedZero = add_new_profile_to_list(zero.get());
    EXPECT_TRUE(make_profile_current(listedA));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"SetAsCurProfile for 0xab"});
    EXPECT_FALSE(make_profile_current(listedZero));
    EXPECT_FALSE(make_profile_current(nullptr));
    EXPECT_EQ(get_current_profile(), listedA);
    EXPECT_EQ(log.lines().size(), 1u);
}

}  // namespace
}  // namespace keyloom
