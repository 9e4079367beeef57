// The set-up every discovery test shares: the network of two namespaces, simulated printers on
// its far side, and a printer list with a scripted user interface searching from its near side.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "CArchive.h"
#include "CQuarnPrinters.h"
#include "CQuarnPrintersTestAccess.h"
#include "DiscoveryNetwork.h"
#include "RecordingWnd.h"
#include "ScopedEnvironment.h"
#include "ScriptedUserInterface.h"
#include "SimProcess.h"
#include "TemporaryFolder.h"

class DiscoveryTest : public ::testing::Test {
protected:
    // Long enough for answers on a busy machine, short enough to keep the suite quick.
    static constexpr unsigned kShortSearchMs = 2000;

    // A printer as the stored document has it.
    struct Stored {
        std::string name;
        std::string portClass;
        std::string address;
        std::int32_t tcpPort = 0;
        bool operator==(const Stored&) const = default;
        friend void PrintTo(const Stored& printer, std::ostream* out)
        {
            *out << "{" << printer.name << ", " << printer.portClass << ", " << printer.address << ", "
                 << printer.tcpPort << "}";
        }
    };

    void SetUp() override
    {
        if (!m_network.Ready()) GTEST_SKIP() << "no network of the test's own: " << m_network.WhyNot();
    }

    // Starts simulated printers on the printers' side: the simulator's arguments, in parts.
    void StartPrinters(std::initializer_list<std::vector<std::string>> parts)
    {
        std::vector<std::string> arguments;
        for (const auto& part : parts) arguments.insert(arguments.end(), part.begin(), part.end());
        m_sim = std::make_unique<SimProcess>(arguments);
        ASSERT_TRUE(m_network.StartPrinters(*m_sim)) << "cannot enter " << m_network.Printers().Name();
    }

    // Auto-detection from the program's side. The thread that runs it, and so every thread and
    // socket the search and the new printers make, is inside the program's namespace.
    void Detect(unsigned sources = dsNetwork, unsigned searchMs = kShortSearchMs)
    {
        const NetworkNamespace::ThreadVisit visit(m_network.Program());
        ASSERT_TRUE(visit.Entered()) << "cannot enter " << m_network.Program().Name() << ": no search is made";
        CQuarnPrintersTestAccess::SetSearchPeriod(m_printers, searchMs);
        m_printers.AutoDetectPrinters(&m_window, sources);
    }

    // Puts network printers into the list as loading a document does; each entry is a name and
    // an address on port 9100.
    void Load(const std::vector<std::pair<std::string, std::string>>& printers)
    {
        CArchive document;
        document << static_cast<std::int32_t>(printers.size());
        for (const auto& [name, address] : printers)
            document << CString(name) << CString() << CString() << CString("CNetworkPort") << std::int32_t{0}
                     << CString(address) << std::int32_t{9100};
        CArchive loading(document.Buffer());
        const NetworkNamespace::ThreadVisit visit(m_network.Program());
        ASSERT_TRUE(visit.Entered());
        m_printers.Serialize(loading, &m_window);
    }

    // The list as it would be saved: every printer's name, port class, address and TCP port,
    // in the list's order. Only network printers carry an address and a TCP port.
    std::vector<Stored> StoredPrinters()
    {
        CArchive storing;
        m_printers.Serialize(storing, &m_window);
        CArchive document(storing.Buffer());
        std::int32_t count = 0;
        document >> count;
        std::vector<Stored> printers;
        for (std::int32_t i = 0; i < count; ++i) {
            Stored printer;
            CString name, model, file, portClass, address;
            std::int32_t calibrate = 0;
            document >> name >> model >> file >> portClass >> calibrate;
            printer.name = name;
            printer.portClass = portClass;
            if (portClass == "CNetworkPort") {
                document >> address >> printer.tcpPort;
                printer.address = address;
            } else {
                document >> address;  // the device path of a USB printer
                printer.address = address;
            }
            printers.push_back(printer);
        }
        return printers;
    }

    static Stored Network(const std::string& name, int number)
    {
        return {name, "CNetworkPort", DiscoveryNetwork::PrinterAddress(number), 9100};
    }

    // "--network NAME@ADDRESS:9100,OPTIONS" for printer number on the printers' side.
    static std::vector<std::string> Printer(const std::string& name, int number,
                                            const std::string& options = "discovery")
    {
        return {"--network", name + "@" + DiscoveryNetwork::PrinterAddress(number) + ":9100," + options};
    }

    // Makes every discovery printer hear requests broadcast to address.
    static std::vector<std::string> Hearing(const std::string& address) { return {"--discovery-broadcast", address}; }

    // The answers the simulated printers sent, by printer name, once at least count of them are
    // recorded or 10 s have passed.
    std::multiset<std::string> AnswersSent(std::size_t count) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            std::multiset<std::string> sent;
            for (const auto& event : m_sim->DiscoveryEvents())
                if (event.answer && event.result == "sent") sent.insert(event.printer);
            if (sent.size() >= count || std::chrono::steady_clock::now() > deadline) return sent;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    DiscoveryNetwork m_network;
    TemporaryFolder m_folder;
    ScopedEnvironment m_home{"XDG_CONFIG_HOME", (m_folder.Path() / "user").string()};
    ScopedEnvironment m_dirs{"XDG_CONFIG_DIRS", (m_folder.Path() / "machine").string()};
    ScopedEnvironment m_temp{"TMPDIR", m_folder.MakeFolder("tmp").string()};
    ScopedEnvironment m_runtime{"XDG_RUNTIME_DIR", m_folder.MakePrivateFolder("run").string()};
    std::unique_ptr<SimProcess> m_sim;
    ScriptedUserInterface m_ui;
    RecordingWnd m_window;
    CQuarnPrinters m_printers;  // last: its printers end before the window they report to
};
