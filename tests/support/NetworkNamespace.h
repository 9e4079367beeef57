// Network namespaces of a test's own: an anonymous one the whole process moves into, or named
// ones (as `ip netns` makes them) that single threads and started programs enter, so that
// broadcasts stay inside them and well-known ports are free.
#pragma once

#include <memory>
#include <string>
#include <vector>

// A fresh network namespace with only its loopback, brought up; false when the system allows
// none (the process then stays where it was). Must be called while the process has one thread.
bool EnterOwnNetworkNamespace();

class NetworkNamespace {
public:
    // A new named namespace with its loopback up, or null with the reason in whyNot (not
    // root, no ip command, no namespaces in this kernel). role (a word without '-') goes into
    // the name, which also carries this process's id so that tests running side by side never
    // share one, and so that one left behind by a killed test is deleted by the next.
    static std::unique_ptr<NetworkNamespace> Create(const std::string& role, std::string& whyNot);
    // Deletes the namespace; its links go with it once no process or socket uses it.
    ~NetworkNamespace();
    NetworkNamespace(const NetworkNamespace&) = delete;
    NetworkNamespace& operator=(const NetworkNamespace&) = delete;

    const std::string& Name() const { return m_name; }

    // Runs `ip -n NAME arguments...`; true when it succeeded. The command's output is dropped.
    bool Ip(const std::vector<std::string>& arguments) const;

    // Waits (at most 10 s) until the system runs the interface: a link just set up drops what
    // is sent over it until the kernel's link watch has attached its queue, which a busy
    // machine may do well after `ip link set up` has returned.
    bool WaitUntilRunning(const std::string& interface) const;

    // Moves the calling thread into the namespace for the object's lifetime. Sockets the thread
    // makes meanwhile, the threads it starts and the programs it forks all belong to the
    // namespace, and stay there after the thread has gone back.
    class ThreadVisit {
    public:
        explicit ThreadVisit(const NetworkNamespace& space);
        ~ThreadVisit();
        ThreadVisit(const ThreadVisit&) = delete;
        ThreadVisit& operator=(const ThreadVisit&) = delete;

        // True only when the thread is verifiably inside: callers must not send anything otherwise.
        bool Entered() const { return m_bEntered; }

    private:
        int m_hHome = -1;
        bool m_bEntered = false;
    };

private:
    explicit NetworkNamespace(std::string name) : m_name(std::move(name)) {}

    std::string m_name;
};
