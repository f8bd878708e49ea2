// The rules dialog of the main window: the key tables that follow the
// application in front, opened from the button on the key-table chooser's
// title line. Rules are added, changed and removed through its editor and
// saved at once; a refused one says why and changes nothing; a rule whose
// key table is gone shows greyed with the reason; Escape closes it.
#include <QFontMetricsF>
#include <QLabel>

#include "base/fileio.h"
#include "base/paths.h"
#include "base/texts.h"
#include "store/focus_rules.h"
#include "ui/RulesView.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "ui/Skin.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/MenuWindow.h"
#include "widgets/MyOutlineView.h"
#include "mainview_ground.h"
#include "skingen/skin_sizes.h"

namespace keyloom {
namespace {

class RulesDialog : public test::MainViewGround {
protected:
    // The window over the data, handed the rules as the application shell does.
    void buildWithRules() {
        plugKeyboard();
        build();
        view->setFocusRules(&rules, [this] { ++edits; }, [this] { return running; });
        view->setFollowingStatus(kStatus);
        view->activateWindow();  // the dialog gives its field the keys
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get(), 5000));
    }
    RulesView* open() {
        click(probe->btnRules());
        RulesView* dialog = probe->rulesViewBuilt();
        EXPECT_TRUE(dialog && dialog->isVisible());
        return dialog;
    }
    // Chooses the entry with this caption from a drop-down, as the user does.
    static void choose(ComboBtn* chooser, const QString& caption) {
        click(chooser);
        MenuWindow* menu = chooser->openMenu();
        ASSERT_NE(menu, nullptr);
        for (PngButton* entry : menu->buttons()) {
            if (entry->caption() != caption) continue;
            click(entry);
            return;
        }
        ADD_FAILURE() << "no entry " << caption.toStdString();
        menu->closeMenu();
    }
    static QModelIndex rowIndex(RulesView* dialog, int row) {
        return dialog->listRules->delegateSource()->index(row, 0);
    }
    static void clickRow(RulesView* dialog, int row) {
        MyOutlineView* list = dialog->listRules;
        test::clickAt(list->viewport(), list->visualRect(rowIndex(dialog, row)).center());
    }
    static QString rowText(RulesView* dialog, int row, int role = Qt::DisplayRole) {
        return dialog->listRules->delegateSource()->data(rowIndex(dialog, row), role).toString();
    }
    static int rowCount(RulesView* dialog) { return dialog->listRules->delegateSource()->rowCount(); }
    static void typeApp(RulesView* dialog, const QString& app) {
        dialog->fieldApp->selectAll();
        QTest::keyClicks(dialog->fieldApp, app);
    }
    // What the rules file holds, read afresh.
    std::vector<FocusRule> stored() {
        FocusRules again;
        again.load();
        return again.rules();
    }
    // Every shown control lies inside the dialog, none on another, and no
    // caption is cut.
    static void expectTidy(RulesView* dialog, const std::string& lang) {
        std::vector<QWidget*> shown;
        for (QObject* child : dialog->children())
            if (auto* w = qobject_cast<QWidget*>(child); w && w->isVisibleTo(dialog) && w != dialog->lblNoRules)
                shown.push_back(w);
        for (size_t i = 0; i < shown.size(); ++i) {
            EXPECT_TRUE(dialog->rect().contains(shown[i]->geometry())) << lang << " " << i;
            for (size_t j = i + 1; j < shown.size(); ++j)
                EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry())) << lang << " " << i << "/" << j;
        }
        for (PngButton* b : {dialog->btnAdd, dialog->btnChange, dialog->btnRemove, dialog->btnOk,
                             static_cast<PngButton*>(dialog->btnPick), static_cast<PngButton*>(dialog->btnTable)})
            EXPECT_EQ(b->shownCaption(), b->caption()) << lang;
    }

    static inline const QString kStatus = QStringLiteral("Following the application in front: X11");
    FocusRules rules;
    std::vector<std::string> running{"firefox", "steam_app_570", "org.gnome.Nautilus"};
    int edits = 0;
};

