#include "Application.h"

#include "AutoSave.h"
#include "ControlLog.h"
#include "FocusFollower.h"
#include "SimInput.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <limits>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

#include "base/PublicLib.h"
#include "base/debug.h"
#include "config/gvar.h"
#include "config/language.h"
#include "base/paths.h"
#include "base/texts.h"
#include "device/Dev6120.h"
#include "device/HidAccess.h"
#include "device/SimKeyboard.h"
#include "device/apply.h"
#include "macro/stmacro.h"
#include "model/st_keypro.h"
#include "store/startup.h"
#include "store/startup_data.h"
#include "model/stprofile.h"
#include "ui/MainView.h"
#include "ui/QtMainLoop.h"
#include "ui/SimKeyboardView.h"
#include "widgets/QtAlertSink.h"
#include "widgets/QtTranslations.h"

namespace keyloom::app {

namespace {

// The signals that end the program reach the event loop through this pair:
// the handler only writes the signal's number.
int g_signalPipe[2] = {-1, -1};

// How long the end waits for a save already in progress, so that the whole
// end stays well within what a desktop gives a program that is asked to go.
constexpr int kEndSaveWaitMs = 3000;

void onSignal(int signo) {
    const int saved = errno;
    const char byte = char(signo);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

Application::Application(const AppOptions& options) : options_(options) {
    alerts_ = std::make_unique<QtAlertSink>([this] { quit(); });
    PubLib::setAlertSink(alerts_.get());
    watchSignals();
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { terminate(); });
    // The session may end without giving the program time to end: save now, asking no one.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
        std::string failure;
        if (!saveWithoutAsking(&failure))
            std::fprintf(stderr, "keyloom: your settings could not be saved: %s\n", failure.c_str());
    });
}

Application::~Application() {
    terminate();
    PubLib::setAlertSink(nullptr);
    for (int& fd : g_signalPipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void Application::watchSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
    signals_ = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(signals_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(g_signalPipe[0], &byte, 1) == 1) LOG("Signal %d: quitting", int(byte));
        quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signo : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signo, &action, nullptr);
}

int Application::fail(const std::string& text) {
    std::fprintf(stderr, "keyloom: %s\n", text.c_str());
    MessageBox(nullptr, text.c_str(), "Warning", 0);
    return 1;
}

