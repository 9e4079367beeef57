// This computer's IPv4 interfaces as discovery needs them.
#pragma once

#include <set>
#include <vector>

#include "CString.h"

// Every IPv4 address of this computer, in dotted form (loopback included), so that the
// discovery socket recognises its own broadcasts whichever interface they come back on.
std::set<CString> LocalIPv4Addresses();

// The broadcast address of every running IPv4 interface that has one, in dotted form.
std::vector<CString> InterfaceBroadcastAddresses();
