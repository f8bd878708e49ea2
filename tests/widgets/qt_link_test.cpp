// The device link on Qt's event loop: hot-plug and the keyboard's
// notifications reach the window's thread through QtMainLoop, as they do
// through the poll loop in keyloomctl.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "config/gvar.h"
#include "device/Dev6120.h"
#include "device/HidAccess.h"
#include "device/SimKeyboard.h"
#include "device/apply.h"
#include "ui/QtMainLoop.h"

namespace keyloom {
namespace {

class RecordingWindow : public DeviceEvents {
public:
    void onPoP(uint8_t b1, uint8_t b2, uint8_t b3) override { pops.push_back({b1, b2, b3}); }
    void onExit() override { ++exits; }
    void onLinkChanged(const HidDeviceRef& dev) override { links.push_back(dev ? dev->node : "removed"); }

    std::vector<std::array<uint8_t, 3>> pops;
    int exits = 0;
    std::vector<std::string> links;
};

// Runs Qt's loop until done() holds (or five seconds pass).
bool runQtUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(QtLink, NotificationsAndHotPlugArriveOnTheQtLoop) {
    const _GVAR saved = gVar;
    gVar.Suwnd = 1;
    auto sim = std::make_shared<SimKeyboard>();
    SetHidBackendFactory(SimKeyboardFactory(sim));
    RecordingWindow window;
    mainView = &window;
    {
        QtMainLoop loop;
        Dev6120 link(loop);
        ASSERT_EQ(link.InitHID(), 1);
        ASSERT_EQ(link.FindHIDDevice(), 1);

        ASSERT_TRUE(sim->sendLayer(2));
        ASSERT_TRUE(sim->knobMoved(5));
        EXPECT_TRUE(runQtUntil([&] { return window.pops.size() >= 2; }));
        ASSERT_EQ(window.pops.size(), 2u);
        EXPECT_EQ(window.pops[0], (std::array<uint8_t, 3>{2, 6, 0}));  // layer M2

        ASSERT_TRUE(sim->unplug());
        EXPECT_TRUE(runQtUntil([&] { return !window.links.empty() && window.links.back() == "removed"; }));
        ASSERT_TRUE(sim->plug());
        EXPECT_TRUE(runQtUntil([&] { return window.links.back() != "removed"; }));
        EXPECT_EQ(window.exits, 0);  // Suwnd 1 keeps the program running without a keyboard
    }
    mainView = nullptr;
    SetHidBackendFactory(nullptr);
    gVar = saved;
}

}  // namespace
}  // namespace keyloom
