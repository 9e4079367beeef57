// What every quarnctl test starts from: a folder of its own for documents, settings and the
// single-instance lock, and a runner whose environment points there.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ScopedEnvironment.h"
#include "SimProcess.h"
#include "TemporaryFolder.h"
#include "quarnctl_runner.h"

class QuarnctlTest : public ::testing::Test {
protected:
    QuarnctlResult Run(const std::vector<std::string>& arguments) { return m_runner.Run(arguments); }
    std::string Doc() const { return (m_folder.Path() / "printers.qps").string(); }
    std::string Bytes() const { return QuarnctlRunner::Slurp(Doc()); }

    // Everything a simulator's serial printers received, in order, once at least expected
    // bytes are there or 10 s have passed. Sessions of quick successive openings may share a
    // record line, so the bytes are what counts, not the sessions.
    static std::string SerialBytes(const SimProcess& sim, std::size_t expected)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            std::string bytes;
            for (const auto& session : sim.SerialSessions()) bytes += session.start;
            if (bytes.size() >= expected || std::chrono::steady_clock::now() > deadline) return bytes;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    TemporaryFolder m_folder;
    ScopedEnvironment m_tmp{"TMPDIR", m_folder.MakeFolder("tmp").string()};
    ScopedEnvironment m_runtime{"XDG_RUNTIME_DIR", m_folder.MakePrivateFolder("run").string()};
    // The USB printers the machine lists: the FIFOs a test makes here, never the real ones.
    ScopedEnvironment m_usb{"QUARN_USB_DEVICE_DIR", m_folder.MakeFolder("usb").string()};
    QuarnctlRunner m_runner{{{"XDG_CONFIG_HOME", (m_folder.Path() / "user").string()},
                             {"XDG_CONFIG_DIRS", (m_folder.Path() / "machine").string()},
                             {"XDG_STATE_HOME", (m_folder.Path() / "state").string()},
                             {"TMPDIR", (m_folder.Path() / "tmp").string()},
                             {"XDG_RUNTIME_DIR", (m_folder.Path() / "run").string()}}};
};