TEST_F(RulesDialog, RulesAreAddedChangedAndRemovedThroughTheEditor) {
    buildWithRules();
    EXPECT_EQ(probe->rulesViewBuilt(), nullptr);  // built when first opened
    RulesView* dialog = open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(probe->hideView()->isVisible());
    EXPECT_EQ(dialog->lblStatus->text(), kStatus);
    EXPECT_TRUE(dialog->lblNoRules->isVisible());
    test::saveScreenshot(view.get(), "rules_dialog_empty");
    EXPECT_EQ(QApplication::focusWidget(), dialog->fieldApp);

    // The layer chooses the tables offered: M2 has only its own.
    choose(dialog->btnLayer, "M2");
    EXPECT_EQ(dialog->btnTable->GetCount(), 1);
    EXPECT_EQ(dialog->btnTable->caption(), "Shooter");
    choose(dialog->btnLayer, "M1");
    EXPECT_EQ(dialog->btnTable->GetCount(), 5);
    choose(dialog->btnTable, "Games");
    typeApp(dialog, "steam_app_570");
    click(dialog->btnAdd);
    const FocusRule gaming{"steam_app_570", 0, "Games"};
    EXPECT_EQ(rules.rules(), std::vector<FocusRule>{gaming});
    EXPECT_EQ(stored(), std::vector<FocusRule>{gaming});
    EXPECT_EQ(edits, 1);
    ASSERT_EQ(rowCount(dialog), 1);
    EXPECT_EQ(rowText(dialog, 0), QString::fromUtf8("M1 · Games · steam_app_570"));
    EXPECT_EQ(dialog->selectedRule(), 0);
    EXPECT_FALSE(dialog->lblNoRules->isVisible());

    // The same application on the same layer again is refused: the reason
    // shows, nothing changes, and the reason goes at the next edit.
    click(dialog->btnAdd);
    EXPECT_EQ(dialog->lblRefusal->text(), "This application already has a rule for this layer");
    EXPECT_TRUE(dialog->lblRefusal->isVisible());
    EXPECT_EQ(rules.rules().size(), 1u);
    EXPECT_EQ(stored(), rules.rules());
    EXPECT_EQ(edits, 1);
    test::saveScreenshot(view.get(), "rules_dialog_refused");
    typeApp(dialog, "steam_app_*");
    EXPECT_FALSE(dialog->lblRefusal->isVisible());

    // Picking a running application fills the field.
    choose(dialog->btnPick, "firefox");
    EXPECT_EQ(dialog->fieldApp->text(), "firefox");
    EXPECT_EQ(dialog->btnPick->caption(), uiText("tc_rule_pick"));
    choose(dialog->btnLayer, "M3");
    click(dialog->btnAdd);
    ASSERT_EQ(rules.rules().size(), 2u);
    EXPECT_EQ(rules.rules()[1], (FocusRule{"firefox", 2, "Office"}));
    EXPECT_EQ(edits, 2);

    // A rule chosen in the list fills the editor; Change replaces it.
    clickRow(dialog, 0);
    EXPECT_EQ(dialog->selectedRule(), 0);
    EXPECT_EQ(dialog->editedRule(), gaming);
    choose(dialog->btnTable, "Music");
    click(dialog->btnChange);
    EXPECT_EQ(rules.rules()[0], (FocusRule{"steam_app_570", 0, "Music"}));
    EXPECT_EQ(stored(), rules.rules());
    EXPECT_EQ(rowText(dialog, 0), QString::fromUtf8("M1 · Music · steam_app_570"));
    EXPECT_EQ(dialog->selectedRule(), 0);
    EXPECT_EQ(edits, 3);
    test::saveScreenshot(view.get(), "rules_dialog_two_rules");

    // Remove takes the selected rule away; nothing is selected after it.
    click(dialog->btnRemove);
    EXPECT_EQ(rules.rules(), (std::vector<FocusRule>{{"firefox", 2, "Office"}}));
    EXPECT_EQ(stored(), rules.rules());
    EXPECT_EQ(rowCount(dialog), 1);
    EXPECT_EQ(dialog->selectedRule(), -1);
    EXPECT_FALSE(dialog->btnChange->isEnabled());
    EXPECT_FALSE(dialog->btnRemove->isEnabled());
    EXPECT_EQ(edits, 4);
    test::saveScreenshot(view.get(), "rules_dialog_after_remove");

    // Escape from the field closes the dialog and its overlay.
    dialog->fieldApp->setFocus();
    QTest::keyClick(dialog->fieldApp, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(probe->hideView()->isVisible());
    EXPECT_EQ(edits, 4);
}

// Rules edited elsewhere (the session bus, keyloomctl) while the dialog is
// open: the rows follow, the chosen rule stays chosen where its row moved,
// and Remove takes that rule, not the one now in its old row.
TEST_F(RulesDialog, RulesEditedElsewhereKeepTheChosenRuleChosen) {
    buildWithRules();
    ASSERT_TRUE(rules.add({"steam_app_570", 0, "Games"}).empty());
    ASSERT_TRUE(rules.add({"firefox", 2, "Office"}).empty());
    RulesView* dialog = open();
    ASSERT_NE(dialog, nullptr);
    clickRow(dialog, 1);
    ASSERT_EQ(dialog->selectedRule(), 1);

    ASSERT_TRUE(rules.remove(0).empty());
    view->refreshRules();
    ASSERT_EQ(rowCount(dialog), 1);
    EXPECT_EQ(rowText(dialog, 0), QString::fromUtf8("M3 · Office · firefox"));
    EXPECT_EQ(dialog->selectedRule(), 0);
    ASSERT_TRUE(rules.add({"code", 1, "Shooter"}).empty());
    view->refreshRules();
    EXPECT_EQ(rowCount(dialog), 2);
    EXPECT_EQ(dialog->selectedRule(), 0);
    click(dialog->btnRemove);
    EXPECT_EQ(rules.rules(), (std::vector<FocusRule>{{"code", 1, "Shooter"}}));
    EXPECT_EQ(stored(), rules.rules());
}

// Lines of the rules file that could not be kept are said when the dialog
// opens, before an edit rewrites the file without them; after it, nothing.
TEST_F(RulesDialog, LinesLeftOutOfTheFileAreSaidBeforeAnEditDropsThem) {
    make_sure_folder_exist(get_data_path());
    const std::string file = "# keyloom focus rules 1\nM4\tGames\tx\nM1\tGames\tgame\nM2\n";
    ASSERT_TRUE(write_file_atomic(FocusRulesPath(), file.data(), file.size()));
    ASSERT_EQ(rules.load().size(), 2u);
    buildWithRules();
    RulesView* dialog = open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->lblRefusal->isVisible());
    EXPECT_EQ(dialog->lblRefusal->text(),
              "Line 2 of the rules file was left out:\nthe layer is not M1, M2 or M3 (+1)");
    test::saveScreenshot(view.get(), "rules_dialog_lines_left_out");

    typeApp(dialog, "steam_app_570");
    click(dialog->btnAdd);
    EXPECT_FALSE(dialog->lblRefusal->isVisible());
    EXPECT_EQ(stored().size(), 2u);
    click(dialog->btnOk);
    dialog = open();
    EXPECT_FALSE(dialog->lblRefusal->isVisible());
}

