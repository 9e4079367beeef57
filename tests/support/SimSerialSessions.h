// Views of the simulator's serial sessions that tests of one printer among several need.
#pragma once

#include <string>
#include <vector>

#include "SimProcess.h"

// One printer's sessions, in the order the simulator recorded them.
std::vector<SimProcess::SerialSession> SessionsOf(std::vector<SimProcess::SerialSession> all,
                                                  const std::string& printer);

// The first bytes of each session joined: every byte of exchanges shorter than the 4096 a
// session keeps, however the simulator split them into sessions.
std::string StartsOf(const std::vector<SimProcess::SerialSession>& sessions);
