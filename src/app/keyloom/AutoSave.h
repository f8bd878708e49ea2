// Saves the profiles and key tables shortly after they change, so a crash,
// a kill or a power cut loses at most the last two seconds. Whatever the user
// or the keyboard does may change them; each input to the program (a press, a
// key, the wheel) and each notification from the keyboard is noted, and a
// check follows once a burst of them ends: one second after the last, or two
// after the first, and never while a mouse button is held (a drag is one
// change). The check builds the files' images and writes them, on a thread of
// their own, only when they differ from the stored files, so an idle keyloom
// never touches its files.
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <string>

#include "store/startup_data.h"

class QThread;

namespace keyloom::app {

class AutoSave : public QObject {
public:
    static constexpr int kQuietMs = 1000;        // a burst ends this long after its last input
    static constexpr int kLongestWaitMs = 2000;  // ... or this long after its first

    explicit AutoSave(QObject* parent = nullptr);
    ~AutoSave() override;

    // Something the user or the keyboard did may have changed the stored data.
    void noteActivity();

    // Saves now, without asking anyone, for an end that cannot wait: a write
    // in progress is given up to waitMs to finish, then what changed since is
    // written on this thread. Nothing is shown; a failure is logged and its
    // reason returned in `failure`. False when something is left unsaved.
    bool saveNow(int waitMs, std::string* failure);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void schedule();
    void check();
    void startWrite(StoredDataImages images);
    // The outcome of the write that ran, on this thread.
    void writeDone(SaveAlert alert);

    QTimer timer_;
    QElapsedTimer clock_;
    bool pending_ = false;  // input noted since the last check
    qint64 firstMs_ = 0;    // the burst's first and last input
    qint64 lastMs_ = 0;
    QThread* writer_ = nullptr;  // the write in progress, or none
    bool recheck_ = false;       // a check came while the write ran
    StoredDataImages writing_;
    bool writeOk_ = false;
    std::string writeFailure_;
    qint64 writeFromMs_ = 0;  // the last input before the write
    int writes_ = 0;  // started so far, for the log and the figures
};

}  // namespace keyloom::app
