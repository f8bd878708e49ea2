// A long session in the window, on the simulated keyboard: every dialog is
// opened the way a user opens it and closed again, and an apply runs, round
// after round. Prints how long each dialog takes from the click to its first
// painted frame (its first opening, when it is built, and the median of the
// later ones), and peak memory (VmHWM) after the first round and after the
// last. Usage: keyloom_session_bench [ROUNDS]  (default 100); run it on an X
// server or with QT_QPA_PLATFORM=offscreen (bench/session.sh does).
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/Dev6120.h"
#include "device/HidAccess.h"
#include "device/SimKeyboard.h"
#include "device/apply.h"
#include "model/stprofile.h"
#include "store/startup.h"
#include "store/startup_data.h"
#include "ui/ColorPickView.h"
#include "ui/MacroView.h"
#include "ui/MainView.h"
#include "ui/MsgView.h"
#include "ui/PickFuncView.h"
#include "ui/QtMainLoop.h"
#include "ui/SrView.h"
#include "widgets/Frame.h"
#include "widgets/ProgressView.h"
#include "widgets/mainview_probe.h"

using namespace keyloom;

namespace {

long peakKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

bool runUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// Notes when a widget is painted.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

void click(QWidget* widget, QPoint at) { QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at); }

struct Opening {
    const char* name;
    std::function<void()> open;
    std::function<QWidget*()> shown;
    std::function<void(QWidget*)> close;
    std::vector<double> ms;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100;
    QApplication app(argc, argv);
    QTemporaryDir data;
    CoreOptions options;
    options.dataDir = data.path().toStdString() + "/";
    options.logLevel = "off";
    std::string failure;
    if (!StartCore(options, &failure)) {
        std::fprintf(stderr, "keyloom_session_bench: %s\n", failure.c_str());
        return 1;
    }
    auto sim = std::make_shared<SimKeyboard>();
    SetHidBackendFactory(SimKeyboardFactory(sim));
    QtMainLoop loop;
    Dev6120 link(loop);
    if (link.InitHID() != 1 || link.FindHIDDevice() != 1) return 1;
    SetPauseScalePercent(0);  // the pauses between an apply's steps hold no memory
    msParam = std::make_unique<ThreadParam>();
    int applies = 0;
    msParam->finished = [&applies](int32_t, bool) { ++applies; };

    auto view = std::make_unique<MainView>(&link);
    MainViewProbe probe(*view);
    PrepareStoredData(StoredDataMode::Writable);
    view->SetAsCurProfile(get_current_profile());
    StartApplyWorker(link, view.get());
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get())) return 1;

    const auto escape = [](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); };
    std::vector<Opening> openings = {
        {"message", [&] { view->showMessage(QStringLiteral("Saved."), false, [](bool) {}); },
         [&] { return probe.msgView(); }, escape, {}},
        {"key picker",
         [&] {
             const QRectF at = flipRect(probe.kbView()->keyRect(10), probe.kbView()->height());
             click(probe.kbView(), at.center().toPoint());
         },
         [&] { return probe.funPickView(); }, [&](QWidget*) { click(probe.funPickView()->btnCancel, {5, 5}); }, {}},
        {"knob settings", [&] { probe.onKnodDClicked(2); }, [&] { return probe.srView(); }, escape, {}},
        {"macro editor", [&] { click(probe.btnMacro(), probe.btnMacro()->rect().center()); },
         [&] { return probe.macroView(); }, escape, {}},
        {"colour pick",
         [&] { showColorPick(probe.hideView(), probe.colorPickView(), nullptr, false); },
         [&] { return probe.colorPickView(); }, escape, {}},
    };

    long afterFirst = 0;
    for (int round = 1; round <= rounds; ++round) {
        for (Opening& opening : openings) {
            PaintWatch watch;
            QWidget* built = nullptr;
            QElapsedTimer clock;
            clock.start();
            opening.open();
            built = opening.shown();
            built->installEventFilter(&watch);
            built->update();
            if (!runUntil([&] { return watch.painted; })) {
                std::fprintf(stderr, "keyloom_session_bench: the %s never showed\n", opening.name);
                return 1;
            }
            opening.ms.push_back(clock.nsecsElapsed() / 1e6);
            built->removeEventFilter(&watch);
            opening.close(built);
            runUntil([&] { return !built->isVisible(); });
        }
        // An apply of everything, with its progress panel, as the Apply button does.
        const int before = applies;
        click(probe.btnApply(), probe.btnApply()->rect().center());
        if (!runUntil([&] { return applies > before && !probe.progressView()->isVisible(); })) {
            std::fprintf(stderr, "keyloom_session_bench: apply %d did not end\n", round);
            return 1;
        }
        if (round == 1) afterFirst = peakKiB();
    }
    const long afterAll = peakKiB();

    std::printf("dialog          first opening (built)   later openings (median of %d)\n", rounds - 1);
    for (const Opening& opening : openings) {
        std::vector<double> later(opening.ms.begin() + 1, opening.ms.end());
        std::printf("%-15s %8.1f ms %24.1f ms\n", opening.name, opening.ms.front(), median(later));
    }
    std::printf("one frame at 60 Hz is 16.7 ms\n");
    std::printf("peak memory after round 1: %.1f MiB, after round %d: %.1f MiB (%+.1f %%), %d applies\n",
                afterFirst / 1024.0, rounds, afterAll / 1024.0, 100.0 * (afterAll - afterFirst) / afterFirst, applies);

    StopApplyWorker();
    view.reset();
    msParam.reset();
    EndCore();
    SetHidBackendFactory(nullptr);
    return 0;
}
