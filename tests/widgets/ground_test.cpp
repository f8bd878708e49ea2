// The Qt ground under every window: frames with bottom-left origin, skin
// images, text placement, the main loop on Qt and the alert sink.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <thread>

#include "base/PublicLib.h"
#include "ui/QtMainLoop.h"
#include "ui/Skin.h"
#include "widgets/Frame.h"
#include "widgets/ImageProcess.h"
#include "widgets/QtAlertSink.h"
#include "widgets/TextDraw.h"
#include "widgets/TextField.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

TEST(Frame, BottomLeftFramesBecomeTopLeftGeometry) {
    QWidget parent;
    parent.resize(400, 200);
    QWidget child(&parent);
    setFrame(&child, QRectF(10, 20, 50, 30));
    EXPECT_EQ(child.geometry(), QRect(10, 150, 50, 30));
    EXPECT_EQ(frameOf(&child), QRectF(10, 20, 50, 30));

    setFrame(&child, QRectF(10, 20, 50, 30), /*flippedParent=*/true);
    EXPECT_EQ(child.geometry(), QRect(10, 20, 50, 30));
    EXPECT_EQ(flipRect(flipRect(QRectF(3, 4, 5, 6), 100), 100), QRectF(3, 4, 5, 6));
    EXPECT_EQ(flipRectToPixels(QRectF(1.7, 2.2, 5, 6), 100), QRect(1, 91, 5, 6));
}

TEST(Frame, ScreenPositionsCountFromTheBottomOfThePrimaryScreen) {
    const int h = QGuiApplication::primaryScreen()->geometry().height();
    EXPECT_EQ(screenRectFromFrame(QRectF(100, 200, 150, 60)), QRect(100, h - 260, 150, 60));
    EXPECT_EQ(frameFromScreenRect(QRect(100, h - 260, 150, 60)), QRectF(100, 200, 150, 60));
    EXPECT_EQ(framePointToScreen(screenPointToFrame(QPoint(30, 40))), QPoint(30, 40));
}

QString writePng(const QTemporaryDir& dir, const QImage& image, const QString& name) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path));
    return path;
}