// A rule whose key table is gone shows greyed with the reason; with no
// running applications known the pick chooser says so and takes no click.
// In English and in the two longest languages nothing is cut or overlaps.
TEST_F(RulesDialog, ABrokenRuleShowsGreyedAndTheDialogFitsInTheLongestLanguages) {
    ASSERT_TRUE(rules.add({"steam_app_570", 0, "Games"}).empty());
    ASSERT_TRUE(rules.add({"obs", 1, "Streaming"}).empty());  // M2 has no such table
    ASSERT_TRUE(rules.add({"org.gnome.Nautilus", 2, "Office"}).empty());
    running.clear();
    buildWithRules();
    view->setFollowingStatus(
        "GNOME Shell tells keyloom which application is in front once its extension is enabled: "
        "gnome-extensions enable keyloom-focus@keyloom.org");
    RulesView* dialog = open();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(rowCount(dialog), 3);
    EXPECT_EQ(dialog->listRules->rootItem()->array[1]->unusable, "tc_rule_broken");
    EXPECT_TRUE(dialog->listRules->rootItem()->array[0]->unusable.empty());
    EXPECT_EQ(rowText(dialog, 1, Qt::ToolTipRole), "no such key table: this rule plays nothing");
    EXPECT_EQ(rowText(dialog, 0, Qt::ToolTipRole), QString());
    EXPECT_FALSE(dialog->btnPick->isEnabled());
    EXPECT_EQ(dialog->btnPick->caption(), "No running applications known");

    // Chosen, it fills the editor but leaves the table to choose again.
    clickRow(dialog, 1);
    EXPECT_EQ(dialog->btnLayer->caption(), "M2");
    EXPECT_EQ(dialog->btnTable->GetCurSel(), -1);
    EXPECT_EQ(dialog->fieldApp->text(), "obs");
    choose(dialog->btnTable, "Shooter");
    click(dialog->btnChange);
    EXPECT_EQ(rules.rules()[1].table, "Shooter");
    EXPECT_TRUE(dialog->listRules->rootItem()->array[1]->unusable.empty());
    ASSERT_TRUE(rules.replace(1, {"obs", 1, "Streaming"}).empty());  // broken again, for the pictures
    dialog->reloadRules();
    clickRow(dialog, 0);

    for (const char* lang : {"en", "German", "Russian"}) {
        int index = -1;
        for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i)
            if (std::strcmp(gVar.Lang[i].szDir, lang) == 0) index = i;
        ASSERT_GE(index, 0) << lang;
        SwitchLanguage(index);
        view->onRefreshText();
        EXPECT_EQ(rowText(dialog, 1, Qt::ToolTipRole), uiText("tc_rule_broken")) << lang;
        EXPECT_EQ(dialog->btnAdd->caption(), uiText("tc_rule_add")) << lang;
        EXPECT_EQ(dialog->btnPick->caption(), uiText("tc_rule_no_apps")) << lang;
        EXPECT_EQ(dialog->editedRule(), rules.rules()[0]) << lang;  // the editor keeps its rule
        expectTidy(dialog, lang);
        test::saveScreenshot(view.get(), QStringLiteral("rules_dialog_broken_%1").arg(lang));
    }
    SwitchLanguage(test::englishIndex());
    view->onRefreshText();
    click(dialog->btnOk);
    EXPECT_FALSE(dialog->isVisible());
}

