#include "widgets/QtAlertSink.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <cstdio>

namespace keyloom {

namespace {

bool onGuiThread() {
    return QThread::currentThread() == qApp->thread();
}

}  // namespace

QtAlertSink::QtAlertSink(std::function<void()> exitRequest) : exitRequest_(std::move(exitRequest)) {}

void QtAlertSink::showMessage(const std::string& title, const std::string& text) {
    if (!interactive_) {
        std::fprintf(stderr, "keyloom: %s: %s\n", title.c_str(), text.c_str());
        return;
    }
    auto show = [this, title, text] {
        QMessageBox::warning(parent_, QString::fromStdString(title), QString::fromStdString(text));
    };
    if (onGuiThread()) {
        show();
        return;
    }
    // A worker must not wait for the user: the box is shown when the GUI thread gets to it.
    QMetaObject::invokeMethod(qApp, show, Qt::QueuedConnection);
}

bool QtAlertSink::askQuestion(const std::string& title, const std::string& text) {
    if (!interactive_) {
        std::fprintf(stderr, "keyloom: %s: %s (answered Cancel)\n", title.c_str(), text.c_str());
        return false;
    }
    bool accepted = false;
    auto ask = [this, title, text, &accepted] {
        accepted = QMessageBox::warning(parent_, QString::fromStdString(title), QString::fromStdString(text),
                                        QMessageBox::Ok | QMessageBox::Cancel,
                                        QMessageBox::Cancel) == QMessageBox::Ok;
    };
    if (onGuiThread())
        ask();
    else
        QMetaObject::invokeMethod(qApp, ask, Qt::BlockingQueuedConnection);
    return accepted;
}

void QtAlertSink::exitApp() {
    if (!exitRequest_) return;
    if (onGuiThread())
        exitRequest_();
    else
        QMetaObject::invokeMethod(qApp, exitRequest_, Qt::QueuedConnection);
}

}  // namespace keyloom
