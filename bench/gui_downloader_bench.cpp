// Benchmark of the downloader's window: how long a rebuild of a 1000-printer list takes,
// how long the GUI thread goes without handling an event while 99 simulated printers
// download at once and report their progress, and while Auto-Detect adds 2000 printers
// that answer its search (inside network namespaces of the benchmark's own; root only).
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "CFirmwareDownloaderView.h"
#include "CQtUserInterface.h"
#include "CQuarnPrintersTestAccess.h"
#include "DiscoveryNetwork.h"
#include "CMainFrame.h"
#include "CommandTable.h"
#include "SimProcess.h"
#include "downloader_fixture.h"

namespace {

constexpr int kRebuildPrinters = 1000;
constexpr int kRebuildRuns = 7;
constexpr int kDownloadPrinters = 99;
constexpr std::size_t kFileBytes = 1024 * 1024;
constexpr double kRebuildLimitMs = 200;
constexpr double kGapLimitMs = 100;
constexpr int kDetectPrinters = 2000;
constexpr unsigned kDetectSearchMs = 3000;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool RebuildBench()
{
    DownloaderFixture fixture;
    std::vector<NetworkPrinterRow> printers;
    for (int i = 0; i < kRebuildPrinters; ++i) {
        printers.push_back({"Printer#" + std::to_string(i + 1), "10.9." + std::to_string(i / 250) + "." +
                            std::to_string(i % 250 + 1), 9100, "/firmware/printer.prg", "Bench printer"});
    }
    if (!fixture.Start(fixture.WriteDocument("thousand.qps", printers))) return false;
    CFirmwareDownloaderView& view = fixture.View();
    std::vector<double> times;
    for (int run = 0; run < kRebuildRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        view.OnUpdate();
        QCoreApplication::processEvents();  // the new rows are laid out and painted too
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    const double median = Median(times);
    std::printf("rebuild of %d printers: median %.1f ms, worst %.1f ms over %d runs (limit %.0f ms)\n",
                view.RowCount(), median, *std::max_element(times.begin(), times.end()), kRebuildRuns,
                kRebuildLimitMs);
    return view.RowCount() == kRebuildPrinters && median < kRebuildLimitMs;
}

bool DownloadBench()
{
    DownloaderFixture fixture;
    std::vector<std::string> arguments;
    std::vector<NetworkPrinterRow> printers;
    const std::string file = fixture.WriteFile("firmware.prg", kFileBytes).string();
    for (int i = 0; i < kDownloadPrinters; ++i) {
        const std::string name = "Printer#" + std::to_string(i + 1);
        const std::string address = "127.0.0." + std::to_string(i + 2);
        arguments.insert(arguments.end(), {"--network", name + "@" + address + ":0,rate=500000,rcvbuf=16384"});
        printers.push_back({name, address, 0, file, "Bench printer"});
    }
    SimProcess sim(arguments);
    sim.Start();
    for (NetworkPrinterRow& printer : printers) printer.tcpPort = sim.PortOf(printer.name);
    if (!fixture.Start(fixture.WriteDocument("ninety-nine.qps", printers))) return false;
    fixture.Printers().MaxSimultaneousDownloads(kDownloadPrinters);
    CFirmwareDownloaderView& view = fixture.View();

    // A timer that fires as often as it can: a long gap between two firings is a time the
    // window could not answer the operator.
    QElapsedTimer clock;
    qint64 last = -1;
    qint64 longestGapNs = 0;
    int mostBars = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0 && view.ActiveDownloads() > 0) longestGapNs = std::max(longestGapNs, now - last);
        last = now;
        int bars = 0;
        for (int row = 0; row < view.RowCount(); ++row) bars += view.ProgressBar(view.RowPrinter(row)) != nullptr;
        mostBars = std::max(mostBars, bars);
    });
    clock.start();
    ticker.start();
    fixture.Frame().Action(ID_DOWNLOAD_ALL)->trigger();
    const QDeadlineTimer started(10000);
    while (view.ActiveDownloads() == 0 && !started.hasExpired()) QTest::qWait(5);
    const QDeadlineTimer deadline(120000);
    while (view.ActiveDownloads() > 0 && !deadline.hasExpired()) QTest::qWait(5);
    const double seconds = clock.nsecsElapsed() / 1e9;
    ticker.stop();

    const auto records = sim.WaitForRecords(kDownloadPrinters, std::chrono::seconds(60));
    const bool exact = records.size() == kDownloadPrinters &&
                       std::all_of(records.begin(), records.end(),
                                   [](const SimProcess::Connection& c) { return c.bytes == kFileBytes; });
    std::printf("%d downloads of %zu bytes: %.1f s, at most %d bars at once, longest gap between handled "
                "events %.1f ms (limit %.0f ms), every printer got its file: %s\n",
                kDownloadPrinters, kFileBytes, seconds, mostBars, longestGapNs / 1e6, kGapLimitMs,
                exact ? "yes" : "no");
    return exact && view.ActiveDownloads() == 0 && longestGapNs / 1e6 < kGapLimitMs;
}

