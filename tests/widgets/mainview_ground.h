// Ground of the main window tests: the shipped skins and texts in English, a
// data directory of the test's own with one profile, five key tables for M1
// and one each for M2 and M3, a macro file, and the simulated keyboard behind
// the device link on Qt's loop, its wire trace recorded.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>

#include "config/gvar.h"
#include "config/language.h"
#include "base/paths.h"
#include "core/test_support.h"
#include "device/Dev6120.h"
#include "device/HidAccess.h"
#include "device/SimKeyboard.h"
#include "device/apply.h"
#include "macro/macrofile.h"
#include "macro/stmacro.h"
#include "model/hwparam.h"
#include "store/reset.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"
#include "ui/MainView.h"
#include "widgets/mainview_probe.h"
#include "ui/MsgView.h"
#include "ui/QtMainLoop.h"
#include "widgets/TextField.h"
#include "widgets/PngButton.h"
#include "widgets/widget_test_support.h"

namespace keyloom::test {

inline int englishIndex() {
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i)
        if (std::strcmp(gVar.Lang[i].szDir, "en") == 0) return i;
    return -1;
}

// Runs Qt's loop until done() holds (or five seconds pass).
inline bool runQtUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

class MainViewGround : public ::testing::Test {
protected:
    static constexpr uint32_t kProfileId = 0x51;
    static constexpr int kChangedKey = 3;  // changed in the M2 table

    void SetUp() override {
        useShippedConfig();
        savedGvar_ = gVar;
        log.emplace();
        ASSERT_GE(englishIndex(), 0);
        SwitchLanguage(englishIndex());
        gVar.Suwnd = 1;  // an unplugged keyboard does not end the test
        gVar.GoWithNoDev = 0;
        set_data_dir(data_.path() + "/");
        std::filesystem::create_directories(data_.path() + "/mac/");
        InitKey();
        init_macro_list();
        init_keypro_list();
        init_profile_list();
        addMacroFile();
        addSets();
        addProfile();
        SetPauseScalePercent(0);
    }

    void TearDown() override {
        probe.reset();
        view.reset();
        StopApplyWorker();
        msParam.reset();
        link.reset();
        loop.reset();
        SetHidBackendFactory(nullptr);
        SetPauseScalePercent(100);
        destroy_profile_list();
        destroy_keypro_list();
        destroy_macro_list();
        set_data_dir("");
        gVar = savedGvar_;
        log.reset();
    }

    // The simulated keyboard plugged in, found by the link, its trace recorded.
    void plugKeyboard() {
        SetHidBackendFactory(SimKeyboardFactory(sim));
        loop = std::make_unique<QtMainLoop>();
        link = std::make_unique<Dev6120>(*loop);
        ASSERT_EQ(link->InitHID(), 1);
        ASSERT_EQ(link->FindHIDDevice(), 1);
        sim->traceTo(&trace);
    }

    // The window over the data, showing the current profile as start-up does.
    // Requests wait in msParam unless a worker is started.
    void build() {
        msParam = std::make_unique<ThreadParam>();
        view = std::make_unique<MainView>(link.get());
        probe = std::make_unique<MainViewProbe>(*view);
        view->hideApplication = [this] { ++hides; };
        view->show();
        view->SetAsCurProfile(profile);
    }

    void startWorker() {
        msParam->finished = [this](int32_t flags, bool ok) { applies.push_back({flags, ok}); };
        ASSERT_TRUE(StartApplyWorker(*link, view.get()));
    }

    static void click(QWidget* control) { clickAt(control, control->rect().center()); }

    // Whether an apply waits with these flags (no worker takes it).
    static bool requested(int32_t flags) {
        std::lock_guard<std::mutex> lock(msParam->pendingLock);
        return msParam->requested && msParam->nFlag == flags;
    }
    static bool anyRequest() {
        std::lock_guard<std::mutex> lock(msParam->pendingLock);
        return msParam->requested;
    }

    // Answers the open message dialog: OK with text (kind 2) or plain OK.
    void answer(bool ok, const QString& text = {});

    _ST_KEYPRO* setOfMode(int mode, int index) { return get_keypro_by_index(index, mode); }

    TempDir data_;
    std::optional<LogCapture> log;
    std::shared_ptr<SimKeyboard> sim = std::make_shared<SimKeyboard>();
    std::unique_ptr<QtMainLoop> loop;
    std::unique_ptr<Dev6120> link;
    std::ostringstream trace;
    std::unique_ptr<MainView> view;
    std::unique_ptr<MainViewProbe> probe;  // the window's controls
    _ST_PROFILE* profile = nullptr;
    uint32_t modeSet[3] = {};  // the profile's table per mode
    int hides = 0;
    struct Applied {
        int32_t flags;
        bool ok;
    };
    std::vector<Applied> applies;

private:
    void addMacroFile() {
        _ST_MACRO macro{};
        ASSERT_EQ(new_macro("Greeting", &macro), 1);
        ASSERT_TRUE(write_macro_file(data_.path() + "/mac/Greeting.mcf", &macro));
    }
    _ST_KEYPRO* addSet(const char* name, int mode) {
        _ST_KEYPRO set{};
        new_keypro(name, &set);
        set.nLayer = mode;
        return add_new_keypro_to_list(&set);
    }
    void addSets() {
        const char* const firstMode[5] = {"Work", "Games", "Photo", "Music", "Travel"};
        for (const char* name : firstMode) addSet(name, 0);
        modeSet[0] = uint32_t(setOfMode(0, 1)->dwID);  // "Games": not the mode's first
        _ST_KEYPRO* second = addSet("Shooter", 1);
        second->stKey[kChangedKey].dwFunID = MAKE_FUNID(FUN_MOUSE, 1);
        modeSet[1] = uint32_t(second->dwID);
        modeSet[2] = uint32_t(addSet("Office", 2)->dwID);
    }
    void addProfile() {
        _ST_PROFILE p{};
        new_profile("Profile 1", &p);
        p.dwID = kProfileId;
        for (int m = 0; m < 3; ++m) p.dwKeyProID[m] = modeSet[m];
        p.nLayer = 0;
        profile = add_new_profile_to_list(&p);
        set_current_profile(profile);
    }

    _GVAR savedGvar_{};
};

inline void MainViewGround::answer(bool ok, const QString& text) {
    MsgView* dialog = probe->msgView();
    ASSERT_TRUE(dialog->isVisible());
    if (dialog->msgID == MSG_TEXT) {
        dialog->textField->clear();
        dialog->textField->insert(text);  // as typed, non-Latin letters too
    }
    click(ok ? static_cast<QWidget*>(dialog->btnOk) : static_cast<QWidget*>(dialog->btnCancel));
}

}  // namespace keyloom::test
