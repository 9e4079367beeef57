// quarnctl for an operator who is not root: a serial printer whose device belongs to a group
// the operator is not in is refused with the device and the group named; once the operator
// is in that group (or the device is open to everyone), the download arrives byte for byte.
// The operator and the group are made for the test and removed after it; needs root.
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <filesystem>
#include <gtest/gtest.h>

#include "CQuarnPrinterException.h"
#include "CQuarnPrinters.h"
#include "CSerialPort.h"
#include "ScopedEnvironment.h"
#include "ScratchFile.h"
#include "Sha256.h"
#include "SimProcess.h"
#include "TemporaryFolder.h"
#include "quarnctl_runner.h"

namespace fs = std::filesystem;

namespace {

// A user and a group of the test's own; both are removed when it ends. Names carry the
// process id, so runs side by side never share one.
class ThrowawayUser {
public:
    ThrowawayUser()
        : m_user("quarn-op-" + std::to_string(getpid())), m_group("quarn-dev-" + std::to_string(getpid()))
    {
        if (geteuid() != 0) return;
        m_made = std::system(("groupadd --system " + m_group + " && useradd --system --no-create-home --user-group "
                              "--shell /usr/sbin/nologin " + m_user)
                                 .c_str()) == 0;
    }
    ~ThrowawayUser()
    {
        if (m_made) std::system(("userdel " + m_user + " 2>/dev/null; groupdel " + m_group + " 2>/dev/null").c_str());
    }
    ThrowawayUser(const ThrowawayUser&) = delete;
    ThrowawayUser& operator=(const ThrowawayUser&) = delete;

    bool Made() const { return m_made && getpwnam(m_user.c_str()) && getgrnam(m_group.c_str()); }
    uid_t Uid() const { return getpwnam(m_user.c_str())->pw_uid; }
    gid_t Gid() const { return getpwnam(m_user.c_str())->pw_gid; }
    // The group the test gives the printer's device.
    const std::string& DeviceGroup() const { return m_group; }
    gid_t DeviceGroupId() const { return getgrnam(m_group.c_str())->gr_gid; }

private:
    std::string m_user;
    std::string m_group;
    bool m_made = false;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class NormalUser : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (geteuid() != 0) GTEST_SKIP() << "making a throwaway user needs root";
        ASSERT_TRUE(m_user.Made()) << "useradd or groupadd failed";

        // The program and its libraries are copied where the user may read them: the build
        // tree may sit below a folder closed to other users.
        const fs::path program = m_folder.MakeFolder("program");
        fs::copy_file(QUARNCTL_PATH, program / "quarnctl");
        fs::copy_file(QUARN_PRINTER_LIBRARY_PATH, program / QUARN_PRINTER_LIBRARY_SONAME);
        fs::copy_file(QUARN_USB_LIBRARY_PATH, program / fs::path(QUARN_USB_LIBRARY_PATH).filename());
        m_runner.UseProgram((program / "quarnctl").string());

        m_sim.Start();
        m_device = m_sim.DeviceOf("Line");
        ASSERT_EQ(chown(m_device.c_str(), 0, m_user.DeviceGroupId()), 0);
        ASSERT_EQ(chmod(m_device.c_str(), 0660), 0);

        m_file = std::make_unique<ScratchFile>(ScratchFile::Pattern(200 * 1024 + 5));
        fs::copy_file(m_file->Path(), m_folder.Path() / "firmware.prg");
        ASSERT_EQ(m_runner.Run({"add", Doc(), "--serial", m_device, "--name", "Line", "--no-calibrate"}).exitStatus, 0);
        ASSERT_EQ(m_runner.Run({"set-file", Doc(), (m_folder.Path() / "firmware.prg").string()}).exitStatus, 0);
        for (const char* folder : {"user", "machine", "tmp", "state", "run"}) m_folder.MakeFolder(folder);
        // Everything the test made becomes the user's, as an operator's own files are.
        for (const auto& entry : fs::recursive_directory_iterator(m_folder.Path()))
            lchown(entry.path().c_str(), m_user.Uid(), m_user.Gid());
        lchown(m_folder.Path().c_str(), m_user.Uid(), m_user.Gid());
        chmod((m_folder.Path() / "run").c_str(), 0700);
    }

    std::string Doc() const { return (m_folder.Path() / "printers.qps").string(); }

    TemporaryFolder m_folder;
    ThrowawayUser m_user;
    SimProcess m_sim{{"--serial", "Line@" + (m_folder.Path() / "line").string()}};
    std::string m_device;
    std::unique_ptr<ScratchFile> m_file;
    QuarnctlRunner m_runner{{{"HOME", m_folder.Path().string()},
                             {"XDG_CONFIG_HOME", (m_folder.Path() / "user").string()},
                             {"XDG_CONFIG_DIRS", (m_folder.Path() / "machine").string()},
                             {"XDG_STATE_HOME", (m_folder.Path() / "state").string()},
                             {"XDG_RUNTIME_DIR", (m_folder.Path() / "run").string()},
                             {"TMPDIR", (m_folder.Path() / "tmp").string()},
                             {"LD_LIBRARY_PATH", (m_folder.Path() / "program").string()}}};
};

}  // namespace

