// UDP helpers shared by the discovery responders and listeners.
#pragma once

#include <netinet/in.h>

#include <string>

// A non-blocking UDP socket bound to address:port that others may bind too (a host's own
// discovery socket, another simulator); throws std::runtime_error naming who.
int BindDatagramSocket(const std::string& address, int port, const std::string& who);

std::string EndpointText(const sockaddr_in& address);

// Receives one waiting datagram whole; false when none waits.
bool ReceiveDatagram(int fd, std::string& datagram, sockaddr_in& from);