int Application::start() {
    // Configuration, then the empty lists and the texts.
    std::string failure;
    if (!StartCore(options_, &failure)) return fail(failure);
    if (LOG != LogToNULL) qApp->installEventFilter(new ControlLog(this));  // only for a log that is kept
    // File dialogs and standard buttons speak the window's language.
    UseQtTranslations(QString::fromStdString(CurrentLanguageDir()));

    // The device link, and the keyboard it finds.
    if (options_.simulate) {
        sim_ = std::make_shared<SimKeyboard>();
        if (options_.simUnplugged) sim_->unplug();
        if (options_.simDelayMs > 0) sim_->delayNextTransfers(std::numeric_limits<int>::max(), options_.simDelayMs);
        if (!options_.simTrace.empty() && !sim_->traceToFile(options_.simTrace))
            return fail("Cannot write the trace file " + options_.simTrace + ": " + std::strerror(errno));
        if (!options_.simInput.empty() && !(new SimInput(sim_, this))->open(options_.simInput))
            return fail("Cannot read the input pipe " + options_.simInput + ": " + std::strerror(errno));
        SetHidBackendFactory(SimKeyboardFactory(sim_));
    }
    loop_ = std::make_unique<QtMainLoop>();
    devMs = std::make_unique<Dev6120>(*loop_);
    if (devMs->InitHID() != 1) return fail("Init device access failed.");
    if (devMs->FindHIDDevice() != 1 && gVar.Suwnd == 0) return fail(GetText("tc_msg15"));
    if (quitting_) return 1;  // asked to end while a message was up

    // The window's contents, the worker that applies, then the stored data.
    view_ = new MainView(devMs.get());
    view_->setSimulatedKeyboard(options_.simulate);
    // Two keylooms on two data folders are told apart by the folder.
    if (!is_default_data_path()) view_->setDataFolder(QString::fromStdString(get_data_path()));
    view_->hideApplication = [this] { hideWindows(); };
    view_->quitApplication = [this] { quit(); };
    view_->exitApplication = [this] { quit(); };
    alerts_->setParentWindow(view_);
    // From here on alerts are drawn like every other message of the window.
    alerts_->setWindowMessages(
        [this](const QString& text, bool question, std::function<void(bool)> answered) {
            return showAlert(text, question, std::move(answered));
        },
        true);
    mainView = view_;
    reportEvents();
    StartApplyWorker(*devMs, view_);
    view_->installEventFilter(this);  // until the first frame is painted

    startupReport_ = PrepareStoredData(StoredDataMode::Writable);
    LOG("Start-up: %d profiles, %d key tables%s", startupReport_.profilesLoaded, startupReport_.keyProsLoaded,
        startupReport_.firstRun ? ", first run" : "");
    view_->SetAsCurProfile(get_current_profile());
    // A folder keyloom cannot save to is said now, not when the work of a session is at stake.
    CheckStoredDataSavable();
    autoSave_ = new AutoSave(this);
    qApp->installEventFilter(autoSave_);
    view_->dataMayHaveChanged = [this] {
        autoSave_->noteActivity();
        events_.dataChanged();
    };
    autoSave_->noteActivity();  // what start-up made (the first-run data, repairs) is saved at once
    follower_ = new FocusFollower(
        [this] {
            // Without a keyboard nothing is written: the apply when it comes plays the followed table.
            if (view_ && view_->applyRefusal().empty()) view_->applyFromOutside(APPLY_KEYS);
        },
        this);
    follower_->onChanged = [this] {
        const FocusFollower::Active active = follower_->active();
        view_->showFollowing(active.layer, QString::fromStdString(active.table), QString::fromStdString(active.app));
        view_->refreshRules();
        showFollowingState();
        events_.followingChanged();
    };
    view_->setFocusRules(
        &follower_->rules(), [this] { follower_->rulesChanged(); }, [this] { return follower_->runningApps(); });
    events_.languageChanged.add([this] { showFollowingState(); });
    events_.layerSwitched.add([this](int, bool) { follower_->layerSwitched(); });
    events_.keyTablesChanged.add([this] { follower_->tablesChanged(); });
    running_ = true;
    // Asked to end while start-up showed a message: the end follows as soon as the event loop runs.
    if (quitting_) QMetaObject::invokeMethod(this, [this] { quit(); }, Qt::QueuedConnection);
    return 0;
}

void Application::reportEvents() {
    MainView::Watchers& watch = view_->watchers;
    watch.layerSwitched = [this](int mode, bool byKeyboard) { events_.layerSwitched(mode, byKeyboard); };
    watch.keyTablesChanged = [this] { events_.keyTablesChanged(); };
    watch.keyboardChanged = [this](bool present) { events_.keyboardChanged(present); };
    watch.knobSetChosen = [this](int set) { events_.knobSetChosen(set); };
    watch.applyProgress = [this](int progress) { events_.applyProgress(progress); };
    watch.languageChanged = [this] { events_.languageChanged(); };
    if (!msParam) msParam = std::make_unique<ThreadParam>();
    msParam->started = [this](int32_t flags) { events_.applyStarted(flags); };
    msParam->finished = [this](int32_t flags, bool ok) { events_.applyFinished(flags, ok, msParam->failure); };
}

bool Application::windowShown() const {
    return view_ && view_->isVisible();
}

bool Application::showAlert(const QString& text, bool question, std::function<void(bool)> answered) {
    if (!view_ || view_->messageShown()) return false;
    // A hidden window (started with --hidden) comes forward to tell it.
    if (!view_->isVisible()) showWindow();
    view_->showMessage(text, question, std::move(answered));
    return true;
}