// The footer's toggle says whether following is on and turns it off and on
// again; without a way to turn it, it is not shown.
TEST_F(RulesDialog, TheFooterToggleTurnsFollowingOffAndOn) {
    buildWithRules();
    std::vector<bool> turned;
    view->setFollowing(true, [&](bool on) { turned.push_back(on); });
    view->setFollowingStatus(QString::fromStdString(FormatText("tc_follow_gnome_off", {"keyloom-focus@keyloom.org"})));
    RulesView* dialog = open();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->btnFollow->isVisible());
    EXPECT_TRUE(dialog->btnFollow->getCheck());
    EXPECT_EQ(dialog->btnFollow->accessibleName(), uiText("tc_follow_toggle"));
    // The box and its label keep clear of OK.
    const QFontMetricsF metrics(get_font());
    EXPECT_LT(dialog->btnFollow->geometry().right() + 6 + metrics.horizontalAdvance(uiText("tc_follow_toggle")),
              dialog->btnOk->geometry().left());
    test::saveScreenshot(view.get(), "rules_dialog_follow_toggle");
    click(dialog->btnFollow);
    click(dialog->btnFollow);
    EXPECT_EQ(turned, (std::vector<bool>{false, true}));
    view->setFollowing(false, {});
    EXPECT_FALSE(dialog->btnFollow->isVisible());
}

// The button sits on the chooser's title line, which keeps room for its
// title in every language; it shows only while there are rules to edit.
TEST_F(RulesDialog, TheButtonSharesTheChoosersTitleLineInEveryLanguage) {
    plugKeyboard();
    build();
    PngButton* button = probe->btnRules();
    EXPECT_FALSE(button->isVisible());
    view->setFocusRules(&rules, {}, {});
    ASSERT_TRUE(button->isVisible());
    EXPECT_EQ(button->accessibleName(), "Rules…");
    for (PngButton* other : {probe->btnKeyPro(), probe->btnNew(), probe->btnDel(), probe->btnRename(),
                             probe->btnExchange()})
        EXPECT_FALSE(button->geometry().intersects(other->geometry()));
    const QRectF title = probe->chooserTitleRect();
    EXPECT_LE(title.right(), frameOf(button).x());
    const QFont font = panelTextStyle(TextAlign::Left).font;
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i) {
        SwitchLanguage(i);
        view->onRefreshText();
        const std::string dir = gVar.Lang[i].szDir;
        EXPECT_LE(QFontMetricsF(font).horizontalAdvance(uiText("tc_protitle")), title.width()) << dir;
        EXPECT_EQ(button->shownCaption(), button->caption()) << dir;
        if (dir == "en" || dir == "French" || dir == "Russian")
            test::saveScreenshot(view.get(), QString::fromStdString("mainview_rules_button_" + dir));
    }
    SwitchLanguage(test::englishIndex());
    view->onRefreshText();
    view->setFocusRules(nullptr, {}, {});
    EXPECT_FALSE(button->isVisible());
}

// The list lies in the well the picture draws for it, the editor on its card.
TEST(RulesDialogPicture, TheListLiesInItsWell) {
    test::useShippedConfig();
    QWidget owner;
    owner.resize(900, 808);
    RulesView dialog(&owner);
    const skins::Area well = skins::kRulesListWell;
    const QRect wellRect(well.x, well.y, well.w, well.h);
    EXPECT_TRUE(wellRect.contains(dialog.listRules->geometry()));
    const skins::Area card = skins::kRulesEditorCard;
    const QRect cardRect(card.x, card.y, card.w, card.h);
    for (QWidget* control : std::initializer_list<QWidget*>{dialog.btnLayer, dialog.btnTable, dialog.fieldApp,
                                                            dialog.btnPick, dialog.btnAdd, dialog.btnRemove})
        EXPECT_TRUE(cardRect.contains(control->geometry()));
    EXPECT_EQ(ImageProcess::getImageSize(loadSkinImage("rules_nr.png")), QSize(RulesView::WIDTH, RulesView::HEIGHT));
}

}  // namespace
}  // namespace keyloom