TEST(ImageProcess, OnePixelIsOnePointWhateverTheFileSays) {
    QTemporaryDir dir;
    QImage hiDpi(100, 20, QImage::Format_ARGB32);
    hiDpi.fill(Qt::red);
    hiDpi.setDotsPerMeterX(5669);  // 144 dpi
    hiDpi.setDotsPerMeterY(5669);
    const QImage loaded = ImageProcess::loadImage(writePng(dir, hiDpi, "hidpi.png"));
    ASSERT_FALSE(loaded.isNull());
    EXPECT_EQ(ImageProcess::getImageSize(loaded), QSize(100, 20));
    EXPECT_EQ(loaded.deviceIndependentSize(), QSizeF(100, 20));

    EXPECT_TRUE(ImageProcess::loadImage(dir.filePath("missing.png")).isNull());
    const QString notImage = dir.filePath("text.png");
    QFile file(notImage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    EXPECT_TRUE(ImageProcess::loadImage(notImage).isNull());
}

TEST(ImageProcess, CutsWithBottomLeftRectanglesAndReadsTopLeftPixels) {
    QImage quarters(20, 20, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&quarters);
    painter.fillRect(0, 0, 10, 10, Qt::red);     // top-left
    painter.fillRect(10, 0, 10, 10, Qt::green);  // top-right
    painter.fillRect(0, 10, 10, 10, Qt::blue);   // bottom-left
    painter.fillRect(10, 10, 10, 10, Qt::white);
    painter.end();

    const QImage part = ImageProcess::copyImage(quarters, QRectF(0, 0, 10, 10));
    ASSERT_EQ(part.size(), QSize(10, 10));
    EXPECT_EQ(part.pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(part.pixelColor(9, 9), QColor(Qt::blue));
    EXPECT_EQ(ImageProcess::copyImage(quarters, QRectF(10, 10, 10, 10)).pixelColor(5, 5), QColor(Qt::green));

    EXPECT_EQ(ImageProcess::ColorAtCoordinate(quarters, 0, 0), QColor(Qt::red));
    EXPECT_EQ(ImageProcess::ColorAtCoordinate(quarters, 19, 19), QColor(Qt::white));
    EXPECT_FALSE(ImageProcess::ColorAtCoordinate(quarters, 20, 0).has_value());
    EXPECT_FALSE(ImageProcess::ColorAtCoordinate(QImage(), 0, 0).has_value());
}

TEST(TextDraw, StandardFontIsArialTwelveResolvedToAnInstalledFace) {
    const QFont font = get_font();
    EXPECT_EQ(font.family(), "Arial");
    EXPECT_EQ(font.pixelSize(), 12);
    // fontconfig maps Arial to a face with its metrics (Liberation Sans).
    const QString face = QFontInfo(font).family();
    EXPECT_TRUE(face == "Arial" || face == "Liberation Sans") << face.toStdString();
    // Every shipped language renders: a face with Chinese glyphs is installed.
    EXPECT_FALSE(QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty());
    EXPECT_FALSE(QFontDatabase::families(QFontDatabase::TraditionalChinese).isEmpty());
    EXPECT_FALSE(QFontDatabase::families(QFontDatabase::Korean).isEmpty());
    EXPECT_FALSE(QFontDatabase::families(QFontDatabase::Japanese).isEmpty());
}

TEST(TextDraw, PlacesTextByAlignmentWithTheStandardFontsMeasure) {
    const QFontMetricsF metrics(get_font());
    const QString text = "Wide caption text";
    const qreal w = metrics.horizontalAdvance(text);
    const qreal h = metrics.height();

    const QPointF right = myTextOrigin(text, get_font(), TextAlign::Right, QRectF(0, 0, 100, 20));
    EXPECT_DOUBLE_EQ(right.x(), 100 - w - 1);
    const QPointF centred = myTextOrigin(text, get_font(), TextAlign::Centre, QRectF(10, 0, 200, 20));
    EXPECT_DOUBLE_EQ(centred.x(), 10 + (200 - w) / 2);
    EXPECT_DOUBLE_EQ(centred.y(), (20 - h) / 2 + h);  // top edge of the centred box
    // Wider than the rectangle: centred text starts at its left edge.
    EXPECT_DOUBLE_EQ(myTextOrigin(text, get_font(), TextAlign::Centre, QRectF(5, 0, 10, 20)).x(), 5);
    // A rectangle lower than the text: the text sits on its bottom.
    EXPECT_DOUBLE_EQ(myTextOrigin(text, get_font(), TextAlign::Left, QRectF(5, 7, 100, 4)).y(), 7 + h);
}

TEST(TextDraw, CaptionLinesBesideAndAboveControls) {
    QWidget panel;
    panel.resize(300, 300);
    QWidget box(&panel);
    setFrame(&box, QRectF(20, 100, 10, 10));
    EXPECT_EQ(get_right_text_rect(&box, 70), QRectF(36, 97, 70, 16));
    QWidget tall(&panel);
    setFrame(&tall, QRectF(20, 100, 80, 25));
    EXPECT_EQ(get_right_text_rect(&tall, 50), QRectF(106, 104, 50, 16));
    EXPECT_EQ(get_up_text_rect(&tall, 0), QRectF(20, 129, 80, 16));
    EXPECT_EQ(get_up_text_rect(&tall, 120), QRectF(20, 129, 120, 16));
}

TEST(TextField, EditFieldReportsChangesAndStaysReadable) {
    test::useShippedConfig();
    QWidget panel;
    panel.resize(200, 100);
    int changes = 0;
    MyTextFieldCell* edit = newEdit(&panel, uiSkin(), [&](MyTextFieldCell*) { ++changes; }, QRectF(10, 10, 180, 24));
    EXPECT_EQ(edit->geometry(), QRect(10, 66, 180, 24));
    edit->setText("abc");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(edit->frameColor(), QColor(100, 100, 100));
    EXPECT_EQ(readableTextColor(QColor(214, 218, 224), QColor(250, 250, 250)), QColor(30, 33, 38));
    EXPECT_EQ(readableTextColor(QColor(20, 20, 20), QColor(250, 250, 250)), QColor(20, 20, 20));

    QLabel* label = newTextView(&panel, uiSkin(), std::nullopt, QRectF(10, 40, 60, 16));
    EXPECT_EQ(label->alignment(), Qt::AlignCenter);
    EXPECT_EQ(label->textInteractionFlags(), Qt::NoTextInteraction);
    label->setText("42");
    test::saveScreenshot(&panel, "text_field_and_label");
}

TEST(QtMainLoop, RunsPostsWatchesAndTimersOnTheGuiThread) {
    QtMainLoop loop;
    std::vector<std::string> seen;
    const auto guiThread = std::this_thread::get_id();
    std::thread poster([&] { loop.post([&] { seen.push_back(std::this_thread::get_id() == guiThread ? "post" : "wrong"); }); });
    poster.join();

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    short gotRevents = 0;
    int watch = 0;
    watch = loop.watchFd(fds[0], [&](short revents) {
        gotRevents = revents;
        char c;
        (void)!read(fds[0], &c, 1);
        loop.unwatchFd(watch);  // a callback may remove its own watch
    });
    ASSERT_EQ(write(fds[1], "x", 1), 1);

    int ticks = 0;
    const int repeating = loop.addTimer(1, true, [&] { ++ticks; });
    int once = 0;
    loop.addTimer(1, false, [&] { ++once; });
    const int cancelled = loop.addTimer(1, false, [&] { seen.push_back("cancelled timer ran"); });
    loop.cancelTimer(cancelled);

    QElapsedTimer clock;
    clock.start();
    while ((seen.empty() || gotRevents == 0 || ticks < 3) && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    loop.cancelTimer(repeating);
    EXPECT_EQ(seen, std::vector<std::string>{"post"});
    EXPECT_TRUE(gotRevents & POLLIN);
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(once, 1);
    close(fds[0]);
    close(fds[1]);
}

TEST(QtAlertSink, WorkerMessagesAreShownOnTheGuiThreadWithoutWaiting) {
    int exits = 0;
    QtAlertSink sink([&] { ++exits; });
    std::thread worker([&] {
        sink.showMessage("Matrix inx warning", "text");  // must return at once
        sink.exitApp();
    });
    worker.join();
    // The box was queued for the GUI thread: close it as soon as it appears.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w)) box->accept();
    });
    QCoreApplication::processEvents();
    EXPECT_EQ(exits, 1);
}

}  // namespace
}  // namespace keyloom
