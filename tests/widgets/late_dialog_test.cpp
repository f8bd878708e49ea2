// The window builds its dialogs on their first use. A dialog built that late
// must look exactly like one built with the window: same picture, texts,
// controls and state, whatever the window did in between.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>
#include <vector>

#include "ui/ColorPickView.h"
#include "ui/MacroView.h"
#include "ui/MsgView.h"
#include "ui/PickFuncView.h"
#include "ui/SrView.h"
#include "widgets/Frame.h"
#include "widgets/ProgressView.h"
#include "widgets/mainview_ground.h"

namespace keyloom {
namespace {

class LateDialogs : public test::MainViewGround {
protected:
    struct Opening {
        const char* name;
        std::function<void()> open;     // what the user does
        std::function<QWidget*()> shown;  // the dialog it opens
    };

    // Every dialog of the window, opened the way a user opens it.
    std::vector<Opening> openings() {
        return {
            {"message", [this] { view->showMessage(QStringLiteral("Saved."), false, [](bool) {}); },
             [this] { return probe->msgView(); }},
            {"picker",
             [this] {
                 const QRectF at = flipRect(probe->kbView()->keyRect(kKey), probe->kbView()->height());
                 test::clickAt(probe->kbView(), at.center().toPoint());
             },
             [this] { return probe->funPickView(); }},
            {"knob_settings", [this] { probe->onKnodDClicked(2); }, [this] { return probe->srView(); }},
            {"macro_editor", [this] { click(probe->btnMacro()); }, [this] { return probe->macroView(); }},
        };
    }

    // The window as start-up makes it; with early, its dialogs are built
    // with it, before it shows anything.
    void buildWindow(bool early) {
        msParam = std::make_unique<ThreadParam>();
        view = std::make_unique<MainView>(link.get());
        probe = std::make_unique<MainViewProbe>(*view);
        if (early) {
            probe->msgView(), probe->funPickView(), probe->srView(), probe->macroView(), probe->progressView(),
                probe->colorPickView();
        }
        view->hideApplication = [this] { ++hides; };
        view->show();
        view->SetAsCurProfile(profile);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    // What each dialog shows once opened in a window built so.
    std::vector<QImage> pictures(bool early, const char* suffix) {
        buildWindow(early);
        std::vector<QImage> shown;
        for (const Opening& opening : openings()) {
            opening.open();
            QWidget* dialog = opening.shown();
            EXPECT_TRUE(dialog->isVisible()) << opening.name;
            shown.push_back(dialog->grab().toImage());
            test::saveScreenshot(dialog, QStringLiteral("late_dialog_%1_%2").arg(opening.name, suffix));
            // The picker takes Escape as a key to assign: its Cancel closes it.
            if (dialog == probe->funPickView())
                click(probe->funPickView()->btnCancel);
            else
                QTest::keyClick(dialog, Qt::Key_Escape);
            EXPECT_FALSE(dialog->isVisible()) << opening.name << " stays open";
        }
        probe.reset();
        view.reset();
        return shown;
    }

    static constexpr int kKey = 10;
};

TEST_F(LateDialogs, ADialogBuiltOnFirstUseLooksLikeOneBuiltWithTheWindow) {
    plugKeyboard();
    const std::vector<QImage> early = pictures(true, "early");
    const std::vector<QImage> late = pictures(false, "late");
    ASSERT_EQ(early.size(), late.size());
    for (size_t i = 0; i < early.size(); ++i) {
        EXPECT_FALSE(early[i].isNull());
        EXPECT_EQ(early[i].size(), late[i].size()) << openings()[i].name;
        EXPECT_TRUE(early[i] == late[i]) << openings()[i].name << " differs when built late";
    }
}

}  // namespace
}  // namespace keyloom