bool Application::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::Paint) {
        // Once, for the start-up figures (bench/startup.sh) and the log.
        view_->removeEventFilter(this);
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        LOG("First frame painted at %lld.%09ld", static_cast<long long>(now.tv_sec), now.tv_nsec);
        firstFramePainted_ = true;
        // Once the frame has reached the screen, in the order they were asked for.
        for (std::function<void()>& then : std::exchange(afterFirstFrame_, {})) QTimer::singleShot(0, this, std::move(then));
    }
    return QObject::eventFilter(watched, event);
}

void Application::afterFirstFrame(std::function<void()> then) {
    if (firstFramePainted_ || !view_ || !view_->isVisible())
        then();
    else
        afterFirstFrame_.push_back(std::move(then));
}

void Application::startFollowing(const QString& busName) {
    if (!follower_ || terminated_) return;
    follower_->start(busName);
    showFollowingState();
}

void Application::showFollowingState() {
    if (!view_ || !follower_) return;
    view_->setFollowingStatus(QString::fromStdString(ReasonText(follower_->status())));
    view_->setFollowing(follower_->following(), [this](bool on) { follower_->setFollowing(on); });
}

void Application::showWindow() {
    if (!view_) return;
    LOG("Window shown");
    view_->show();
    // The simulated keyboard's window is built and shown after the main
    // window's first frame, which it would otherwise delay.
    if (sim_ && !(simView_ && simView_->isVisible())) afterFirstFrame([this] {
            if (terminated_ || !view_ || !view_->isVisible() || (simView_ && simView_->isVisible())) return;
            if (!simView_) simView_ = new SimKeyboardView(sim_);
            simView_->placeBeside(*view_);
            simView_->show();
            view_->raise();
        });
    view_->raise();
    view_->activateWindow();
    events_.windowShown(true);
}

void Application::hideWindows() {
    if (view_) view_->closePoP();
    // Every top-level window goes, the simulated keyboard's too.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) window->hide();
    events_.windowShown(false);
}

void Application::quit() {
    quitting_ = true;
    if (running_) {
        // Ends every event loop, a message box's too, without asking windows to close.
        QCoreApplication::exit(0);
        return;
    }
    // Still starting: the message box that may be up ends, and no other one shows.
    alerts_->setInteractive(false);
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
}

bool Application::saveWithoutAsking(std::string* failure) {
    bool saved = true;
    if (view_ && !view_->saveUnsavedChanges()) {
        saved = false;
        if (failure) *failure = "the macro being edited could not be written";
    }
    std::string why;
    if (autoSave_ && !autoSave_->saveNow(kEndSaveWaitMs, &why)) {
        saved = false;
        if (failure) *failure = why;
    }
    return saved;
}

int Application::terminate() {
    if (terminated_) return exitCode_;
    terminated_ = true;
    alerts_->setInteractive(false);  // no one may be there to answer
    if (view_) view_->closePoP();
    delete simView_;  // it listens to the simulated keyboard, which goes with the application
    simView_ = nullptr;
    // The worker ends before the lists it could read from go away.
    StopApplyWorker();
    if (msParam) msParam->started = nullptr, msParam->finished = nullptr;  // they speak of this application
    std::string failure;
    if (!saveWithoutAsking(&failure)) {
        std::fprintf(stderr, "keyloom: your settings could not be saved: %s\n", failure.c_str());
        LOG("Ending without saving: %s", failure.c_str());
        exitCode_ = 1;
    }
    if (onEnded) onEnded(exitCode_ ? "not saved: " + QByteArray::fromStdString(failure) : QByteArray("saved"));
    if (devMs) devMs->ClearDev();
    mainView = nullptr;
    delete autoSave_;
    autoSave_ = nullptr;
    delete view_;
    view_ = nullptr;
    EndCore();
    devMs.reset();
    SetHidBackendFactory(nullptr);
    return exitCode_;
}

}  // namespace keyloom::app
