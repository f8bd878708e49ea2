#include "TrayIcon.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

#include "Application.h"
#include "FocusFollower.h"
#include "Notifications.h"
#include "base/debug.h"
#include "base/texts.h"
#include "config/gvar.h"
#include "control/apply_requests.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"
#include "ui/MainView.h"

namespace keyloom::app {

namespace {

QString text(const char* key) { return QString::fromStdString(GetText(key)); }

// The installed theme's icon; the one built into the program where there is none.
QIcon appIcon() {
    QIcon builtIn;
    for (int size : {16, 24, 32, 64}) builtIn.addFile(QStringLiteral(":/keyloom/keyloom-%1.png").arg(size));
    return QIcon::fromTheme(QStringLiteral("org.keyloom.Keyloom"), builtIn);
}

// Whether the menu goes over the bus (com.canonical.dbusmenu) rather than as a
// QMenu: Qt chooses so when a tray host is registered as the program starts.
bool menuOnTheBus() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")).value();
}

QAction* addCheckable(QMenu* menu, const QString& caption, bool checked) {
    QAction* action = menu->addAction(caption);
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

}  // namespace

QString TrayIcon::userCaption(const std::string& name) const {
    // Shown as typed: a QMenu takes "&" for a shortcut mark, a menu on the bus "_"
    // (Qt turns the first "&" into "_" there and leaves a "_" as it is).
    QString caption = QString::fromStdString(name).replace(QLatin1Char('&'), QStringLiteral("&&"));
    if (menuOnTheBus_) caption.replace(QLatin1Char('_'), QStringLiteral("__"));
    return caption;
}

bool TrayIcon::wanted() {
    if (gVar.TrayIcon == 0) return false;
    // A Wayland desktop has no XEmbed tray, and Qt looks for a tray host only
    // as the program starts: without one now, this run can never show an icon.
    if (QGuiApplication::platformName() == QLatin1String("wayland") && !menuOnTheBus()) {
        LOG("Tray icon: no tray on this desktop");
        return false;
    }
    return true;
}

TrayIcon::TrayIcon(Application& app, Notifications& notifications)
    : app_(app),
      notifications_(notifications),
      menuOnTheBus_(menuOnTheBus()),
      menu_(new QMenu),
      icon_(new QSystemTrayIcon(appIcon())) {
    icon_->setContextMenu(menu_);
    QObject::connect(menu_, &QMenu::aboutToShow, &context_, [this] { rebuildMenu(); });
    QObject::connect(icon_, &QSystemTrayIcon::activated, &context_, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) app_.showWindow();
    });
    AppEvents& events = app.events();
    // Later, on the event loop: the change may come from one of the menu's own
    // items, which must not go while it is being triggered.
    const auto refresh = [this] {
        QMetaObject::invokeMethod(&context_, [this] {
            rebuildMenu();
            refreshTooltip();
        }, Qt::QueuedConnection);
    };
    events.layerSwitched.add([refresh](int, bool) { refresh(); });
    events.keyTablesChanged.add(refresh);
    events.languageChanged.add(refresh);
    events.keyboardChanged.add([this](bool) { refreshTooltip(); });
    events.followingChanged.add(refresh);
    refresh();
    icon_->show();
    LOG("Tray icon: %s", QSystemTrayIcon::isSystemTrayAvailable() ? "shown" : "waiting for a tray");
}

TrayIcon::~TrayIcon() {
    delete icon_;
    delete menu_;
}

void TrayIcon::rebuildMenu() {
    MainView* view = app_.view();
    menu_->clear();
    if (!view) return;  // the program ends
    QObject::connect(menu_->addAction(text("tc_tray_show")), &QAction::triggered, &context_,
                     [this] { app_.showWindow(); });
    menu_->addSeparator();
    addLayerItems();
    menu_->addSeparator();
    addKeyTableItems();
    menu_->addSeparator();
    QObject::connect(menu_->addAction(text("tc_apply")), &QAction::triggered, &context_, [this] { apply(); });
    if (FocusFollower* follower = app_.follower()) {
        QObject::connect(addCheckable(menu_, text("tc_follow_toggle"), follower->following()), &QAction::toggled,
                         &context_, [follower](bool on) { follower->setFollowing(on); });
    }
    QObject::connect(addCheckable(menu_, text("tc_tray_notifications"), notifications_.wanted()), &QAction::toggled,
                     &context_, [this](bool on) { notifications_.setWanted(on); });
    menu_->addSeparator();
    QObject::connect(menu_->addAction(text("tc_tray_quit")), &QAction::triggered, &context_, [this] { app_.quit(); });
}

void TrayIcon::addLayerItems() {
    const int shown = app_.view()->shownMode();
    for (int mode = 0; mode < LAYER_COUNT; ++mode) {
        QAction* item = addCheckable(menu_, QString::fromStdString(LayerName(mode)), mode == shown);
        QObject::connect(item, &QAction::triggered, &context_, [this, mode] {
            if (MainView* view = app_.view()) view->chooseMode(mode);
        });
    }
}

void TrayIcon::addKeyTableItems() {
    const int mode = app_.view()->shownMode();
    const _ST_PROFILE* profile = get_current_profile();
    if (mode < 0 || !profile) return;
    for (int i = 0; const _ST_KEYPRO* table = get_keypro_by_index(i, mode); ++i) {
        const uint32_t id = uint32_t(table->dwID);
        QAction* item = addCheckable(menu_, userCaption(keypro_name(*table)), id == profile->dwKeyProID[mode]);
        QObject::connect(item, &QAction::triggered, &context_, [this, mode, id] {
            if (MainView* view = app_.view()) view->chooseKeyTable(mode, id);
        });
    }
}

void TrayIcon::refreshTooltip() {
    const MainView* view = app_.view();
    if (!view) return;
    const QString state = text(view->keyboardStateText());
    QString tip = state + QLatin1Char('\n') + LayerSummary(view->shownMode());
    if (const QString following = view->followingText(); !following.isEmpty()) tip += QLatin1Char('\n') + following;
    icon_->setToolTip(tip);
}

void TrayIcon::apply() {
    MainView* view = app_.view();
    if (!view) return;
    if (const Reason refusal = view->applyRefusal(); !refusal.empty()) {
        const QString why = QString::fromStdString(ReasonText(refusal));
        // The window says it where it shows; a notification where it is hidden.
        if (app_.windowShown()) view->showMessage(why, false, [](bool) {});
        else notifications_.tell(Notifications::Kind::Apply, text("tc_note_apply_failed"), why);
        return;
    }
    view->applyFromOutside(ApplyController::kEverything);
}

}  // namespace keyloom::app
