// The Servers window's refresh, for bench/servers: the real window, HTTP client and status
// service against a stand-in list and stand-in game servers. Measures
// The window is on screen first, with the list off; then the list is asked, as F5 does.
//   rows_ms       from the list asked to all rows in the table;
//   after_page_ms from the last page's answer to all rows in the table;
//   pings_ms      from the list asked to the last answering server's ping in the table;
//   stall_ms      the longest time the event loop did not come round until then;
//   added_kib     the peak resident memory added (VmHWM after, VmRSS before);
// and, with --filter, the time a one-letter filter takes on the rows (filter_ms). With --phases,
// once the rows are in, while the pings go on arriving: a sort by each column in turn, then a
// one-letter filter, each followed by 600 ms of the loop running, and the longest stall of the
// event loop in each (sort0_stall_ms to sort6_stall_ms, filter_stall_ms).
// Prints them as one line of "name=value" words.
// Usage: zerlin_bench_servers LIST_URL ROWS ANSWERING [--filter | --phases]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "app/servers/list_network.h"
#include "app/servers/servers_window.h"
#include "loop_meter.h"
#include "map_settings.h"
#include "platform/loopback_only.h"
#include "platform/qt/qt_http.h"
#include "platform/qt/qt_network.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/qt_worker.h"
#include "servers/address_rules.h"
#include "servers/list_walk.h"
#include "status/status_client.h"
#include "status/status_service.h"

namespace {

using zerlin::bench::MapSettings;

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: zerlin_bench_servers LIST_URL ROWS ANSWERING "
                     "[--filter | --phases]\n");
        return 2;
    }
    const int rows = std::atoi(argv[2]);
    const int answering = std::atoi(argv[3]);
    const bool filter = argc > 4 && std::string(argv[4]) == "--filter";
    const bool phases = argc > 4 && std::string(argv[4]) == "--phases";
    const std::string keptPath = QDir::tempPath().toStdString() + "/zerlin-bench-servers-" +
                                 std::to_string(QCoreApplication::applicationPid()) + ".json";

    // Sends to loopback only: the benchmark never reaches the network.
    zerlin::qt::QtDatagramSocket socket;
    zerlin::net::LoopbackOnlySocket loopback(socket);
    zerlin::qt::QtHostResolver resolver;
    zerlin::qt::QtClock netClock;
    zerlin::qt::QtTimer timer;
    zerlin::status::StatusService service(loopback, resolver, netClock, timer);
    // The program's own client and walk, made as the program makes them when the window opens.
    zerlin::app::ListNetwork network(service, true);
    MapSettings settings;
    // Opened first with the list off, so that the refresh is measured on a window on screen; the
    // masters are off: the list alone is measured.
    settings.write("Servers", "ListUrl", "");
    settings.write("Servers", "Masters", "");
    zerlin::app::ServersWindow window(settings, service, network.sources(), keptPath, {});
    auto* table = window.findChild<QTableView*>("ServerTable");
    QAbstractItemModel* model = table->model();

    window.open();
    zerlin::bench::settle();
    const long rssBefore = zerlin::bench::procStatusKb("VmRSS");

    qint64 lastPageNs = -1;
    qint64 rowsNs = -1;
    qint64 pingsNs = -1;
    bool done = false;
    bool inPhases = false;  // measuring the sorts and the filter: the loop runs on
    zerlin::bench::LoopMeter meter([&] { return !done || inPhases; },
                                   [&] {
                                       done = rowsNs >= 0 && (pingsNs >= 0 || answering == 0);
                                       return done && !inPhases;
                                   },
                                   phases ? 120000 : 15000);
    QObject::connect(&network.http().manager(), &QNetworkAccessManager::finished,
                     [&] { lastPageNs = meter.nowNs(); });
    QObject::connect(model, &QAbstractItemModel::modelReset, [&] {
        if (rowsNs < 0 && model->rowCount() == rows) {
            rowsNs = meter.nowNs();
        }
    });
    std::vector<bool> pinged(static_cast<std::size_t>(rows), false);
    int pingedCount = 0;
    QObject::connect(model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& first, const QModelIndex& end) {
                         for (int r = first.row(); r <= end.row() && r < rows; ++r) {
                             const bool ms = model->index(r, 5).data().toString().endsWith(" ms");
                             if (ms != pinged[static_cast<std::size_t>(r)]) {
                                 pinged[static_cast<std::size_t>(r)] = ms;
                                 pingedCount += ms ? 1 : -1;
                             }
                         }
                         if (pingsNs < 0 && pingedCount >= answering) {
                             pingsNs = meter.nowNs();
                         }
                     });
    meter.start();
    window.browser().setListUrl(argv[1]);
    window.browser().refresh();
    meter.restartFromNow();
    QApplication::exec();
    const long peak = zerlin::bench::procStatusKb("VmHWM");
    const double arrivalStallMs = meter.stallMs();

    double filterMs = -1;
    if (filter && rowsNs >= 0) {
        auto* box = window.findChild<QLineEdit*>("Filter");
        table->sortByColumn(0, Qt::AscendingOrder);
        QApplication::processEvents();
        QElapsedTimer keystroke;
        keystroke.start();
        box->setText("w");
        QApplication::processEvents();  // the repaint of what the filter left
        filterMs = static_cast<double>(keystroke.nsecsElapsed()) / 1e6;
    }
    std::string phaseStalls;
    if (phases && rowsNs >= 0) {
        inPhases = true;
        auto* box = window.findChild<QLineEdit*>("Filter");
        const auto measure = [&](const std::string& name, const std::function<void()>& work) {
            QEventLoop loop;
            meter.restartFromNow();
            meter.resetStall();
            QTimer::singleShot(0, &loop, work);
            QTimer::singleShot(600, &loop, &QEventLoop::quit);
            loop.exec();
            char figure[64];
            std::snprintf(figure, sizeof figure, " %s_stall_ms=%.2f", name.c_str(),
                          meter.stallMs());
            phaseStalls += figure;
        };
        for (int column = 0; column < model->columnCount(); ++column) {
            measure("sort" + std::to_string(column),
                    [table, column] { table->sortByColumn(column, Qt::AscendingOrder); });
        }
        measure("filter", [box] { box->setText("w"); });
        inPhases = false;
    }
    QFile::remove(QString::fromStdString(keptPath));
    const auto ms = [](qint64 ns) { return ns < 0 ? -1.0 : static_cast<double>(ns) / 1e6; };
    std::printf(
        "rows_ms=%.1f after_page_ms=%.1f pings_ms=%.1f stall_ms=%.2f added_kib=%ld "
        "filter_ms=%.2f%s\n",
        ms(rowsNs), rowsNs < 0 ? -1.0 : ms(rowsNs - lastPageNs), ms(pingsNs), arrivalStallMs,
        peak - rssBefore, filterMs, phaseStalls.c_str());
    return rowsNs < 0 ? 1 : 0;
}
