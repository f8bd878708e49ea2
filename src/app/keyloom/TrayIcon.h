// The tray icon (a StatusNotifierItem or an XEmbed icon, as Qt finds the
// desktop's tray): the keyboard's state, the layer and its key table in the
// tooltip; a menu that shows the window, switches the layer, chooses the
// layer's key table, applies, turns notifications on or off and quits.
// Activating the icon shows the window.
#pragma once
#include <QObject>
#include <QString>
#include <string>

class QMenu;
class QSystemTrayIcon;

namespace keyloom::app {

class Application;
class Notifications;

class TrayIcon {
public:
    // Whether the model file's TrayIcon asks for an icon (any value but 0)
    // and the desktop can show one in this run.
    static bool wanted();

    // The icon, shown at once; Qt puts it in the tray when there is one, and
    // later when a tray comes. Follows the application's events.
    TrayIcon(Application& app, Notifications& notifications);
    ~TrayIcon();

private:
    // The menu as things are now: built before it shows and whenever the
    // layer, its tables or the language change.
    void rebuildMenu();
    void addLayerItems();
    void addKeyTableItems();
    void refreshTooltip();
    void apply();
    // A name the user typed as a menu caption that shows it unchanged.
    QString userCaption(const std::string& name) const;

    Application& app_;
    Notifications& notifications_;
    const bool menuOnTheBus_;
    QObject context_;  // ends the connections with this object
    QMenu* menu_;
    QSystemTrayIcon* icon_;
};

}  // namespace keyloom::app
