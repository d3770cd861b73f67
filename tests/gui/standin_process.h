#pragma once

// A stand-in (the game servers' status, the server list, the notification service) run for a
// test: started with its arguments, it tells each address it took ("bound ADDRESS:PORT",
// "listening ADDRESS:PORT") and then "ready"; it is stopped when the test is done with it.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>
#include <utility>

namespace zerlin::test::gui {

class StandinProcess {
  public:
    explicit StandinProcess(QString program) : program_(std::move(program)) {}
    ~StandinProcess() { stop(); }
    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    // Starts it and waits until it is ready: the addresses it took, in order, as ADDRESS:PORT.
    // Empty when it was not ready within 10 s (it is stopped then); ready holds whether it was.
    QStringList start(const QStringList& arguments) {
        stop();
        process_.start(program_, arguments);
        QStringList addresses;
        while (process_.canReadLine() || process_.waitForReadyRead(10000)) {
            const QString line = QString::fromUtf8(process_.readLine()).trimmed();
            if (line == "ready") {
                ready = true;
                return addresses;
            }
            if (line.startsWith("bound ") || line.startsWith("listening ")) {
                addresses << line.section(' ', 1);
            }
        }
        qWarning("%s did not start: %s", qPrintable(program_),
                 process_.readAllStandardError().constData());
        stop();
        return {};
    }

    void stop() {
        ready = false;
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    // Whether it has ended by itself (as a notification service told to quit does).
    bool ended() const { return process_.state() == QProcess::NotRunning; }

    bool ready = false;

  private:
    QString program_;
    QProcess process_;
};

// The host of an ADDRESS:PORT the stand-in took.
inline std::string hostOf(const QString& address) {
    return address.section(':', 0, 0).toStdString();
}

}  // namespace zerlin::test::gui
