// The main window's key tables: the menu of the selected mode's tables,
// choosing one, and New, Rename and Delete, each keeping the profile's table
// for that mode right.
#include "widgets/mainview_ground.h"

#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <cstring>
#include <string>

#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/MenuWindow.h"
#include "widgets/TextField.h"

namespace keyloom {
namespace {

class MainViewSets : public test::MainViewGround {
protected:
    QStringList menuTexts(MenuWindow* menu) {
        QStringList texts;
        for (PngButton* entry : menu->buttons()) texts << entry->caption();
        return texts;
    }
    // The window with the menu window drawn where it lies over it, as the user sees them.
    void saveWithMenu(MenuWindow* menu, const QString& name) {
        QPixmap shot = view->grab();
        QPainter painter(&shot);
        painter.drawPixmap(menu->mapToGlobal(QPoint(0, 0)) - view->mapToGlobal(QPoint(0, 0)), menu->grab());
        painter.end();
        QLabel composite;
        composite.setPixmap(shot);
        composite.resize(shot.size());
        test::saveScreenshot(&composite, name);
    }
    int setsOfMode(int mode) {
        int count = 0;
        while (get_keypro_by_index(count, mode)) ++count;
        return count;
    }
    static int languageOf(const char* dir) {
        for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i)
            if (std::strcmp(gVar.Lang[i].szDir, dir) == 0) return i;
        return -1;
    }
    // Tables added to a mode until the list is full (ids by hand: the id source is slow).
    void fillTheList(int mode) {
        for (int n = 1; !keypro_list_full(); ++n) {
            _ST_KEYPRO set{};
            set.dwID = 0x7000 + n;
            set.nLayer = mode;
            const std::string name = "Extra " + std::to_string(n);
            std::strcpy(set.szName, name.c_str());
            ResetKeyPro(&set);
            ASSERT_NE(add_new_keypro_to_list(&set), nullptr);
        }
    }
};

TEST_F(MainViewSets, TheMenuListsTheModesTablesBelowTheChooser) {
    build();
    click(probe->btnKeyPro());
    MenuWindow* menu = probe->setMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menuTexts(menu), QStringList({"Work", "Games", "Photo", "Music", "Travel"}));
    EXPECT_EQ(menu->height(), 100 + 2);  // five entries of 20 and the border
    EXPECT_EQ(menu->width(), 163 + 2);
    // It hangs from the chooser: its entries start at the chooser's bottom edge.
    const QPoint chooserBottomLeft = probe->btnKeyPro()->mapToGlobal(QPoint(0, probe->btnKeyPro()->height()));
    EXPECT_EQ(menu->geometry().bottom() + 1, chooserBottomLeft.y() + 100);
    EXPECT_EQ(menu->x(), chooserBottomLeft.x());
    saveWithMenu(menu, "mainview_set_menu");

    // Choosing a table shows it and makes it the profile's for M1; nothing is sent.
    click(menu->buttons().at(3));
    EXPECT_EQ(probe->btnKeyPro()->caption(), "Music");
    EXPECT_EQ(profile->dwKeyProID[0], uint32_t(setOfMode(0, 3)->dwID));
    EXPECT_EQ(profile->dwKeyProID[1], modeSet[1]);
    EXPECT_FALSE(anyRequest());
}

TEST_F(MainViewSets, TheMenuOfM2ListsOnlyItsTable) {
    build();
    click(probe->btnPro(1));
    click(probe->btnKeyPro());
    ASSERT_NE(probe->setMenu(), nullptr);
    EXPECT_EQ(menuTexts(probe->setMenu()), QStringList({"Shooter"}));
    EXPECT_EQ(probe->setMenu()->height(), 20 + 2);
}

TEST_F(MainViewSets, DeletingKeepsTheLastTableAndOtherwiseShowsTheModesFirst) {
    build();
    click(probe->btnPro(1));  // M2 has one table
    click(probe->btnDel());
    answer(true);
    EXPECT_EQ(setsOfMode(1), 1);
    EXPECT_EQ(probe->btnKeyPro()->caption(), "Shooter");
    EXPECT_EQ(profile->dwKeyProID[1], modeSet[1]);

    click(probe->btnPro(0));  // M1 has five, "Games" shown
    click(probe->btnDel());
    // The question names the table it deletes.
    EXPECT_EQ(probe->msgView()->strMsg, QString::fromStdString(FormatText("tc_del_keytable_ask", {"Games"})));
    answer(false);
    EXPECT_EQ(setsOfMode(0), 5);
    click(probe->btnDel());
    answer(true);
    EXPECT_EQ(setsOfMode(0), 4);
    EXPECT_EQ(get_keypro_by_id(modeSet[0]), nullptr);
    EXPECT_EQ(probe->btnKeyPro()->caption(), "Work");
    EXPECT_EQ(profile->dwKeyProID[0], uint32_t(setOfMode(0, 0)->dwID));
    EXPECT_EQ(profile->dwKeyProID[2], modeSet[2]);
}

