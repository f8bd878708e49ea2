// The yardstick for keyloom's start-up figures: a bare Qt Widgets window of
// the same size, frameless and translucent like keyloom's, that reports its
// first painted frame the same way. With --app-id ID it names itself ID to
// the desktop (the Wayland app id), for tests that need windows of
// applications known by name.
#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

class BareWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), QColor(30, 32, 36));
        if (reported_) return;
        reported_ = true;
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::fprintf(stderr, "First frame painted at %lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
    }

private:
    bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt has taken its own arguments out of argv by now.
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--app-id") == 0) QGuiApplication::setDesktopFileName(QString::fromLocal8Bit(argv[i + 1]));
    BareWindow window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.setAttribute(Qt::WA_TranslucentBackground);
    window.resize(900, 808);
    window.show();
    return QApplication::exec();
}
