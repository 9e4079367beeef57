// The network of a discovery test: the program under test in one namespace, the simulated
// printers in another, joined by a veth pair on a private subnet that exists only inside the
// two. Nothing of it touches the machine's own network, so the search's broadcasts stay here.
#pragma once

#include <memory>
#include <string>

#include "NetworkNamespace.h"
#include "SimProcess.h"

class DiscoveryNetwork {
public:
    static constexpr const char* kProgramAddress = "10.231.0.1";
    static constexpr const char* kSubnetBroadcast = "10.231.0.255";
    static constexpr int kPrinterAddresses = 8;

    // The address of printer number (1 to kPrinterAddresses) on the printers' side.
    static std::string PrinterAddress(int number) { return "10.231.0." + std::to_string(1 + number); }

    DiscoveryNetwork()
    {
        m_program = NetworkNamespace::Create("prog", m_whyNot);
        if (m_program) m_printers = NetworkNamespace::Create("prn", m_whyNot);
        if (!m_printers) return;
        // Both ends are made inside the namespaces: the pair never appears in the machine's own.
        bool made = m_program->Ip({"link", "add", "veth0", "type", "veth", "peer", "name", "veth1", "netns",
                                   m_printers->Name()}) &&
                    m_program->Ip({"addr", "add", std::string(kProgramAddress) + "/24", "brd", "+", "dev", "veth0"}) &&
                    m_program->Ip({"link", "set", "veth0", "up"}) &&
                    // Without a route for it a limited broadcast finds no interface to leave by.
                    m_program->Ip({"route", "add", "default", "dev", "veth0"});
        for (int number = 1; made && number <= kPrinterAddresses; ++number)
            made = m_printers->Ip({"addr", "add", PrinterAddress(number) + "/24", "brd", "+", "dev", "veth1"});
        made = made && m_printers->Ip({"link", "set", "veth1", "up"}) && m_program->WaitUntilRunning("veth0") &&
               m_printers->WaitUntilRunning("veth1");
        if (!made) {
            m_whyNot = "the veth pair between the test's namespaces cannot be set up";
            m_printers.reset();
        }
    }

    // Makes every address of range (a.b.c.d/len) the printers' own, through one local route
    // rather than thousands of addresses, and routes the program's traffic for it through the
    // first printer address, so that the program's side keeps one neighbour, not thousands.
    bool AddPrinterRange(const std::string& range) const
    {
        return m_printers->Ip({"route", "add", "local", range, "dev", "lo"}) &&
               m_program->Ip({"route", "add", range, "via", PrinterAddress(1), "dev", "veth0"});
    }

    bool Ready() const { return m_printers != nullptr; }
    const std::string& WhyNot() const { return m_whyNot; }
    const NetworkNamespace& Program() const { return *m_program; }
    const NetworkNamespace& Printers() const { return *m_printers; }

    // Starts the simulator inside the printers' namespace; false when the thread could not be
    // moved there (the simulator is then not started).
    bool StartPrinters(SimProcess& sim) const
    {
        const NetworkNamespace::ThreadVisit visit(*m_printers);
        if (!visit.Entered()) return false;
        sim.Start();
        return true;
    }

private:
    std::string m_whyNot;
    std::unique_ptr<NetworkNamespace> m_program;
    std::unique_ptr<NetworkNamespace> m_printers;
};