TEST_F(MainViewSets, ANewTableUnderM3BelongsToTheThirdLayer) {
    build();
    click(probe->btnPro(2));
    click(probe->btnNew());
    EXPECT_EQ(probe->msgView()->maxStringBytes, 39);
    EXPECT_TRUE(probe->msgView()->textField->text().isEmpty());
    EXPECT_EQ(probe->msgView()->strMsg, QString::fromStdString(GetText("tc_msg20")));
    test::saveScreenshot(view.get(), "mainview_new_table");
    answer(true, "Racing");
    ASSERT_EQ(setsOfMode(2), 2);
    const _ST_KEYPRO* added = setOfMode(2, 1);
    EXPECT_STREQ(added->szName, "Racing");
    EXPECT_EQ(added->nLayer, 2);
    EXPECT_EQ(profile->dwKeyProID[2], uint32_t(added->dwID));
    EXPECT_EQ(probe->btnKeyPro()->caption(), "Racing");
    EXPECT_EQ(profile->dwKeyProID[0], modeSet[0]);
}

TEST_F(MainViewSets, ANameTheModeHasAlreadyIsRefusedInTheDialogWithTheReason) {
    build();
    click(probe->btnNew());
    answer(true, "Photo");
    ASSERT_TRUE(probe->msgView()->isVisible());  // still open, the name kept to edit
    EXPECT_EQ(probe->msgView()->textField->text(), "Photo");
    EXPECT_EQ(probe->msgView()->refusal, QString::fromStdString(FormatText("tc_name_taken", {"Photo"})));
    test::saveScreenshot(view.get(), "mainview_table_name_taken");
    EXPECT_EQ(setsOfMode(0), 5);
    answer(true, "Pho/to");  // a character a file name cannot hold (the table is exported under its name)
    EXPECT_EQ(probe->msgView()->refusal, QString::fromStdString(GetText("tc_macro_badname")));
    answer(true, "Shooter");  // taken in M2 only: fine for M1
    EXPECT_EQ(setsOfMode(0), 6);
    EXPECT_FALSE(probe->msgView()->isVisible());
}

TEST_F(MainViewSets, TheFiftyFirstTableIsRefusedWithTheLimit) {
    fillTheList(2);
    ASSERT_EQ(get_keypro_count(), KEYPRO_FILE_SLOTS);
    build();
    for (const char* language : {"en", "German"}) {
        probe->btnText()->SetCurSel(SwitchLanguage(languageOf(language)));  // as the chooser does
        view->onRefreshText();
        click(probe->btnNew());
        // Said before a name is asked for.
        ASSERT_TRUE(probe->msgView()->isVisible()) << language;
        EXPECT_EQ(probe->msgView()->msgID, MSG_NOTICE);
        EXPECT_EQ(probe->msgView()->strMsg, QString::fromStdString(FormatText("tc_keypro_full", {"50"})));
        test::saveScreenshot(view.get(), QStringLiteral("mainview_tables_full_%1").arg(language));
        answer(true);
        EXPECT_FALSE(probe->msgView()->isVisible());
    }
    SwitchLanguage(test::englishIndex());
    EXPECT_EQ(QString::fromStdString(FormatText("tc_keypro_full", {"50"})), "At most 50 key tables fit. Delete one first.");
    EXPECT_EQ(get_keypro_count(), KEYPRO_FILE_SLOTS);

    // A table deleted makes room for one more, and no more.
    click(probe->btnDel());
    answer(true);
    click(probe->btnNew());
    EXPECT_EQ(probe->msgView()->msgID, MSG_TEXT);
    answer(true, "One more");
    EXPECT_EQ(get_keypro_count(), KEYPRO_FILE_SLOTS);
    EXPECT_EQ(probe->btnKeyPro()->caption(), "One more");
    click(probe->btnNew());
    EXPECT_EQ(probe->msgView()->msgID, MSG_NOTICE);
    answer(true);
}

