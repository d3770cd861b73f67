// The status refresh of a full list, for bench/status: the real window's list with one
// bookmark for each server named on the command line, the real wiring and network. Measures
//   shown_ms   from the refresh to the moment the last answering server is shown in its row;
//   stall_ms   the longest time the event loop did not come round during the refresh;
//   added_kib  the peak resident memory added by the refresh (VmHWM after, VmRSS before).
// Prints them as one line of "name=value" words.
// Usage: zerlin_bench_status ANSWERING_COUNT HOST...   (the first ANSWERING_COUNT answer)
#include <QApplication>
#include <QListWidget>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main/form1_window.h"
#include "app/servers/row_status.h"
#include "app/status/status_wiring.h"
#include "app/status_network.h"
#include "loop_meter.h"
#include "platform/qt/widgets.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: zerlin_bench_status ANSWERING_COUNT HOST...\n");
        return 2;
    }
    const int answering = std::atoi(argv[1]);
    zerlin::app::Form1Window window;
    zerlin::qt::QtListBox list(*window.List1);
    for (int i = 2; i < argc; ++i) {
        std::string name = "Server " + std::to_string(i - 1);
        name.resize(35, ' ');
        list.append(name + ":" + argv[i] + ":14567");
    }
    window.show();
    zerlin::bench::settle();
    const long rssBefore = zerlin::bench::procStatusKb("VmRSS");

    zerlin::app::StatusNetwork network(true);
    zerlin::app::StatusWiring wiring(window, list, network.service());
    qint64 shownNs = -1;
    zerlin::bench::LoopMeter meter([&] { return shownNs < 0; },
                                   [&] { return shownNs >= 0 && !wiring.service()->busy(); }, 5000);
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
                shownNs = meter.nowNs();
            }
        });
    meter.start();
    wiring.start();
    meter.heldUntilNow();  // start() itself, with the first sends
    QApplication::exec();
    const long peak = zerlin::bench::procStatusKb("VmHWM");
    std::printf("shown_ms=%.1f stall_ms=%.2f added_kib=%ld\n",
                shownNs < 0 ? -1.0 : static_cast<double>(shownNs) / 1e6, meter.stallMs(),
                peak - rssBefore);
    return shownNs < 0 ? 1 : 0;
}
