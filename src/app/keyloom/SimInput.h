// Commands for the simulated keyboard from a named pipe, one a line, so that
// a script acts as the keyboard while no window of keyloom shows:
//   layer N   the keyboard's layer button N (1..3)
//   unplug    the keyboard pulled out
//   plug      plugged in again
//   fail N    the next N transfers fail (an I/O error)
// Other lines are logged and ignored.
#pragma once
#include <QByteArray>
#include <QObject>
#include <memory>
#include <string>

class QSocketNotifier;

namespace keyloom {
class SimKeyboard;
}

namespace keyloom::app {

class SimInput : public QObject {
public:
    SimInput(std::shared_ptr<SimKeyboard> sim, QObject* parent);
    ~SimInput() override;
    // Opens the pipe and reads it from now on; false (errno set) when it cannot be opened.
    bool open(const std::string& path);

private:
    void readLines();
    void run(const QByteArray& line);

    std::shared_ptr<SimKeyboard> sim_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray pending_;  // a line not ended yet
};

}  // namespace keyloom::app
