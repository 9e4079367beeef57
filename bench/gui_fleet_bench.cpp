// Benchmark of the downloader's window with a fleet in one document: COUNT network printers
// against BASE (default 1000 against 100), a ceiling of 99 downloads. Times opening the
// document, downloading a small file to every printer, cancelling a download of slow
// printers and closing the window, each per printer and as a ratio to the base; samples
// the most threads and open files during the download and the peak memory of each size.
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CFirmwareDownloaderView.h"
#include "CMainFrame.h"
#include "CQuarnPrinters.h"
#include "CommandTable.h"
#include "OpenFileLimit.h"
#include "SimProcess.h"
#include "downloader_fixture.h"

namespace {

constexpr int kCeiling = 99;
constexpr std::size_t kFileBytes = 16 * 1024;
// Slow enough that every download is still running when the cancel comes.
constexpr const char* kSlowPrinter = ",rate=2000";
constexpr int kCancelAfterMs = 1500;

std::size_t EntriesIn(const char* folder)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
    return count;
}

// A line of /proc/self/status in kibibytes.
long StatusKib(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

// Starts a new peak for VmHWM.
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

std::string Address(int number) { return "127.0." + std::to_string(number >> 8 & 255) + "." + std::to_string(number & 255); }

struct Figures {
    double open = 0, download = 0, cancel = 0, close = 0;
    std::size_t threads = 0, files = 0;
    long peakMib = 0;
    int exact = 0;
};

class Fleet {
public:
    Fleet(int count, const std::string& printerOptions) : m_count(count)
    {
        std::vector<std::string> arguments;
        for (int i = 1; i <= count; ++i)
            arguments.insert(arguments.end(),
                             {"--network", "Printer#" + std::to_string(i) + "@" + Address(i) + ":0" + printerOptions});
        m_sim = std::make_unique<SimProcess>(arguments);
        m_sim->Start();
        const std::string file = m_fixture.WriteFile("label.bin", kFileBytes).string();
        std::vector<NetworkPrinterRow> rows;
        for (int i = 1; i <= count; ++i) {
            const std::string name = "Printer#" + std::to_string(i);
            rows.push_back({name, Address(i), m_sim->PortOf(name), file, "Bench printer"});
        }
        m_document = m_fixture.WriteDocument("fleet.qps", rows);
    }

    // Seconds to open the document with its printers' threads and rows.
    double Open()
    {
        QElapsedTimer timer;
        timer.start();
        if (!m_fixture.Start(m_document)) return -1;
        QCoreApplication::processEvents();
        const double seconds = timer.nsecsElapsed() / 1e9;
        m_fixture.Printers().MaxSimultaneousDownloads(kCeiling);
        return m_fixture.View().RowCount() == m_count ? seconds : -1;
    }

    // Triggers Download All and runs the window until every download has ended or cancelAfterMs
    // have passed (then cancels); seconds from the start, or from the cancel when there was one.
    double Download(int cancelAfterMs, Figures& figures)
    {
        CFirmwareDownloaderView& view = m_fixture.View();
        auto sample = [&figures] {
            figures.threads = std::max(figures.threads, EntriesIn("/proc/self/task"));
            figures.files = std::max(figures.files, EntriesIn("/proc/self/fd"));
        };
        QTimer sampler;
        sampler.setInterval(50);
        QObject::connect(&sampler, &QTimer::timeout, sample);
        sampler.start();
        QElapsedTimer timer;
        timer.start();
        m_fixture.Frame().Action(ID_DOWNLOAD_ALL)->trigger();
        sample();
        const QDeadlineTimer started(10000);
        while (view.ActiveDownloads() == 0 && !started.hasExpired()) QTest::qWait(5);
        if (cancelAfterMs > 0) {
            while (timer.elapsed() < cancelAfterMs) QTest::qWait(5);
            timer.restart();
            m_fixture.Frame().Action(ID_DOWNLOAD_CANCEL)->trigger();
        }
        const QDeadlineTimer deadline(300000);
        while (view.ActiveDownloads() > 0 && !deadline.hasExpired()) QTest::qWait(5);
        return view.ActiveDownloads() == 0 ? timer.nsecsElapsed() / 1e9 : -1;
    }

    // Printers whose record shows exactly the file, once all have closed or 60 s have passed.
    int ExactCopies() const
    {
        int exact = 0;
        for (const SimProcess::Connection& c : m_sim->WaitForRecords(m_count, std::chrono::seconds(60)))
            exact += c.bytes == kFileBytes;
        return exact;
    }

    // Seconds to close the window, every printer's thread ended.
    double Close()
    {
        QElapsedTimer timer;
        timer.start();
        m_fixture.Stop();
        return timer.nsecsElapsed() / 1e9;
    }

private:
    int m_count;
    DownloaderFixture m_fixture;
    std::unique_ptr<SimProcess> m_sim;
    std::filesystem::path m_document;
};

Figures Measure(int count)
{
    Figures figures;
    ResetPeakMemory();
    {
        Fleet fleet(count, "");
        figures.open = fleet.Open();
        figures.download = fleet.Download(0, figures);
        figures.exact = fleet.ExactCopies();
        figures.close = fleet.Close();
    }
    {
        Fleet slow(count, kSlowPrinter);
        Figures ignored;
        if (slow.Open() >= 0) figures.cancel = slow.Download(kCancelAfterMs, ignored);
        slow.Close();
    }
    figures.peakMib = StatusKib("VmHWM") / 1024;
    return figures;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    RaiseOpenFileLimit();
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int base = argc > 2 ? std::atoi(argv[2]) : 100;
    const Figures small = Measure(base);
    const Figures large = Measure(count);

    std::printf("%-30s %10d %10d %14s\n", "printers", base, count, "ratio/printer");
    struct Step {
        const char* name;
        double base, count;
    };
    const Step steps[] = {
        {"open document (s)", small.open, large.open},
        {"download all (s)", small.download, large.download},
        {"cancel all (s)", small.cancel, large.cancel},
        {"close window (s)", small.close, large.close},
    };
    bool within = true;
    for (const Step& step : steps) {
        const double ratio = (step.count / count) / (step.base / base);
        within = within && step.base > 0 && step.count > 0 && ratio <= 2;
        std::printf("%-30s %10.3f %10.3f %14.2f\n", step.name, step.base, step.count, ratio);
    }
    std::printf("%-30s %10zu %10zu\n", "threads (most, download)", small.threads, large.threads);
    std::printf("%-30s %10zu %10zu\n", "open files (most, download)", small.files, large.files);
    std::printf("%-30s %9ldM %9ldM\n", "peak memory", small.peakMib, large.peakMib);
    std::printf("%-30s %10d %10d\n", "printers with the exact file", small.exact, large.exact);
    const bool exact = small.exact == base && large.exact == count;
    std::printf("within 2x per printer: %s; memory under 300 MiB: %s; every printer got its file: %s\n",
                within ? "yes" : "no", large.peakMib < 300 ? "yes" : "no", exact ? "yes" : "no");
    return within && exact && large.peakMib < 300 ? 0 : 1;
}
