// Where each named control of every window is on the screen, in the log, so
// that tests and bug reports find a control by its name, never by counting
// pixels a font or theme can move:
//   Control "<name>" at X,Y WxH    (top-left on the screen, size)
//   Key "<name>" at X,Y WxH        (each key of the key map, by its function)
// A control is logged at its first paint after it is shown, moved or resized:
// only then is it on the screen to be clicked. A window that moves (a drag, a
// window manager placing it) logs its shown controls again once it is at rest.
#pragma once
#include <QEvent>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace keyloom::app {

// Installed on the application as an event filter, only when a log is kept.
class ControlLog : public QObject {
public:
    explicit ControlLog(QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void noteChange(QWidget* widget, QEvent::Type type);
    static void logControl(const QWidget& control);
    static void logWindow(const QWidget& window);

    // Widgets to log at their next paint; the pointer tells a widget that has
    // gone from a new object at the same address.
    QHash<const QObject*, QPointer<QWidget>> due_;
    QList<QPointer<QWidget>> movedWindows_;
    QTimer windowsAtRest_;
};

}  // namespace keyloom::app
