#include "AutoSave.h"

#include <QEvent>
#include <QGuiApplication>
#include <QThread>
#include <algorithm>

#include "base/debug.h"

namespace keyloom::app {

AutoSave::AutoSave(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { check(); });
    clock_.start();
}

AutoSave::~AutoSave() {
    timer_.stop();
    if (!writer_) return;
    // A write that could not finish in time is left to end with the process.
    if (writer_->isRunning()) {
        writer_->setParent(nullptr);
        return;
    }
    delete writer_;
}

bool AutoSave::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
        noteActivity();  // also when Qt passes one input on to several objects: the burst is the same
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void AutoSave::noteActivity() {
    const qint64 now = clock_.elapsed();
    if (!pending_) {
        pending_ = true;
        firstMs_ = now;
    }
    lastMs_ = now;
    schedule();
}

void AutoSave::schedule() {
    const qint64 due = std::min(lastMs_ + kQuietMs, firstMs_ + kLongestWaitMs);
    timer_.start(int(std::max<qint64>(0, due - clock_.elapsed())));
}

void AutoSave::check() {
    // A drag is one change: its release is the last input and checks at once.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        timer_.start(kQuietMs);
        return;
    }
    pending_ = false;
    if (writer_) {
        recheck_ = true;
        return;
    }
    if (StoredDataChanged()) startWrite(BuildStoredDataImages());
}

void AutoSave::startWrite(StoredDataImages images) {
    writing_ = std::move(images);
    writeFromMs_ = lastMs_;
    ++writes_;
    // The thread reads only writing_ and writes only the outcome, both left alone here until it ends.
    writer_ = QThread::create([this] { writeOk_ = WriteStoredDataImages(writing_, &writeFailure_); });
    writer_->setParent(this);
    connect(writer_, &QThread::finished, this, [this] { writeDone(SaveAlert::OncePerTrouble); });
    writer_->start();
}

void AutoSave::writeDone(SaveAlert alert) {
    if (!writer_) return;
    writer_->wait();
    delete writer_;
    writer_ = nullptr;
    LOG("Save %d %s, %lld ms after the last input", writes_, writeOk_ ? "written" : "failed",
        static_cast<long long>(clock_.elapsed() - writeFromMs_));
    // An alert may run an event loop, in which a new check may start a new write.
    NoteStoredDataWrite(writing_, writeOk_, writeFailure_, alert);
    if (recheck_) {
        recheck_ = false;
        check();
    }
}

bool AutoSave::saveNow(int waitMs, std::string* failure) {
    timer_.stop();
    pending_ = false;
    recheck_ = false;
    if (writer_) {
        if (!writer_->wait(waitMs)) {
            const char* why = "a save in progress did not finish in time";
            LOG("%s", why);
            if (failure) *failure = why;
            return false;
        }
        writer_->disconnect(this);
        writeDone(SaveAlert::Never);
    }
    return SaveChangedStoredData(failure, SaveAlert::Never);
}

}  // namespace keyloom::app
