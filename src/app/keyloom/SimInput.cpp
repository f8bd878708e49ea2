#include "SimInput.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "base/debug.h"
#include "device/SimKeyboard.h"

namespace keyloom::app {

SimInput::SimInput(std::shared_ptr<SimKeyboard> sim, QObject* parent) : QObject(parent), sim_(std::move(sim)) {}

SimInput::~SimInput() {
    if (fd_ >= 0) ::close(fd_);
}

bool SimInput::open(const std::string& path) {
    // Opened for writing too, so the pipe never reads as ended when a writer leaves.
    fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return false;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readLines(); });
    return true;
}

void SimInput::readLines() {
    char buffer[256];
    ssize_t n;
    while ((n = ::read(fd_, buffer, sizeof buffer)) > 0) pending_.append(buffer, n);
    for (qsizetype end; (end = pending_.indexOf('\n')) >= 0;) {
        run(pending_.left(end).trimmed());
        pending_.remove(0, end + 1);
    }
}

void SimInput::run(const QByteArray& line) {
    LOG("Simulated keyboard input: %s", line.constData());
    const QList<QByteArray> words = line.split(' ');
    bool done = false;
    if (words.size() == 2 && words[0] == "layer") done = sim_->sendLayer(words[1].toInt());
    else if (words.size() == 2 && words[0] == "fail" && words[1].toInt() > 0) {
        sim_->failNextTransfers(words[1].toInt(), EIO);
        done = true;
    } else if (line == "unplug") done = sim_->unplug();
    else if (line == "plug") done = sim_->plug();
    if (!done) LOG("Simulated keyboard input not taken: %s", line.constData());
}

}  // namespace keyloom::app
