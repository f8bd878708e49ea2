#include "widgets/widget_test_support.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>

#include "config/gvar.h"
#include "config/language.h"
#include "base/paths.h"
#include "widgets/ImageProcess.h"

namespace keyloom::test {

void useShippedConfig() {
    static bool loaded = false;
    if (loaded) return;
    set_work_dir(KEYLOOM_BUILD_CFG_DIR);
    InitGvar();
    LoadLanguage();
    loaded = true;
}

void saveScreenshot(QWidget* widget, const QString& name) {
    // Runs on another platform (xcb under Xvfb) keep their pictures apart.
    QString dir = QStringLiteral(KEYLOOM_SCREENSHOT_DIR);
    if (const QString platform = qEnvironmentVariable("KEYLOOM_TEST_PLATFORM"); !platform.isEmpty())
        dir += platform + "/";
    QDir().mkpath(dir);
    widget->grab().save(dir + name + ".png");
}

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    const QPointF local(at);
    QMouseEvent event(type, local, QPointF(widget->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

}  // namespace

void pressAt(QWidget* widget, QPoint at, Qt::MouseButton button) {
    sendMouse(widget, QEvent::MouseButtonPress, at, button, button);
}

void releaseAt(QWidget* widget, QPoint at, Qt::MouseButton button) {
    sendMouse(widget, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

void clickAt(QWidget* widget, QPoint at, Qt::MouseButton button) {
    pressAt(widget, at, button);
    releaseAt(widget, at, button);
}

void doubleClickAt(QWidget* widget, QPoint at) {
    clickAt(widget, at);
    sendMouse(widget, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    releaseAt(widget, at);
}

void moveTo(QWidget* widget, QPoint at, Qt::MouseButtons buttons) {
    sendMouse(widget, QEvent::MouseMove, at, Qt::NoButton, buttons);
}

void enterWidget(QWidget* widget) {
    const QPointF centre = QRectF(widget->rect()).center();
    QEnterEvent event(centre, centre, QPointF(widget->mapToGlobal(centre)));
    QApplication::sendEvent(widget, &event);
}

void leaveWidget(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

void typeNativeKey(QWidget* widget, int evdevCode, Qt::Key key, const QString& text,
                   Qt::KeyboardModifiers modifiers) {
    const quint32 scanCode = quint32(evdevCode + 8);
    QKeyEvent press(QEvent::KeyPress, key, modifiers, scanCode, 0, 0, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, scanCode, 0, 0, text);
    QApplication::sendEvent(widget, &release);
}

QColor pixelAt(QWidget* widget, QPoint at) {
    // The grab has the screen's device pixels: the one under the point.
    return ImageProcess::colorAtPoint(widget->grab().toImage(), QPointF(at)).value_or(QColor());
}

}  // namespace keyloom::test
