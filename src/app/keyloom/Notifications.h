// Desktop notifications (org.freedesktop.Notifications on the session bus)
// of what happens while the window is hidden: a layer switched on the
// keyboard, the keyboard plugged in or pulled out, an apply that failed. With
// the window shown the window itself says these. Each kind replaces its own
// previous notification; the user may turn them all off (preferences.ini).
#pragma once
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>

namespace keyloom::app {

class Application;

// "M2 – key table Gaming": the layer (0..2) and the table the current profile
// plays there, as the tray and the notifications say it.
QString LayerSummary(int mode);

class Notifications {
public:
    enum class Kind { Layer, Keyboard, Apply };

    // Listens to the application's events; the preference is read now.
    explicit Notifications(Application& app);

    bool wanted() const { return wanted_; }
    // Turns notifications on or off, and keeps the choice.
    void setWanted(bool wanted);
    // Shows a notification of that kind, unless the window is shown or the
    // user turned them off. Never waits for the notification server.
    void tell(Kind kind, const QString& summary, const QString& body = {});

private:
    Application& app_;
    bool wanted_ = true;
    // The server's id of the last notification of each kind, replaced by the next.
    std::array<uint32_t, 3> lastIds_{};
    QObject replies_;  // parent of the pending calls: they end with this object
};

}  // namespace keyloom::app
