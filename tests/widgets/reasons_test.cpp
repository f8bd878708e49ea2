// What the window tells the user when the core refuses or fails: the reason
// in the window's language, Qt's own buttons in that language too, and core
// alerts drawn in the window's message dialog, one at a time.
#include "widgets/mainview_ground.h"

#include <QDialogButtonBox>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "base/PublicLib.h"
#include "base/reason.h"
#include "config/language.h"
#include "ui/MsgView.h"
#include "widgets/ComboBtn.h"
#include "widgets/MenuWindow.h"
#include "widgets/QtAlertSink.h"

namespace keyloom {
namespace {

class WindowReasons : public test::MainViewGround {
protected:
    void TearDown() override {
        if (view) choose("en");  // Qt's texts back in English for the tests after these
        MainViewGround::TearDown();
    }
    // The language chooser, as the user picks an entry.
    void choose(const char* dir) {
        for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i) {
            if (std::strcmp(gVar.Lang[i].szDir, dir) == 0) probe->btnText()->SetCurSel(i);
        }
        probe->btnClick(probe->btnText());
    }
    // Import from the exchange menu, the file dialog answering `path`.
    void importFrom(const std::string& path) {
        view->chooseExchangeFile = [path](bool, const QString&) { return QString::fromStdString(path); };
        click(probe->btnExchange());
        MenuWindow* menu = probe->setMenu();
        ASSERT_NE(menu, nullptr);
        click(menu->buttons().at(0));
    }
};

TEST_F(WindowReasons, ARefusedExchangeFileIsToldInTheWindowsLanguage) {
    build();
    const std::string shortFile = data_.path() + "/short.duk";
    std::ofstream(shortFile) << "short";
    const std::string missing = data_.path() + "/none.duk";
    struct Expected {
        const char* language;
        std::string refused;  // the short file
        std::string absent;   // the missing one
    };
    const Expected cases[] = {
        {"German", shortFile + " konnte nicht importiert werden.\nDie Datei ist zu kurz für eine Austauschdatei.",
         missing + " konnte nicht importiert werden.\nDatei oder Ordner nicht gefunden"},
        {"Russian", "Не удалось импортировать " + shortFile + ".\nФайл слишком короткий, чтобы быть файлом обмена.",
         "Не удалось импортировать " + missing + ".\nНет такого файла или каталога"},
    };
    for (const Expected& c : cases) {
        choose(c.language);
        importFrom(shortFile);
        ASSERT_TRUE(probe->msgView()->isVisible()) << c.language;
        EXPECT_EQ(probe->msgView()->msgID, MSG_NOTICE);
        EXPECT_EQ(probe->msgView()->strMsg.toStdString(), c.refused) << c.language;
        test::saveScreenshot(view.get(), QStringLiteral("reason_import_short_%1").arg(c.language));
        answer(true);

        importFrom(missing);
        ASSERT_TRUE(probe->msgView()->isVisible()) << c.language;
        EXPECT_EQ(probe->msgView()->strMsg.toStdString(), c.absent) << c.language;
        EXPECT_FALSE(probe->msgView()->strMsg.contains("No such file")) << c.language;
        test::saveScreenshot(view.get(), QStringLiteral("reason_import_missing_%1").arg(c.language));
        answer(true);
    }
}

TEST_F(WindowReasons, QtsOwnButtonsFollowTheLanguageChooser) {
    build();
    choose("German");
    EXPECT_EQ(QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text(), "Abbrechen");
    choose("French");
    EXPECT_EQ(QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text(), "Annuler");
    choose("en");
    EXPECT_EQ(QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text(), "Cancel");
}

TEST_F(WindowReasons, CoreAlertsOpenOneAfterAnotherInTheWindowsDialog) {
    build();
    choose("German");
    QtAlertSink sink(nullptr);
    PubLib::setAlertSink(&sink);
    // As the program wires it: the window's notice, one alert at a time.
    sink.setWindowMessages(
        [this](const QString& text, bool, std::function<void(bool)> answered) {
            if (view->messageShown()) return false;
            view->showMessage(text, false, answered);
            return true;
        },
        false);
    const std::string first(6, 'x');
    const std::string second = FormatText("tc_save_failed", {data_.path() + "/pro.dct: " + ReasonText(ErrnoReason(ENOSPC))});
    // A worker's alerts never wait for the user; they open one after another.
    std::thread worker([&] {
        PubLib::showSystemMessage(first, "Warning", nullptr, nullptr);
        PubLib::showSystemMessage(second, "Warning", nullptr, nullptr);
    });
    worker.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe->msgView()->isVisible(); }, 5000));
    EXPECT_EQ(probe->msgView()->strMsg.toStdString(), first);
    answer(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe->msgView()->isVisible(); }, 5000));
    EXPECT_EQ(probe->msgView()->strMsg.toStdString(), second);
    EXPECT_NE(second.find("Kein Speicherplatz mehr auf dem Gerät"), std::string::npos) << second;
    test::saveScreenshot(view.get(), "reason_alert_in_window_German");
    answer(true);
    // On the window's thread an alert returns only once it is closed: what
    // follows it (the end after a pulled-out keyboard) waits for the user.
    bool closedByUser = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!probe->msgView()->isVisible()) return;
        closedByUser = true;
        answer(true);
    });
    closer.start(10);
    QEventLoop running;  // as in the running program
    QTimer::singleShot(0, [&] {
        PubLib::showSystemMessage(first, "Warning", nullptr, nullptr);
        EXPECT_TRUE(closedByUser);
        running.quit();
    });
    running.exec();
    EXPECT_TRUE(closedByUser);
    PubLib::setAlertSink(nullptr);
}

}  // namespace
}  // namespace keyloom
