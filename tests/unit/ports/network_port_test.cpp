// The network port: its stored settings, and its connection driven against plain loopback
// sockets that play the printer.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include <gtest/gtest.h>

#include "CArchive.h"
#include "CNetworkPort.h"
#include "CQuarnPrinterException.h"
#include "PrinterErrorOf.h"

namespace {

using namespace std::chrono_literals;


std::vector<int> AddressOf(const CNetworkPort& port)
{
    std::vector<int> bytes(4);
    port.GetIPAddress(&bytes[0], &bytes[1], &bytes[2], &bytes[3]);
    return bytes;
}

// A socket descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { if (m_fd != -1) close(m_fd); }
    Descriptor(Descriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    Descriptor& operator=(Descriptor&& other) noexcept { std::swap(m_fd, other.m_fd); return *this; }
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool WaitFor(int fd, short events, std::chrono::milliseconds limit)
{
    pollfd waiter{fd, events, 0};
    return poll(&waiter, 1, static_cast<int>(limit.count())) == 1;
}

// Plays the printer: a TCP socket on 127.0.0.1 that tests accept connections from.
class LoopbackPrinter {
public:
    // With listening false, connections to the port are refused until Listen.
    explicit LoopbackPrinter(bool listening = true, int backlog = SOMAXCONN)
        : m_socket(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(bind(m_socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        socklen_t length = sizeof address;
        getsockname(m_socket.get(), reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        if (listening) Listen(backlog);
    }

    void Listen(int backlog = SOMAXCONN) { EXPECT_EQ(listen(m_socket.get(), backlog), 0); }
    int Port() const { return m_port; }

    // The next connection, or an invalid descriptor when none arrives within the limit.
    Descriptor Accept(std::chrono::milliseconds limit = 5s)
    {
        if (!WaitFor(m_socket.get(), POLLIN, limit)) return Descriptor();
        return Descriptor(accept4(m_socket.get(), nullptr, nullptr, SOCK_CLOEXEC));
    }

    void PointAt(CNetworkPort& port) const
    {
        port.m_strDevice = "127.0.0.1";
        port.m_nTcpPort = m_port;
    }

private:
    Descriptor m_socket;
    int m_port = 0;
};

// Everything the peer receives until the port's side ends, and how it ended.
struct Received {
    std::string bytes;
    int error = 0;  // 0 for an orderly end
};

// A reset may follow the orderly end (the system resets when the port closes with bytes it
// never read), so the peer looks once more a little later.
int ErrorAfterTheEnd(int fd)
{
    std::this_thread::sleep_for(20ms);
    int error = 0;
    socklen_t length = sizeof error;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
    return error;
}

Received ReceiveUntilEnd(int fd)
{
    Received received;
    char buffer[4096];
    while (WaitFor(fd, POLLIN, 5s)) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            received.bytes.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        received.error = n < 0 ? errno : ErrorAfterTheEnd(fd);
        return received;
    }
    received.error = ETIMEDOUT;
    return received;
}

// ---- Settings ---------------------------------------------------------------------------------

TEST(NetworkPortSettings, NewPortIsClosedAndConnectsToPrinterPort9100)
{
    CNetworkPort port;
    EXPECT_EQ(port.m_nTcpPort, 9100);
    EXPECT_FALSE(port.IsConnected());
    EXPECT_EQ(port.m_hDevice, -1);
    EXPECT_EQ(AddressOf(port), (std::vector<int>{0, 0, 0, 0}));
}

TEST(NetworkPortSettings, SetIPAddressKeepsEachValueModulo256)
{
    CNetworkPort port;
    port.SetIPAddress(192, 168, 1, 300);
    EXPECT_EQ(port.m_strDevice, "192.168.1.44");
    port.SetIPAddress(256, 511, -1, 0);
    EXPECT_EQ(port.m_strDevice, "0.255.255.0");
    EXPECT_EQ(port.PortName(), "0.255.255.0");
    EXPECT_EQ(port.DisplayName(), "0.255.255.0");
}

TEST(NetworkPortSettings, GetIPAddressSplitsTheDottedText)
{
    CNetworkPort port;
    port.m_strDevice = "10.0.0.5";
    EXPECT_EQ(AddressOf(port), (std::vector<int>{10, 0, 0, 5}));
    port.m_strDevice = "192.168.100.254";
    EXPECT_EQ(AddressOf(port), (std::vector<int>{192, 168, 100, 254}));
    port.m_strDevice = "";
    EXPECT_EQ(AddressOf(port), (std::vector<int>{0, 0, 0, 0}));
}

TEST(NetworkPortSettings, GetIPAddressReadsThreeCharactersPerFieldAndNeverPastTheText)
{
    CNetworkPort port;
    // Only three characters are read, and the value keeps its low eight bits: 999 → 231.
    port.m_strDevice = "9999.1x.300.7";
    EXPECT_EQ(AddressOf(port), (std::vector<int>{231, 1, 44, 7}));
    // Missing fields read as 0, also when the text ends right after a dot.
    port.m_strDevice = "1.2";
    EXPECT_EQ(AddressOf(port), (std::vector<int>{1, 2, 0, 0}));
    port.m_strDevice = "7.";
    EXPECT_EQ(AddressOf(port), (std::vector<int>{7, 0, 0, 0}));
    port.m_strDevice = "printer.example";
    EXPECT_EQ(AddressOf(port), (std::vector<int>{0, 0, 0, 0}));
    port.m_strDevice = "...";
    EXPECT_EQ(AddressOf(port), (std::vector<int>{0, 0, 0, 0}));
}

TEST(NetworkPortSettings, ArchiveHoldsAddressThenTcpPortAndReadsBackIntoAFreshPort)
{
    CNetworkPort stored;
    stored.m_strDevice = "10.1.2.3";
    stored.m_nTcpPort = 6101;
    CArchive out;
    stored.Serialize(out);
    EXPECT_EQ(out.Buffer(), CString("\x08" "10.1.2.3" "\xD5\x17\x00\x00", 13));

    const CRuntimeClass* kind = CRuntimeClass::FromName("CNetworkPort");
    ASSERT_NE(kind, nullptr);
    std::unique_ptr<CObject> object(kind->CreateObject());
    auto* loaded = dynamic_cast<CNetworkPort*>(object.get());
    ASSERT_NE(loaded, nullptr);
    CArchive in(out.Buffer());
    loaded->Serialize(in);
    EXPECT_EQ(loaded->m_strDevice, "10.1.2.3");
    EXPECT_EQ(loaded->m_nTcpPort, 6101);
    EXPECT_FALSE(loaded->IsConnected());
    EXPECT_EQ(in.Remaining(), 0u);
}

TEST(NetworkPortSettings, ArchiveCutShortRaisesInsteadOfReadingPastIt)
{
    CNetworkPort port;
    CArchive in(CString("\x08" "10.1.2.3" "\xD5\x17", 11));
    bool raised = false;
    try {
        port.Serialize(in);
    } catch (CArchiveException* e) {
        raised = true;
        e->Delete();
    }
    EXPECT_TRUE(raised);
}

TEST(NetworkPortSettings, CopySettingsTakesAddressAndTcpPortOnlyFromANetworkPort)
{
    CNetworkPort source;
    source.m_strDevice = "10.9.8.7";
    source.m_nTcpPort = 515;
    CNetworkPort copy;
    copy.CopySettings(&source);
    EXPECT_EQ(copy.m_strDevice, "10.9.8.7");
    EXPECT_EQ(copy.m_nTcpPort, 515);
    EXPECT_FALSE(copy.IsConnected());

    CPortBase otherKind;
    otherKind.m_strDevice = "/dev/ttyS0";
    copy.CopySettings(&otherKind);
    EXPECT_EQ(copy.m_strDevice, "10.9.8.7");
    EXPECT_EQ(copy.m_nTcpPort, 515);
}

// ---- Connection -------------------------------------------------------------------------------

class NetworkPortConnection : public ::testing::Test {
protected:
    NetworkPortConnection() { printer.PointAt(port); }
    ~NetworkPortConnection() override { port.Close(); }

    // Opens the port and returns the printer's side of the connection.
    Descriptor Connect()
    {
        port.Open();
        EXPECT_TRUE(port.IsConnected());
        Descriptor peer = printer.Accept();
        EXPECT_NE(peer.get(), -1);
        return peer;
    }

    // Writes until the system's buffers are full and the port takes nothing more.
    std::uint64_t FillBuffers()
    {
        const std::string chunk(64 * 1024, 'f');
        std::uint64_t total = 0;
        for (int i = 0; i < 100000; ++i) {
            std::uint32_t written = 1;
            port.Write(chunk.data(), static_cast<std::uint32_t>(chunk.size()), &written);
            if (written == 0) return total;
            total += written;
        }
        ADD_FAILURE() << "the port never stopped taking data";
        return total;
    }

    LoopbackPrinter printer;
    CNetworkPort port;
};

TEST_F(NetworkPortConnection, WriteSendsTheBytesAndCloseEndsTheConnectionInOrder)
{
    Descriptor peer = Connect();
    const std::string data("\x1B" "A\x00\xFF" "firmware", 12);
    std::uint32_t written = 0;
    port.Write(data.data(), static_cast<std::uint32_t>(data.size()), &written);
    EXPECT_EQ(written, data.size());
    port.Close();
    EXPECT_FALSE(port.IsConnected());

    const Received received = ReceiveUntilEnd(peer.get());
    EXPECT_EQ(received.bytes, data);
    EXPECT_EQ(received.error, 0);
}

TEST_F(NetworkPortConnection, OpenResolvesAHostName)
{
    port.m_strDevice = "localhost";
    Descriptor peer = Connect();
    EXPECT_NE(peer.get(), -1);
}

TEST(NetworkPortOpen, RefusedConnectionRaisesCode7AndThePortCanBeOpenedAgain)
{
    LoopbackPrinter printer(false);
    CNetworkPort port;
    printer.PointAt(port);
    EXPECT_EQ(PrinterErrorOf([&] { port.Open(); }), errPortUnavailable);
    EXPECT_FALSE(port.IsConnected());

    printer.Listen();
    EXPECT_EQ(PrinterErrorOf([&] { port.Open(); }), 0u);
    EXPECT_TRUE(port.IsConnected());
    EXPECT_NE(printer.Accept().get(), -1);
    port.Close();
}

TEST(NetworkPortOpen, UnusableSettingsRaiseCode7)
{
    CNetworkPort port;
    port.m_strDevice = "";
    EXPECT_EQ(PrinterErrorOf([&] { port.Open(); }), errPortUnavailable);
    port.m_strDevice = "127.0.0.1";
    port.m_nTcpPort = 70000;
    EXPECT_EQ(PrinterErrorOf([&] { port.Open(); }), errPortUnavailable);
    EXPECT_FALSE(port.IsConnected());
}

TEST(NetworkPortOpen, PrinterThatNeverAnswersIsGivenUpAfterTheConnectLimit)
{
    // With its accept queue full, the system drops further connection requests unanswered.
    LoopbackPrinter printer(true, 0);
    std::vector<Descriptor> queued;
    for (int i = 0; i < 16; ++i) {
        Descriptor client(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(printer.Port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connect(client.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        const bool answered = WaitFor(client.get(), POLLOUT, 200ms);
        queued.push_back(std::move(client));
        if (!answered) break;
    }
    CNetworkPort port;
    printer.PointAt(port);
    port.m_nConnectTimeoutMs = 300;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(PrinterErrorOf([&] { port.Open(); }), errPortUnavailable);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_FALSE(port.IsConnected());
}

TEST_F(NetworkPortConnection, PrinterThatStopsReadingMakesWriteTakeNothingWithoutError)
{
    Descriptor peer = Connect();
    EXPECT_GT(FillBuffers(), 0u);
    // The system may still move queued bytes on to the peer and so free some room; fill
    // that too, so that only the retries below are left to see a full buffer.
    std::this_thread::sleep_for(50ms);
    FillBuffers();
    const char chunk[1024] = {};
    for (int retry = 0; retry < 50; ++retry) {
        std::uint32_t written = 1;
        ASSERT_EQ(PrinterErrorOf([&] { port.Write(chunk, sizeof chunk, &written); }), 0u);
        EXPECT_EQ(written, 0u);
    }
    // Still the one connection: nothing reconnected behind the printer's back.
    EXPECT_EQ(printer.Accept(100ms).get(), -1);
}

TEST_F(NetworkPortConnection, WriteReportsAPartialSendAndOnlyThoseBytesArrive)
{
    Descriptor peer = Connect();
    std::string data(16 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
    std::uint32_t written = 0;
    port.Write(data.data(), static_cast<std::uint32_t>(data.size()), &written);
    ASSERT_GT(written, 0u);
    ASSERT_LT(written, data.size());
    port.Close();
    const Received received = ReceiveUntilEnd(peer.get());
    EXPECT_EQ(received.error, 0);
    EXPECT_EQ(received.bytes.size(), written);
    EXPECT_TRUE(received.bytes == data.substr(0, written));
}

TEST_F(NetworkPortConnection, PeerResetDuringWritesRaisesAnErrorOnTheOneConnection)
{
    Descriptor peer = Connect();
    const linger abort{1, 0};
    setsockopt(peer.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    peer = Descriptor();

    const char chunk[1024] = {};
    unsigned long code = 0;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (code == 0 && std::chrono::steady_clock::now() < deadline) {
        std::uint32_t written = 0;
        code = PrinterErrorOf([&] { port.Write(chunk, sizeof chunk, &written); });
        if (code == 0 && written == 0) std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(code == kPlatformErrorBase + ECONNRESET || code == kPlatformErrorBase + EPIPE) << code;
    EXPECT_EQ(printer.Accept(100ms).get(), -1) << "the port connected again after the reset";
    port.Close();
    EXPECT_FALSE(port.IsConnected());
}

TEST_F(NetworkPortConnection, ReadTakesWhatArrivedAndRaisesWhenNothingWaits)
{
    Descriptor peer = Connect();
    char buffer[16];
    std::uint32_t read = 99;
    EXPECT_EQ(PrinterErrorOf([&] { port.Read(buffer, sizeof buffer, &read); }), kPlatformErrorBase + EAGAIN);
    EXPECT_EQ(read, 0u);

    ASSERT_EQ(send(peer.get(), "ok\r\n", 4, 0), 4);
    std::this_thread::sleep_for(20ms);
    port.Read(buffer, sizeof buffer, &read);
    EXPECT_EQ(std::string(buffer, read), "ok\r\n");

    peer = Descriptor();
    std::this_thread::sleep_for(20ms);
    read = 99;
    port.Read(buffer, sizeof buffer, &read);
    EXPECT_EQ(read, 0u);
}

TEST(NetworkPortClosed, WriteAndReadRaiseCode7AndCloseDoesNothing)
{
    CNetworkPort port;
    port.Close();
    port.Close();
    char buffer[8] = {};
    std::uint32_t count = 5;
    EXPECT_EQ(PrinterErrorOf([&] { port.Write(buffer, sizeof buffer, &count); }), errPortUnavailable);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(PrinterErrorOf([&] { port.Read(buffer, sizeof buffer, &count); }), errPortUnavailable);
    EXPECT_FALSE(port.IsConnected());
}

TEST_F(NetworkPortConnection, CloseAfterThePrinterClosedEndsAtOnce)
{
    Descriptor peer = Connect();
    peer = Descriptor();
    std::this_thread::sleep_for(20ms);
    port.Close();
    EXPECT_FALSE(port.IsConnected());
}

TEST_F(NetworkPortConnection, CloseDoesNotWaitForASilentPrinterAndEndsWithAnOrderlyFinish)
{
    Descriptor peer = Connect();
    port.Close();
    EXPECT_FALSE(port.IsConnected());
    const Received received = ReceiveUntilEnd(peer.get());
    EXPECT_EQ(received.error, 0);
    EXPECT_TRUE(received.bytes.empty());
}

TEST_F(NetworkPortConnection, CloseDiscardsAnAnswerWaitingSoThePrinterSeesNoReset)
{
    Descriptor peer = Connect();
    // More than two 50-byte reads: bytes left unread at close would make the system reset.
    const std::string answer(120, 'a');
    ASSERT_EQ(send(peer.get(), answer.data(), answer.size(), 0), static_cast<ssize_t>(answer.size()));
    std::this_thread::sleep_for(20ms);
    port.Close();
    EXPECT_FALSE(port.IsConnected());
    const Received received = ReceiveUntilEnd(peer.get());
    EXPECT_EQ(received.error, 0);
}

TEST_F(NetworkPortConnection, OpenAgainWithoutCloseEndsTheFirstConnection)
{
    Descriptor first = Connect();
    Descriptor second = Connect();
    EXPECT_EQ(ReceiveUntilEnd(first.get()).error, 0);
    std::uint32_t written = 0;
    port.Write("x", 1, &written);
    EXPECT_EQ(written, 1u);
    port.Close();
    EXPECT_EQ(ReceiveUntilEnd(second.get()).bytes, "x");
}

TEST_F(NetworkPortConnection, CopyFromLeavesThePortClosedAndNeverSharesAConnection)
{
    Descriptor peer = Connect();
    CNetworkPort copy;
    copy.CopyFrom(&port);
    EXPECT_FALSE(copy.IsConnected());
    EXPECT_EQ(copy.m_strDevice, "127.0.0.1");
    EXPECT_EQ(copy.m_nTcpPort, printer.Port());

    // Copying onto an open port closes its own connection first.
    port.CopyFrom(&copy);
    EXPECT_FALSE(port.IsConnected());
    EXPECT_EQ(ReceiveUntilEnd(peer.get()).error, 0);
}

TEST_F(NetworkPortConnection, ProbeBidirectionalSaysNoAndSendsNothing)
{
    Descriptor peer = Connect();
    EXPECT_FALSE(port.ProbeBidirectional());
    port.Close();
    const Received received = ReceiveUntilEnd(peer.get());
    EXPECT_TRUE(received.bytes.empty());
    EXPECT_EQ(received.error, 0);
}

}  // namespace

// ---- Delivery ---------------------------------------------------------------------------------

// The printer reads to the end of what was sent, then answers the half-close the way hangUp says.
class NetworkPortDelivery : public NetworkPortConnection {
protected:
    enum class HangUp { Close, Reset, KeepOpen };

    CPortBase::Delivery Deliver(std::size_t size, HangUp hangUp, unsigned long* error)
    {
        Descriptor peer = Connect();
        std::string received;
        std::thread printerSide([&] {
            received = ReceiveUntilEnd(peer.get()).bytes;
            if (hangUp == HangUp::Reset) {
                const linger abort{1, 0};
                setsockopt(peer.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            }
            if (hangUp != HangUp::KeepOpen) peer = Descriptor();
        });
        const std::string data(size, 'd');
        std::size_t sent = 0;
        while (sent < data.size()) {
            std::uint32_t written = 0;
            port.Write(data.data() + sent, static_cast<std::uint32_t>(data.size() - sent), &written);
            sent += written;
            if (written == 0) std::this_thread::sleep_for(1ms);
        }
        CPortBase::Delivery delivery = CPortBase::Delivery::Confirmed;
        *error = PrinterErrorOf([&] { delivery = port.Flush(); });
        printerSide.join();
        EXPECT_EQ(received.size(), size);
        return delivery;
    }
};

TEST_F(NetworkPortDelivery, IsConfirmedByThePrinterClosingAfterEveryByte)
{
    unsigned long error = 0;
    EXPECT_EQ(Deliver(512 * 1024, HangUp::Close, &error), CPortBase::Delivery::Confirmed);
    EXPECT_EQ(error, 0u);
}

// Every byte was acknowledged by the printer's system; only the reset says it refused them.
TEST_F(NetworkPortDelivery, FailsWhenThePrinterResetsAfterTakingEveryByte)
{
    unsigned long error = 0;
    Deliver(1000, HangUp::Reset, &error);
    EXPECT_EQ(error, kPlatformErrorBase + ECONNRESET);
}

TEST_F(NetworkPortDelivery, CountsAsUnconfirmedWhenThePrinterKeepsItsSideOpen)
{
    port.m_nUnconfirmedCloseMs = 300;
    unsigned long error = 0;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Deliver(1000, HangUp::KeepOpen, &error), CPortBase::Delivery::Unconfirmed);
    EXPECT_EQ(error, 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms);
}

TEST_F(NetworkPortConnection, FlushRaisesTimeoutWhenThePrinterTakesNothingMore)
{
    Descriptor peer = Connect();
    FillBuffers();
    port.m_nDeliveryStallMs = 300;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(PrinterErrorOf([&] { port.Flush(); }), static_cast<unsigned long>(errTimeout));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms);
}

TEST_F(NetworkPortConnection, FlushReportsAPrinterThatResetsWithBytesStillInFlight)
{
    Descriptor peer = Connect();
    FillBuffers();
    const linger abort{1, 0};
    setsockopt(peer.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    peer = Descriptor();
    const unsigned long code = PrinterErrorOf([&] { port.Flush(); });
    EXPECT_TRUE(code == kPlatformErrorBase + ECONNRESET || code == kPlatformErrorBase + EPIPE) << code;
}

TEST(NetworkPortClosed, FlushRaisesCode7)
{
    CNetworkPort port;
    EXPECT_EQ(PrinterErrorOf([&] { port.Flush(); }), static_cast<unsigned long>(errPortUnavailable));
}
