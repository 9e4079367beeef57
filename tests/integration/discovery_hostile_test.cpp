// Answers no printer should send, in one search beside a well-behaved printer: none may crash
// the search or put a byte from outside its datagram into a printer's name or address.
#include <algorithm>
#include <regex>
#include <string>

#include "DiscoveryTest.h"

namespace {

using DiscoveryHostileAnswers = DiscoveryTest;

TEST_F(DiscoveryHostileAnswers, AreDroppedOrCutToTheRecordNeverReadBeyondIt)
{
    StartPrinters({Printer("good", 1), Printer("wrongsig", 2, "discovery-signature=2E2C3A"),
                   Printer("tiny", 3, "discovery-size=60"), Printer("nameless", 4, "discovery-size=80"),
                   Printer("long", 5, "discovery-size=1000"), Printer("huge", 6, "discovery-size=5000"),
                   Printer("endless", 7, "discovery-unterminated"), Hearing("255.255.255.255")});

    Detect();

    // Every shape was sent, so what is missing below was dropped by the library.
    EXPECT_EQ(AnswersSent(7),
              (std::multiset<std::string>{"good", "wrongsig", "tiny", "nameless", "long", "huge", "endless"}));
    // The name without its zero byte ends with the record: 348 bytes from offset 84.
    std::string endless;
    while (endless.size() < 348) endless += "endless";
    endless.resize(348);
    // An answer with an address but no name makes a printer with a default name (its number
    // depends on the order of arrival); one beyond the receive buffer is dropped whole; one
    // beyond the record is cut to it.
    auto found = StoredPrinters();
    for (Stored& printer : found) {
        if (printer.address != DiscoveryNetwork::PrinterAddress(4)) continue;
        EXPECT_TRUE(std::regex_match(printer.name, std::regex("Printer#[0-9]+"))) << printer.name;
        printer.name = "(default)";
    }
    std::vector<Stored> expected = {Network("(default)", 4), Network(endless, 7), Network("good", 1),
                                    Network("long", 5)};
    const auto byName = [](const Stored& a, const Stored& b) { return a.name < b.name; };
    std::sort(found.begin(), found.end(), byName);
    std::sort(expected.begin(), expected.end(), byName);
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(m_ui.Texts().empty());
}

}  // namespace