TEST_F(NormalUser, IsToldWhichGroupOpensTheDeviceAndDownloadsOnceAMember)
{
    // Not in the device's group: refused, with the device, the group and the way in named.
    m_runner.RunAs(m_user.Uid(), m_user.Gid(), {});
    const auto refused = m_runner.Run({"download", Doc()});
    EXPECT_EQ(refused.exitStatus, 1) << refused.out << refused.err;
    const std::string said = refused.out + refused.err;
    EXPECT_TRUE(Contains(said, "You may not open " + m_device)) << said;
    EXPECT_TRUE(Contains(said, "group \"" + m_user.DeviceGroup() + "\"")) << said;
    EXPECT_TRUE(Contains(said, "sudo adduser quarn-op-")) << said;
    EXPECT_FALSE(Contains(said, "That port is unavailable.")) << said;
    EXPECT_EQ(m_sim.SerialSessions().size(), 0u) << "the printer was reached";

    // A member of the group: every byte arrives, once.
    m_runner.RunAs(m_user.Uid(), m_user.Gid(), {m_user.DeviceGroupId()});
    const auto member = m_runner.Run({"download", Doc()});
    EXPECT_EQ(member.exitStatus, 0) << member.out << member.err;
    const auto sessions = m_sim.WaitForSerialSessions(1);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].bytes, 200u * 1024 + 5);
    EXPECT_EQ(sessions[0].sha256, Sha256::Of(ScratchFile::Pattern(200 * 1024 + 5)));
}

TEST_F(NormalUser, DownloadsToADeviceOpenToEveryone)
{
    ASSERT_EQ(chmod(m_device.c_str(), 0666), 0);
    m_runner.RunAs(m_user.Uid(), m_user.Gid(), {});
    const auto result = m_runner.Run({"download", Doc()});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    const auto sessions = m_sim.WaitForSerialSessions(1);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].sha256, Sha256::Of(ScratchFile::Pattern(200 * 1024 + 5)));
}

TEST_F(NormalUser, AnotherUsersProgramHoldingThePrinterKeepsItsBytesOut)
{
    // Root's program: its own single-instance lock, in its own runtime folder, and the
    // printer's device open.
    const fs::path rootRuntime = m_folder.MakePrivateFolder("root-run");
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", rootRuntime.string());
    ScopedEnvironment temporary("TMPDIR", rootRuntime.string());
    CQuarnPrinters rootPrinters;
    ASSERT_FALSE(rootPrinters.IsAlreadyRunning());
    CSerialPort held;
    held.m_strDevice = m_device;
    try {
        held.Open();
    } catch (CQuarnPrinterException* e) {
        CExceptionHolder<> error(e);
        FAIL() << "root could not open " << m_device << ": " << e->Message();
    }

    // The single-instance lock is per user, so the user's program runs: it is the device
    // that refuses it, and not a byte goes out.
    m_runner.RunAs(m_user.Uid(), m_user.Gid(), {m_user.DeviceGroupId()});
    const auto refused = m_runner.Run({"download", Doc()});
    EXPECT_EQ(refused.exitStatus, 1) << refused.out << refused.err;
    EXPECT_TRUE(Contains(refused.out, "Line\tfailed")) << refused.out;
    EXPECT_TRUE(Contains(refused.out + refused.err, m_device + " is in use by another program.")) << refused.err;
    for (const auto& session : m_sim.SerialSessions()) EXPECT_EQ(session.bytes, 0u);

    held.Close();
    const auto after = m_runner.Run({"download", Doc()});
    EXPECT_EQ(after.exitStatus, 0) << after.out << after.err;
    std::vector<SimProcess::SerialSession> sessions;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((sessions = m_sim.SerialSessions()).empty() || sessions.back().bytes < 200u * 1024 + 5) {
        if (std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_FALSE(sessions.empty());
    EXPECT_EQ(sessions.back().sha256, Sha256::Of(ScratchFile::Pattern(200 * 1024 + 5)));

    // The other way round: the user's program holds the device, and root, whom a terminal's
    // exclusive mode would let in, is kept out by the lock.
    const fs::path locked = m_folder.Path() / "locked";
    const std::string holder = "setpriv --reuid=" + std::to_string(m_user.Uid()) + " --regid=" +
                               std::to_string(m_user.Gid()) + " --groups=" + std::to_string(m_user.DeviceGroupId()) +
                               " flock --exclusive --timeout 5 " + m_device + " sh -c 'touch " + locked.string() +
                               "; exec sleep 30' >/dev/null 2>&1 & echo $!";
    FILE* started = popen(holder.c_str(), "r");
    ASSERT_NE(started, nullptr);
    int holderPid = 0;
    ASSERT_EQ(fscanf(started, "%d", &holderPid), 1);
    pclose(started);
    const auto lockDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(locked) && std::chrono::steady_clock::now() < lockDeadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::exists(locked)) << "the user's program never held the device";
    CSerialPort rootPort;
    rootPort.m_strDevice = m_device;
    try {
        rootPort.Open();
        ADD_FAILURE() << "root opened a device the user's program holds";
    } catch (CQuarnPrinterException* e) {
        CExceptionHolder<> error(e);
        EXPECT_EQ(e->m_strDetail, m_device + " is in use by another program.");
    }
    std::system(("pkill -P " + std::to_string(holderPid) + "; kill " + std::to_string(holderPid)).c_str());
}

TEST_F(NormalUser, ListsThePortsItMayNotOpen)
{
    // The machine's own ports: root may open them all; the user, in none of their groups,
    // still sees every one of them.
    const auto asRoot = m_runner.Run({"ports"});
    ASSERT_EQ(asRoot.exitStatus, 0) << asRoot.err;
    m_runner.RunAs(m_user.Uid(), m_user.Gid(), {});
    const auto asUser = m_runner.Run({"ports"});
    EXPECT_EQ(asUser.exitStatus, 0) << asUser.err;
    EXPECT_EQ(asUser.out, asRoot.out);
}
