// A simulated serial printer on a pseudo-terminal: takes what the host writes to the device
// side, answers the query commands and holds the line with Xoff when its options say so.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "EventLoop.h"
#include "QuestionScanner.h"
#include "RecordLog.h"
#include "SerialPrinterOptions.h"
#include "SerialSession.h"

class SerialPrinter {
public:
    // Opens the pseudo-terminal and points the link at its device at once, so that "ready"
    // is only announced once every printer can be opened.
    SerialPrinter(EventLoop& loop, RecordLog& log, SerialPrinterOptions options);
    // Records a session still open as stopped by the simulator and removes the link.
    ~SerialPrinter();
    SerialPrinter(const SerialPrinter&) = delete;
    SerialPrinter& operator=(const SerialPrinter&) = delete;

    const SerialPrinterOptions& Options() const { return m_options; }
    const std::string& DevicePath() const { return m_device; }
    // Sends Xon now if the printer holds its line, instead of waiting for its time or the host.
    void ReleaseLine();

private:
    void MakeLink();
    void RemoveLink();
    void Watch();
    void OnEvents(std::uint32_t events);
    void ReadWaiting();
    void Take(std::string_view bytes);
    void HostClosed(const std::string& how);
    void WaitForHost();
    void StartSession();
    void EndSession(const std::string& how);
    void Send(std::string_view bytes);
    void Flush();
    void Hold();
    void Release();

    EventLoop& m_loop;
    RecordLog& m_log;
    SerialPrinterOptions m_options;
    int m_master = -1;
    std::string m_device;
    bool m_linked = false;
    bool m_watching = false;
    std::optional<SerialSession> m_session;
    QuestionScanner m_scanner;
    std::string m_output;
    std::uint64_t m_questionsSeen = 0;
    bool m_held = false;
    bool m_heldThisSession = false;
    std::optional<EventLoop::TimerId> m_probe;
    std::optional<EventLoop::TimerId> m_release;
};
