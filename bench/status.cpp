// The status refresh of a full list, for bench/status: the real window's list with one
// bookmark for each server named on the command line, the real wiring and network. Measures
//   shown_ms   from the refresh to the moment the last answering server is shown in its row;
//   stall_ms   the longest time the event loop did not come round during the refresh;
//   added_kib  the peak resident memory added by the refresh (VmHWM after, VmRSS before).
// Prints them as one line of "name=value" words.
// Usage: zerlin_bench_status ANSWERING_COUNT HOST...   (the first ANSWERING_COUNT answer)
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/row_status.h"
#include "app/status_network.h"
#include "app/status_wiring.h"
#include "platform/qt/form1_window.h"
#include "platform/qt/widgets.h"

namespace {

long procStatusKb(const char* name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(name) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return std::stol(line.substr(prefix.size()));
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: zerlin_bench_status ANSWERING_COUNT HOST...\n");
        return 2;
    }
    const int answering = std::atoi(argv[1]);
    zerlin::qt::Form1Window window;
    zerlin::qt::QtListBox list(*window.List1);
    for (int i = 2; i < argc; ++i) {
        std::string name = "Server " + std::to_string(i - 1);
        name.resize(35, ' ');
        list.append(name + ":" + argv[i] + ":14567");
    }
    window.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    const long rssBefore = procStatusKb("VmRSS");

    zerlin::app::StatusNetwork network(true);
    zerlin::app::StatusWiring wiring(window, list, network.service());
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 stallNs = 0;
    qint64 shownNs = -1;
    QTimer meter;  // due every millisecond: it comes round late only when the loop is held up
    meter.setTimerType(Qt::PreciseTimer);
    meter.setInterval(1);
    QTimer::singleShot(8000, &app, [&app] { app.exit(1); });
    QObject::connect(&meter, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (shownNs < 0) {
            stallNs = std::max(stallNs, now - last - 1000000);
        }
        last = now;
        if (clock.elapsed() > 5000 || (shownNs >= 0 && !wiring.service()->busy())) {
            app.quit();
        }
    });
    // Counts the answering rows shown so far, looking only at the rows that changed.
    std::vector<bool> shown(static_cast<std::size_t>(answering), false);
    int shownCount = 0;
    QObject::connect(
        window.List1->model(), &QAbstractItemModel::dataChanged,
        [&](const QModelIndex& first, const QModelIndex& last) {
            for (int row = first.row(); row <= last.row() && row < answering; ++row) {
                const auto kind = static_cast<zerlin::status::Indicator>(
                    window.List1->item(row)->data(zerlin::app::RowStatusKindRole).toInt());
                const bool up = kind == zerlin::status::Indicator::Up ||
                                kind == zerlin::status::Indicator::Full;
                if (up != shown[static_cast<std::size_t>(row)]) {
                    shown[static_cast<std::size_t>(row)] = up;
                    shownCount += up ? 1 : -1;
                }
            }
            if (shownNs < 0 && shownCount == answering) {
                shownNs = clock.nsecsElapsed();
            }
        });
    meter.start();
    clock.start();
    wiring.start();
    stallNs = std::max(stallNs, clock.nsecsElapsed());  // start() itself, with the first sends
    last = clock.nsecsElapsed();
    QApplication::exec();
    const long peak = procStatusKb("VmHWM");
    std::printf("shown_ms=%.1f stall_ms=%.2f added_kib=%ld\n",
                shownNs < 0 ? -1.0 : static_cast<double>(shownNs) / 1e6,
                static_cast<double>(stallNs) / 1e6, peak - rssBefore);
    return shownNs < 0 ? 1 : 0;
}
