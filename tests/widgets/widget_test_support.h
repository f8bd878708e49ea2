// Shared ground of the widget tests: the shipped configuration of the build
// tree loaded into gVar, screenshots, and synthetic mouse and key events.
#pragma once
#include <gtest/gtest.h>

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

namespace keyloom::test {

// Points the work directory at the build tree's cfg/ and reads the model file
// and the texts there once, so skins, configuration colours and captions are
// the shipped ones.
void useShippedConfig();

// Renders the widget (with its children) to screenshots/<name>.png in the
// build tree (screenshots/<platform>/ when KEYLOOM_TEST_PLATFORM names one).
// For review only; never compared.
void saveScreenshot(QWidget* widget, const QString& name);

// Mouse events at a point in the widget's own top-left coordinates. They go
// through QApplication, so grabs and event filters apply as for a real click.
void pressAt(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton);
void releaseAt(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton);
void clickAt(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton);
void doubleClickAt(QWidget* widget, QPoint at);
void moveTo(QWidget* widget, QPoint at, Qt::MouseButtons buttons = Qt::NoButton);
void enterWidget(QWidget* widget);
void leaveWidget(QWidget* widget);

// A key press and release with the native scan code set, as X11 and Wayland
// deliver them (XKB keycode = evdev code + 8), with the modifiers held.
void typeNativeKey(QWidget* widget, int evdevCode, Qt::Key key = Qt::Key_unknown, const QString& text = {},
                   Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// The colour of the rendered widget at a top-left point.
QColor pixelAt(QWidget* widget, QPoint at);

}  // namespace keyloom::test