// fleetOptions: how the answers arrive ("" back to back, ",jitter-ms=200" spread over 0-200 ms).
bool AutoDetectBench(const std::string& fleetOptions, const char* arrival)
{
    DiscoveryNetwork network;
    if (!network.Ready() || !network.AddPrinterRange("10.232.0.0/16")) {
        std::printf("auto-detect of %d printers answering %s: not measured (%s)\n", kDetectPrinters, arrival,
                    network.WhyNot().c_str());
        return true;
    }
    SimProcess sim({"--discovery-fleet", "10.232.0.1," + std::to_string(kDetectPrinters) + fleetOptions, "--network",
                    "Any@0.0.0.0:9100", "--discovery-broadcast", "255.255.255.255"});
    if (!network.StartPrinters(sim)) return false;
    // The window's thread searches from the program's side, as the whole program would there.
    const NetworkNamespace::ThreadVisit visit(network.Program());
    if (!visit.Entered()) return false;
    DownloaderFixture fixture;
    if (!fixture.Start(fixture.WriteDocument("empty.qps", {}))) return false;
    CQuarnPrintersTestAccess::SetSearchPeriod(fixture.Printers(), kDetectSearchMs);
    CFirmwareDownloaderView& view = fixture.View();
    // The program's own wait dialog, whose event loop keeps the window answering during the search.
    CQtUserInterface programUi;
    AfxSetUserInterface(&programUi);

    QElapsedTimer clock;
    qint64 last = -1;
    qint64 longestGapNs = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0) longestGapNs = std::max(longestGapNs, now - last);
        last = now;
    });
    clock.start();
    ticker.start();
    // Ticking already, so that a GUI thread held up inside the action shows as a gap.
    QTest::qWait(20);
    const qint64 before = clock.nsecsElapsed();
    // Runs the search's wait and then the merge, all inside the action, as the menu does.
    fixture.Frame().Action(ID_PRINTER_AUTODETECT)->trigger();
    const double actionSeconds = (clock.nsecsElapsed() - before) / 1e9;
    QTest::qWait(50);
    AfxSetUserInterface(&fixture.Ui());
    ticker.stop();
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("auto-detect of %d printers answering %s (search %u ms): the action returned after %.2f s, %.2f s "
                "in all, %d rows, longest gap between handled events %.1f ms (limit %.0f ms)\n",
                kDetectPrinters, arrival, kDetectSearchMs, actionSeconds, seconds, view.RowCount(),
                longestGapNs / 1e6, kGapLimitMs);
    return view.RowCount() == kDetectPrinters && longestGapNs / 1e6 < kGapLimitMs;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool rebuild = RebuildBench();
    const bool download = DownloadBench();
    const bool detect = AutoDetectBench("", "back to back") && AutoDetectBench(",jitter-ms=200", "over 0-200 ms");
    return rebuild && download && detect ? 0 : 1;
}