TEST_F(MainViewSets, ALongMenuOfTablesStaysOnTheScreenAndScrolls) {
    fillTheList(0);
    const int tables = setsOfMode(0);
    build();
    click(probe->btnKeyPro());
    MenuWindow* menu = probe->setMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->buttons().size(), size_t(tables));
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(menu->geometry()));
    // It opens on the table in use ("Games").
    EXPECT_EQ(menu->currentEntry(), 1);

    // The last table is reached with the keys, shown scrolled, and chosen.
    QTest::keyClick(menu, Qt::Key_End);
    EXPECT_TRUE(menu->buttons().back()->isVisible());
    saveWithMenu(menu, "mainview_set_menu_scrolled");
    QTest::keyClick(menu, Qt::Key_Return);
    const _ST_KEYPRO* last = setOfMode(0, tables - 1);
    EXPECT_EQ(probe->btnKeyPro()->caption(), QString::fromUtf8(last->szName));
    EXPECT_EQ(profile->dwKeyProID[0], uint32_t(last->dwID));
    EXPECT_FALSE(anyRequest());
}

TEST_F(MainViewSets, RenameStartsFromTheNameAndTheFieldStopsAt39Bytes) {
    build();
    click(probe->btnRename());
    MsgView* dialog = probe->msgView();
    EXPECT_EQ(dialog->textField->text(), "Games");
    EXPECT_EQ(dialog->textField->selectedText(), "Games");
    // 38 ASCII letters take 38 bytes; a two-byte letter after them would need 40: the field does not take it.
    const QString name = QString(38, QLatin1Char('a'));
    dialog->textField->clear();
    dialog->textField->insert(name);
    dialog->textField->insert(QString(QChar(0x00E9)));
    EXPECT_EQ(dialog->textField->text(), name);
    dialog->textField->insert("b");
    EXPECT_EQ(dialog->textField->text(), name + "b");
    QTest::keyClick(dialog->textField, Qt::Key_Return);
    const _ST_KEYPRO* set = get_keypro_by_id(modeSet[0]);
    EXPECT_EQ(std::string(set->szName), (name + "b").toStdString());
    EXPECT_EQ(probe->btnKeyPro()->caption(), name + "b");
    EXPECT_EQ(profile->dwKeyProID[0], modeSet[0]);

    click(probe->btnRename());
    answer(false, "Other");
    EXPECT_EQ(std::string(set->szName), (name + "b").toStdString());
    // Renaming a table to its own name is no clash.
    click(probe->btnRename());
    QTest::keyClick(dialog->textField, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
}

}  // namespace
}  // namespace keyloom

namespace keyloom {
namespace {

TEST_F(MainViewSets, TheTableInUseIsExportedAndImportedFromItsMenu) {
    build();
    const std::string file = data_.path() + "/games.duk";
    std::vector<QString> suggested;
    view->chooseExchangeFile = [&](bool, const QString& name) {
        suggested.push_back(name);
        return QString::fromStdString(file);
    };
    auto choose = [&](int entry) {
        click(probe->btnExchange());
        MenuWindow* menu = probe->setMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menuTexts(menu), (QStringList{"Import Key Table…", "Export Key Table…"}));
        if (entry == 1) saveWithMenu(menu, "mainview_exchange_menu");
        click(menu->buttons().at(size_t(entry)));
    };
    EXPECT_FALSE(probe->btnExchange()->accessibleName().isEmpty());

    choose(1);  // export
    EXPECT_EQ(suggested.back(), "Games.duk");
    ASSERT_TRUE(std::filesystem::exists(file));
    if (probe->msgView()->isVisible()) answer(true);

    // A change to the table, then the exported table imported back over it.
    _ST_KEYPRO* games = get_keypro_by_id(modeSet[0]);
    games->stKey[kChangedKey].dwFunID = MAKE_FUNID(FUN_MOUSE, 1);
    probe->InitKey();
    choose(0);
    if (probe->msgView()->isVisible()) answer(true);
    games = get_keypro_by_id(profile->dwKeyProID[0]);
    ASSERT_NE(games, nullptr);
    EXPECT_TRUE(IS_DEFAULT_KEY(games->stKey[kChangedKey], g_defKEY[kChangedKey]));
    EXPECT_EQ(trace.str(), "");  // nothing went to the keyboard
}

}  // namespace
}  // namespace keyloom
