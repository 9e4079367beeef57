// Puts a test's process, and every program it starts afterwards, into a network of its own,
// so that broadcasts stay inside it and well-known ports are free.
#pragma once

// A fresh network namespace with only its loopback, brought up; false when the system allows
// none (the process then stays where it was). Must be called while the process has one thread.
bool EnterOwnNetworkNamespace();
