// The simulated serial printers, driven through their pseudo-terminal devices as a host
// program would: what tests of the library's serial port rely on.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <gtest/gtest.h>

#include "Sha256.h"
#include "SimProcess.h"
#include "TemporaryFolder.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The host's end of a simulated serial line: the device opened the way a port opens it,
// never blocking, so that a held line shows as a write that cannot go on.
class SerialHost {
public:
    SerialHost(const std::string& path, speed_t speed, tcflag_t flowInput, tcflag_t flowControl, bool twoStopBits = false)
        : m_fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        if (m_fd == -1) throw std::runtime_error("cannot open " + path);
        termios line{};
        tcgetattr(m_fd, &line);
        cfmakeraw(&line);
        cfsetspeed(&line, speed);
        // The device keeps what its previous host set; every host sets all it relies on.
        line.c_iflag &= ~(IXON | IXOFF | IXANY);
        line.c_cflag &= ~(CRTSCTS | CSTOPB);
        line.c_iflag |= flowInput;
        line.c_cflag |= flowControl;
        if (twoStopBits) line.c_cflag |= CSTOPB;
        tcsetattr(m_fd, TCSANOW, &line);
    }
    ~SerialHost() { Close(); }

    // Writes what the line takes before the deadline; the count written.
    std::size_t Write(const std::string& bytes, Clock::duration limit = 10s)
    {
        const auto deadline = Clock::now() + limit;
        std::size_t sent = 0;
        while (sent < bytes.size() && Clock::now() < deadline) {
            const ssize_t n = write(m_fd, bytes.data() + sent, bytes.size() - sent);
            if (n > 0) sent += static_cast<std::size_t>(n);
            else if (!WaitFor(POLLOUT, 100ms)) m_stalled = true;
        }
        return sent;
    }
    // Everything that arrives until expected bytes are there or nothing came for quiet.
    std::string Read(std::size_t expected, std::chrono::milliseconds quiet = 2000ms)
    {
        std::string bytes;
        while (bytes.size() < expected && WaitFor(POLLIN, quiet)) {
            char buffer[4096];
            const ssize_t n = read(m_fd, buffer, sizeof buffer);
            if (n <= 0) break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }
    void Close()
    {
        if (m_fd != -1) close(m_fd);
        m_fd = -1;
    }
    // Whether a write ever found the line unable to take more for a tenth of a second.
    bool Stalled() const { return m_stalled; }

private:
    bool WaitFor(short events, std::chrono::milliseconds limit)
    {
        pollfd waiter{m_fd, events, 0};
        return poll(&waiter, 1, static_cast<int>(limit.count())) == 1 && (waiter.revents & events);
    }

    int m_fd;
    bool m_stalled = false;
};

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    return bytes;
}

TEST(PrinterSimSerial, TakesEveryByteAndAnswersTheSerialNumberWithTheLineAsSet)
{
    TemporaryFolder folder;
    const std::string link = (folder.Path() / "ttyQ0").string();
    SimProcess sim({"--serial", "line@" + link + ",serial=AB%2C12"});
    sim.Start();
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.DeviceOf("line"));

    const std::string download = RandomBytes(300000, 7);
    {
        SerialHost host(link, B19200, 0, CRTSCTS, true);
        ASSERT_EQ(host.Write(download + "\nURS\n"), download.size() + 5);
        EXPECT_EQ(host.Read(7), "AB,12\r\n");
    }
    auto sessions = sim.WaitForSerialSessions(1);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].bytes, download.size() + 5);
    EXPECT_EQ(sessions[0].sha256, Sha256::Of(download + "\nURS\n"));
    EXPECT_EQ(sessions[0].start, download.substr(0, 4096));
    EXPECT_EQ(sessions[0].end, "closed by host");
    EXPECT_EQ(sessions[0].device, sim.DeviceOf("line"));
    ASSERT_TRUE(sessions[0].line.has_value());
    EXPECT_EQ(sessions[0].line->baud, 19200u);
    EXPECT_EQ(sessions[0].line->stopBits, 2);
    EXPECT_EQ(sessions[0].line->flow, "hardware");
    ASSERT_EQ(sessions[0].questions.size(), 1u);
    EXPECT_EQ(sessions[0].questions[0].asked, "URS");
    EXPECT_TRUE(sessions[0].questions[0].answered);
    EXPECT_EQ(sessions[0].questions[0].afterBytes, download.size() + 5);

    // The printer outlives its host: the next opening is a session of its own, with its own settings.
    {
        SerialHost host(link, B9600, IXON, 0);
        host.Write("\nURS\n");
        EXPECT_EQ(host.Read(7), "AB,12\r\n");
    }
    sessions = sim.WaitForSerialSessions(2);
    ASSERT_EQ(sessions.size(), 2u);
    EXPECT_EQ(sessions[1].start, "\nURS\n");
    ASSERT_TRUE(sessions[1].line.has_value());
    EXPECT_EQ(sessions[1].line->baud, 9600u);
    EXPECT_EQ(sessions[1].line->stopBits, 1);
    EXPECT_EQ(sessions[1].line->flow, "software");

    ASSERT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(PrinterSimSerial, AnswersEachQueryWithItsOwnTextAndNothingElse)
{
    TemporaryFolder folder;
    const std::string link = (folder.Path() / "ttyQ1").string();
    SimProcess sim({"--serial", "chatty@" + link + ",odometer=L%3D1,odometer-metric=L%3D2,head=H1,head-metric=H2,config=C"});
    sim.Start();
    SerialHost host(link, B9600, 0, 0);

    const std::pair<std::string, std::string> exchanges[] = {
        {"\nURLi\n", "L=1"}, {"\nURLm\n", "L=2"}, {"\nURHi\n", "H1"}, {"\nURHm\n", "H2"}, {"\nUQ\n", "C"},
    };
    for (const auto& [question, answer] : exchanges) {
        host.Write(question);
        EXPECT_EQ(host.Read(answer.size()), answer) << "asked " << question.substr(1, question.size() - 2);
    }
    // A question split across writes is still one question.
    host.Write("\nUR");
    std::this_thread::sleep_for(100ms);
    host.Write("Hi\n");
    EXPECT_EQ(host.Read(2), "H1");
    // Print commands and test pages look alike but are not questions.
    host.Write("\nURLip\n\nURHmp\n\nU\n~WC\noLr\r\n");
    EXPECT_EQ(host.Read(1, 300ms), "");
    host.Close();

    const auto sessions = sim.WaitForSerialSessions(1);
    ASSERT_EQ(sessions.size(), 1u);
    std::vector<std::string> asked;
    for (const auto& question : sessions[0].questions) asked.push_back(question.asked);
    EXPECT_EQ(asked, (std::vector<std::string>{"URLi", "URLm", "URHi", "URHm", "UQ", "URHi"}));
}

