// keyloom: the window that sets up the keyboard. One runs per data folder; a
// second start shows the first one's window, `keyloom --quit` ends it.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <memory>
#include <thread>

#include "Application.h"
#include "BusService.h"
#include "Notifications.h"
#include "SingleInstance.h"
#include "TrayIcon.h"
#include "base/paths.h"

namespace {

using keyloom::app::AppOptions;

// Qt needs a display unless a platform plug-in is chosen (offscreen, for one).
bool haveDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    AppOptions opt;
    bool quit = false;
    CLI::App cli{"keyloom - remap keys, record macros and set the lighting of the keyboard"};
    cli.set_version_flag("--version", "keyloom " KEYLOOM_VERSION);
    // An empty folder would fall back to the default one without a word: refused.
    const CLI::Validator folder(
        [](const std::string& value) { return value.empty() ? std::string("needs a folder") : std::string(); }, "DIR");
    cli.add_option("--work-dir", opt.workDir, "Shipped configuration folder (default: next to the program)")
        ->check(folder);
    cli.add_option("--data-dir", opt.dataDir, "Folder of the stored profiles and macros")->check(folder);
    cli.add_option("--log-level", opt.logLevel, "Diagnostic log: off, syslog, file (log.txt on the desktop), stderr")
        ->check(CLI::IsMember({"off", "syslog", "file", "stderr"}));
    CLI::Option* simulate = cli.add_flag("--simulate", opt.simulate, "Use the simulated keyboard instead of a real one");
    cli.add_flag("--sim-unplugged", opt.simUnplugged, "Start the simulated keyboard unplugged")->needs(simulate);
    cli.add_option("--sim-trace", opt.simTrace, "Write the simulated keyboard's wire trace to FILE")->needs(simulate);
    cli.add_option("--sim-input", opt.simInput,
                   "Act as the simulated keyboard on the lines of the named pipe FIFO: layer N, unplug, plug")
        ->needs(simulate);
    cli.add_option("--sim-delay", opt.simDelayMs, "Make each transfer to the simulated keyboard take MS milliseconds")
        ->check(CLI::Range(0, 10000))
        ->needs(simulate);
    cli.add_flag("--hidden", opt.hidden, "Start without showing the window (for starting at login)");
    cli.add_flag("--quit", quit, "End the running keyloom (it saves first) and wait until it has");
    cli.footer("Examples:\n  keyloom --simulate      try everything without the keyboard\n"
               "  keyloom --quit          end the running keyloom");
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = cli.exit(e);  // prints help, the version or the error
        return code == 0 ? 0 : 2;
    }

    if (!haveDisplay()) {
        std::fprintf(stderr, "keyloom: no display to open its window on (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
        return 1;
    }
    // Qt sees only the program's name: the options above are keyloom's own.
    int qtArgc = 1;
    // The font configuration is read on the second core while Qt connects to the desktop.
    std::thread fonts([] { FcInit(); });
    QApplication qt(qtArgc, argv);
    fonts.join();
    QApplication::setApplicationName(QStringLiteral("keyloom"));
    QApplication::setApplicationVersion(QStringLiteral(KEYLOOM_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.keyloom.Keyloom"));
    QApplication::setQuitOnLastWindowClosed(false);

    if (!opt.dataDir.empty()) keyloom::set_data_dir(opt.dataDir);
    const std::string dataDir = keyloom::get_data_path();
    keyloom::app::SingleInstance instance(QString::fromStdString(dataDir));
    if (quit) {
        QByteArray answer;
        if (!instance.send("quit", true, &answer)) {
            std::fprintf(stderr, "keyloom: no keyloom is running for %s\n", dataDir.c_str());
            return 1;
        }
        if (answer.startsWith("not saved")) {
            std::fprintf(stderr, "keyloom: the running keyloom ended, but its settings were %s\n", answer.constData());
            return 1;
        }
        return 0;
    }
    switch (instance.claim()) {
    case keyloom::app::SingleInstance::Claim::Ours:
        break;
    case keyloom::app::SingleInstance::Claim::Taken:
        // Another keyloom has this data folder: bring its window to the front.
        if (opt.hidden || instance.send("show")) return 0;
        if (instance.holder().startsWith(QStringLiteral("keyloomctl")))
            std::fprintf(stderr, "keyloom: %s is changing the data in %s; start keyloom again when it has finished\n",
                         qPrintable(instance.holder()), dataDir.c_str());
        else
            std::fprintf(stderr, "keyloom: another keyloom holds %s but does not answer\n", dataDir.c_str());
        return 1;
    case keyloom::app::SingleInstance::Claim::Failed:
        std::fprintf(stderr, "keyloom: cannot make sure it is the only keyloom on %s: %s\n", dataDir.c_str(),
                     qPrintable(instance.error()));
        return 1;
    }

    keyloom::app::Application app(opt);
    instance.onRequest = [&app](const QByteArray& request) {
        if (request == "show") app.showWindow();
        if (request == "quit") app.quit();
    };
    app.onEnded = [&instance](const QByteArray& line) { instance.answerQuit(line); };
    // The hand-over above stays on the instance socket: it works without a session bus.
    keyloom::app::BusService bus(app);
    if (const int code = app.start()) return code;
    // Outside the window: notifications while it is hidden, and the tray icon.
    keyloom::app::Notifications notifications(app);
    std::unique_ptr<keyloom::app::TrayIcon> tray;
    if (!opt.hidden && !app.quitting()) app.showWindow();
    // The service and the tray wait for the window's first frame.
    app.afterFirstFrame([&] {
        // Desktop scripts call the service by its name: it is there first.
        app.startFollowing(bus.publish(dataDir) ? bus.name() : QString());
        if (keyloom::app::TrayIcon::wanted()) tray = std::make_unique<keyloom::app::TrayIcon>(app, notifications);
    });
    QApplication::exec();
    return app.terminate();
}
