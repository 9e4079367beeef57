#include "SimSerialSessions.h"

std::vector<SimProcess::SerialSession> SessionsOf(std::vector<SimProcess::SerialSession> all,
                                                  const std::string& printer)
{
    std::erase_if(all, [&](const auto& session) { return session.printer != printer; });
    return all;
}

std::string StartsOf(const std::vector<SimProcess::SerialSession>& sessions)
{
    std::string bytes;
    for (const auto& session : sessions) bytes += session.start;
    return bytes;
}