TEST(PrinterSimSerial, SilentAndReluctantPrintersHearButDoNotAnswer)
{
    TemporaryFolder folder;
    const std::string silentLink = (folder.Path() / "silent").string();
    const std::string reluctantLink = (folder.Path() / "reluctant").string();
    SimProcess sim({"--serial", "mute@" + silentLink + ",silent", "--serial", "slow@" + reluctantLink + ",unanswered=1"});
    sim.Start();
    {
        SerialHost silent(silentLink, B9600, 0, 0);
        silent.Write("\nURS\n\nUQ\n");
        EXPECT_EQ(silent.Read(1, 500ms), "");
    }
    // The second asking is answered, in a session of its own as a host's retry would be.
    for (const std::string expected : {"", "XJ42\r\n"}) {
        SerialHost reluctant(reluctantLink, B9600, 0, 0);
        reluctant.Write("\nURS\n");
        EXPECT_EQ(reluctant.Read(6, 500ms), expected);
        reluctant.Close();
        sim.WaitForSerialSessions(expected.empty() ? 2 : 3);
    }

    const auto sessions = sim.WaitForSerialSessions(3);
    ASSERT_EQ(sessions.size(), 3u);
    ASSERT_EQ(sessions[0].questions.size(), 2u);
    EXPECT_FALSE(sessions[0].questions[0].answered);
    EXPECT_FALSE(sessions[0].questions[1].answered);
    EXPECT_EQ(sessions[0].bytes, 9u);
    ASSERT_EQ(sessions[1].questions.size(), 1u);
    EXPECT_FALSE(sessions[1].questions[0].answered);
    ASSERT_EQ(sessions[2].questions.size(), 1u);
    EXPECT_TRUE(sessions[2].questions[0].answered);
}

TEST(PrinterSimSerial, SendsXoffAfterTheConfiguredBytesAndXonAfterTheConfiguredTime)
{
    TemporaryFolder folder;
    const std::string link = (folder.Path() / "ttyQ2").string();
    SimProcess sim({"--serial", "busy@" + link + ",xoff-after=1000,xon-after-ms=300"});
    sim.Start();
    // Without software flow on the host's side the two characters arrive as data.
    SerialHost host(link, B9600, 0, 0);
    host.Write(std::string(999, 'a'));
    EXPECT_EQ(host.Read(1, 300ms), "");
    host.Write("b");
    EXPECT_EQ(host.Read(1), "\x13");
    const auto held = Clock::now();
    EXPECT_EQ(host.Read(1), "\x11");
    EXPECT_GE(Clock::now() - held, 250ms);
    host.Close();

    const auto sessions = sim.WaitForSerialSessions(1);
    ASSERT_EQ(sessions.size(), 1u);
    ASSERT_EQ(sessions[0].flowControl.size(), 2u);
    EXPECT_EQ(sessions[0].flowControl[0].sent, "xoff");
    EXPECT_EQ(sessions[0].flowControl[0].afterBytes, 1000u);
    EXPECT_EQ(sessions[0].flowControl[1].sent, "xon");
    EXPECT_GE(sessions[0].flowControl[1].monotonicMs - sessions[0].flowControl[0].monotonicMs, 300.0);
}

