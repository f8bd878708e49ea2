#include "widgets/QtAlertSink.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

#include "base/debug.h"

namespace keyloom {

namespace {

bool onGuiThread() {
    return QThread::currentThread() == qApp->thread();
}

// How soon an alert is offered again while the window's dialog shows something else.
constexpr int kRetryMs = 250;

}  // namespace

QtAlertSink::QtAlertSink(std::function<void()> exitRequest) : exitRequest_(std::move(exitRequest)) {}

void QtAlertSink::setWindowMessages(WindowMessage present, bool asks) {
    window_ = std::move(present);
    windowAsks_ = asks;
    showNext();
}

void QtAlertSink::present(const QString& text, bool question, std::function<void(bool)> answered) {
    if (window_ && (!question || windowAsks_)) {
        waiting_.push_back({text, question, std::move(answered)});
        showNext();
        return;
    }
    // No window yet: a plain box, which waits here for its answer.
    const QString title = QStringLiteral("keyloom");
    if (!question) {
        QMessageBox::warning(parent_, title, text);
        if (answered) answered(true);
        return;
    }
    answered(QMessageBox::warning(parent_, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                  QMessageBox::Cancel) == QMessageBox::Ok);
}

void QtAlertSink::showNext() {
    if (!window_ || windowBusy_ || waiting_.empty()) return;
    Pending& next = waiting_.front();
    windowBusy_ = true;
    const bool shown = window_(next.text, next.question, [this](bool ok) {
        Pending done = std::move(waiting_.front());
        waiting_.pop_front();
        windowBusy_ = false;
        if (done.answered) done.answered(ok);
        // The next alert opens once this dialog has finished closing.
        QTimer::singleShot(0, qApp, [this] { showNext(); });
    });
    if (shown) return;
    windowBusy_ = false;
    QTimer::singleShot(kRetryMs, qApp, [this] { showNext(); });
}

bool QtAlertSink::waitForAnswer(const QString& text, bool question) {
    // The answer outlives this call when the program ends with the alert open.
    auto answer = std::make_shared<std::optional<bool>>();
    QEventLoop loop;
    QPointer<QEventLoop> waiting(&loop);
    present(text, question, [answer, waiting](bool ok) {
        *answer = ok;
        if (waiting) waiting->quit();
    });
    // The window's dialog answers later; a plain box has answered already.
    if (!answer->has_value() && interactive_) {
        waits_.push_back(waiting);
        loop.exec();
        std::erase(waits_, waiting);
    }
    return answer->value_or(false);
}

void QtAlertSink::setInteractive(bool interactive) {
    interactive_ = interactive;
    // The program ends: no one may be there to answer what is shown.
    if (!interactive)
        for (const QPointer<QEventLoop>& wait : waits_)
            if (wait) wait->quit();
}

void QtAlertSink::showMessage(const std::string& title, const std::string& text) {
    if (!interactive_) {
        std::fprintf(stderr, "keyloom: %s: %s\n", title.c_str(), text.c_str());
        return;
    }
    const QString message = QString::fromStdString(text);
    LOG("Alert: %s", text.c_str());
    // Once the program runs, a notice on the window's thread returns when it
    // is closed, so what follows it (the end after a pulled-out keyboard)
    // waits for the user. Start-up (no event loop yet) goes on and leaves the
    // notice open over the window.
    if (onGuiThread() && QThread::currentThread()->loopLevel() > 0) {
        waitForAnswer(message, false);
        return;
    }
    if (onGuiThread()) return present(message, false, nullptr);
    // A worker must not wait for the user: the message is shown when the GUI thread gets to it.
    QMetaObject::invokeMethod(qApp, [this, message] { present(message, false, nullptr); }, Qt::QueuedConnection);
}

bool QtAlertSink::askQuestion(const std::string& title, const std::string& text) {
    if (!interactive_) {
        std::fprintf(stderr, "keyloom: %s: %s (answered Cancel)\n", title.c_str(), text.c_str());
        return false;
    }
    const QString message = QString::fromStdString(text);
    LOG("Alert: %s", text.c_str());
    if (onGuiThread()) return waitForAnswer(message, true);
    bool accepted = false;
    QMetaObject::invokeMethod(qApp, [&] { accepted = waitForAnswer(message, true); }, Qt::BlockingQueuedConnection);
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
