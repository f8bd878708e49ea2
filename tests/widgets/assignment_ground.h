// Ground of the assignment dialog tests: the shipped skins and texts, English,
// a data directory of the test's own with one profile on layer 0, its key
// table and a macro folder, and an owner window with its overlay.
#pragma once
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <QApplication>
#include <QKeyEvent>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "config/gvar.h"
#include "config/language.h"
#include "base/paths.h"
#include "core/test_support.h"
#include "keys/evdev.h"
#include "macro/macrofile.h"
#include "macro/macrotree.h"
#include "macro/stmacro.h"
#include "model/hwparam.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"
#include "widgets/HideView.h"
#include "widgets/widget_test_support.h"

namespace keyloom::test {

inline int languageIndex(const char* dir) {
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i)
        if (std::strcmp(gVar.Lang[i].szDir, dir) == 0) return i;
    return -1;
}

// A key press (or release) by evdev code, as the desktop delivers it.
inline void sendKey(QWidget* widget, int evdev, bool press = true, bool autoRepeat = false) {
    QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier,
                    quint32(evdev + XKB_KEYCODE_OFFSET), 0, 0, {}, autoRepeat);
    QApplication::sendEvent(widget, &event);
}

inline int hostKey(int evdev) {
    return EvdevToHostKey(evdev);
}

class AssignmentGround : public ::testing::Test {
protected:
    static constexpr uint32_t kTableId = 0x1234;

    void SetUp() override {
        useShippedConfig();  // sets the log sink from the configuration, so the capture comes after
        log.emplace();
        ASSERT_GE(languageIndex("en"), 0);
        SwitchLanguage(languageIndex("en"));
        set_data_dir(data_.path() + "/");
        macroDir = data_.path() + "/mac/";
        std::filesystem::create_directories(macroDir);
        InitKey();  // the keyboard's limits: macro buffer, repeats, delays
        init_macro_list();
        init_keypro_list();
        init_profile_list();

        _ST_KEYPRO table{};
        table.dwID = int32_t(kTableId);
        std::strcpy(table.szName, "Games");
        // Every byte of every record set, so a write that strays shows; each
        // key assigned Ctrl + Q.
        std::memset(table.stKey, 0x5A, sizeof table.stKey);
        for (_KEYINFO& key : table.stKey) {
            key.dwFunID = 0x02000000;
            key.stCombo = ST_COMBO{MOD_LCTRL, uint8_t(hostKey(KEY_Q)), VK_NONE, 0x5A};
        }
        keyTable = add_new_keypro_to_list(&table);

        _ST_PROFILE profile{};
        profile.dwMagic = PROFILE_MAGIC;
        profile.dwID = 7;
        std::strcpy(profile.szName, "Profile 1");
        profile.dwKeyProID[0] = kTableId;
        profile.nLayer = 0;
        std::memset(profile.stKnod, 0x5A, sizeof profile.stKnod);
        profile.nKnodSet = 2;
        this->profile = add_new_profile_to_list(&profile);
        set_current_profile(this->profile);

        owner = std::make_unique<QWidget>();
        owner->resize(900, 640);
        overlay = new HideView(owner.get());
        overlay->setBeep([] {});
    }

    // Shows the owner as the active window, so focus can be asked of it.
    void showOwner() {
        owner->show();
        QApplication::setActiveWindow(owner.get());
    }

    void TearDown() override {
        owner.reset();
        log.reset();
        destroy_profile_list();
        destroy_keypro_list();
        destroy_macro_list();
        set_data_dir("");
        SwitchLanguage(languageIndex("en"));
    }

    // A macro file below the macro folder; its identifier is id.
    void putMacro(const std::string& rel, uint32_t id, const char* name) {
        std::filesystem::create_directories(std::filesystem::path(macroDir + rel).parent_path());
        _ST_MACRO macro{};
        ASSERT_EQ(new_macro(name, &macro), 1);
        macro.dwID = id;
        ASSERT_TRUE(write_macro_file(macroDir + rel, &macro));
    }

    TempDir data_;
    std::string macroDir;
    _ST_KEYPRO* keyTable = nullptr;
    _ST_PROFILE* profile = nullptr;
    // The macro folder a macro editor of the owner shows; outlives the owner.
    MacroTree macros{MacroIdRepair::Rewrite};
    std::unique_ptr<QWidget> owner;
    HideView* overlay = nullptr;
    std::optional<LogCapture> log;
};

}  // namespace keyloom::test