TEST(PrinterSimSerial, AHeldLineHoldsTheHostBackAndThenTakesEveryByte)
{
    TemporaryFolder folder;
    const std::string timedLink = (folder.Path() / "timed").string();
    const std::string heldLink = (folder.Path() / "held").string();
    SimProcess sim({"--serial", "timed@" + timedLink + ",xoff-after=4096,xon-after-ms=500", "--serial",
                    "held@" + heldLink + ",xoff-after=0"});
    sim.Start();

    // Far more than the system buffers between the two sides, so the hold must be felt.
    const std::string download = RandomBytes(2000000, 11);
    {
        SerialHost host(timedLink, B115200, IXON, 0);
        EXPECT_EQ(host.Write(download), download.size());
        EXPECT_TRUE(host.Stalled());
    }
    auto sessions = sim.WaitForSerialSessions(1);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].bytes, download.size());
    EXPECT_EQ(sessions[0].sha256, Sha256::Of(download));
    EXPECT_EQ(sessions[0].line->flow, "software");

    // Held from the moment the printer sees the host, without an end: nothing gets through
    // until the host gives up, and the next host starts free to be held anew.
    {
        SerialHost host(heldLink, B115200, IXON, 0);
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(host.Write("x", 500ms), 0u);
    }
    sim.WaitForSerialSessions(2);
    {
        // The release sent as the held host left may still wait on the line for the next host,
        // as on a wire (the library's port flushes its input on open; this host reads past it).
        // Both may come in one read.
        SerialHost host(heldLink, B115200, 0, 0);
        std::string received = host.Read(1);
        if (received == "\x11") received += host.Read(1);
        if (!received.empty() && received.front() == '\x11') received.erase(0, 1);
        EXPECT_EQ(received, "\x13");
    }
    sessions = sim.WaitForSerialSessions(3);
    ASSERT_EQ(sessions.size(), 3u);
    EXPECT_EQ(sessions[1].bytes, 0u);
    ASSERT_EQ(sessions[1].flowControl.size(), 2u);
    EXPECT_EQ(sessions[1].flowControl[1].sent, "xon");
}

TEST(PrinterSimSerial, AHeldLineGoesOnTheTestsWord)
{
    TemporaryFolder folder;
    const std::string link = (folder.Path() / "ttyQ3").string();
    SimProcess sim({"--serial", "waits@" + link + ",xoff-after=10"});
    sim.Start();
    SerialHost host(link, B115200, IXON, 0);
    ASSERT_EQ(host.Write(std::string(10, 'a')), 10u);
    // Time for the printer to read them and answer with Xoff, which the host's side acts on unseen.
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(host.Write("b", 500ms), 0u) << "held";
    sim.ReleaseHeldLines();
    EXPECT_EQ(host.Write("b", 2s), 1u);
    host.Close();

    const auto sessions = sim.WaitForSerialSessions(1);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].bytes, 11u);
    ASSERT_EQ(sessions[0].flowControl.size(), 2u);
    EXPECT_EQ(sessions[0].flowControl[1].sent, "xon");
    EXPECT_EQ(sessions[0].flowControl[1].afterBytes, 10u) << "let go by the signal, not by the host's close";

    // A host still there when the simulator ends has its session recorded too.
    SerialHost lingering(link, B115200, 0, 0);
    lingering.Write("zz");
    std::this_thread::sleep_for(200ms);
    ASSERT_EQ(sim.Stop(), 0);
    const auto all = sim.SerialSessions();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].end, "stopped by simulator");
    EXPECT_EQ(all[1].start, "zz");
}

TEST(PrinterSimSerial, ReplacesAStaleLinkButNeverAFile)
{
    TemporaryFolder folder;
    const std::filesystem::path stale = folder.Path() / "stale";
    std::filesystem::create_symlink("/nonexistent/device", stale);
    {
        SimProcess sim({"--serial", "p@" + stale.string()});
        sim.Start();
        EXPECT_EQ(std::filesystem::read_symlink(stale).string(), sim.DeviceOf("p"));
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(stale)));

    const std::filesystem::path file = folder.Path() / "file";
    std::ofstream(file) << "keep";
    EXPECT_THROW(SimProcess({"--serial", "p@" + file.string()}).Start(), std::runtime_error);
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
    EXPECT_THROW(SimProcess({"--serial", "p@" + stale.string() + ",xon-after-ms=5"}).Start(), std::runtime_error);
    EXPECT_THROW(SimProcess({"--serial", "p@" + stale.string() + ",serial=%G0"}).Start(), std::runtime_error);
}

}  // namespace
