#include "downloader_fixture.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QTest>
#include <fstream>

#include "CArchive.h"
#include "CFirmwareDownloaderDoc.h"
#include "CFirmwareDownloaderView.h"
#include "CMainFrame.h"
#include "CSettingsApplication.h"

DownloaderFixture::DownloaderFixture()
    : m_config("XDG_CONFIG_HOME", m_folder.MakeFolder("config").string()),
      m_temp("TMPDIR", m_folder.MakeFolder("tmp").string()),
      m_runtime("XDG_RUNTIME_DIR", m_folder.MakePrivateFolder("run").string()),
      // The download journal of each test is its own.
      m_state("XDG_STATE_HOME", m_folder.MakeFolder("state").string())
{
    // Each test starts from a first run: nothing stored.
    CSettingsApplication::Release();
    std::filesystem::remove_all(m_folder.Path() / "config");
    m_folder.MakeFolder("config");
}

DownloaderFixture::~DownloaderFixture()
{
    Stop();
    CSettingsApplication::Release();
}

std::filesystem::path DownloaderFixture::WriteDocument(const std::string& name,
                                                       const std::vector<NetworkPrinterRow>& printers) const
{
    CArchive archive;
    archive << static_cast<std::int32_t>(printers.size());
    for (const NetworkPrinterRow& printer : printers) {
        archive << printer.name << printer.model << printer.file;
        archive << CString("CNetworkPort") << std::int32_t{printer.calibrate ? 1 : 0};
        archive << printer.address << static_cast<std::int32_t>(printer.tcpPort);
    }
    const std::filesystem::path path = m_folder.Path() / name;
    std::ofstream(path, std::ios::binary) << archive.Buffer();
    return path;
}

std::filesystem::path DownloaderFixture::WriteFile(const std::string& name, std::size_t size) const
{
    const std::filesystem::path path = m_folder.Path() / name;
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 131 + 7);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

bool DownloaderFixture::Start(const std::optional<std::filesystem::path>& document)
{
    m_app = std::make_unique<CFirmwareDownloaderApp>();
    if (!m_app->InitInstance(document ? QString::fromStdString(document->string()) : QString())) {
        m_app.reset();
        return false;
    }
    return QTest::qWaitForWindowExposed(&Frame());
}

void DownloaderFixture::Stop()
{
    if (!m_app) return;
    if (Document().Printers()) Document().Printers()->SetModified(false);
    Frame().close();
    m_app->ExitInstance();
    m_app.reset();
}

CMainFrame& DownloaderFixture::Frame() { return *m_app->MainFrame(); }
CFirmwareDownloaderView& DownloaderFixture::View() { return *Frame().View(); }
CFirmwareDownloaderDoc& DownloaderFixture::Document() { return *m_app->Document(); }
CQuarnPrinters& DownloaderFixture::Printers() { return *Document().Printers(); }
QAction& DownloaderFixture::Action(int id) { return *Frame().Action(id); }

bool DownloaderFixture::Enabled(int id)
{
    Frame().UpdateCommandUI();
    return Action(id).isEnabled();
}

void DownloaderFixture::SelectRows(std::initializer_list<int> rows)
{
    View().clearSelection();
    for (int row : rows) View().topLevelItem(row)->setSelected(true);
}

QStringList ShownTexts(const ScriptedUserInterface& ui)
{
    QStringList texts;
    for (const CString& text : ui.Texts()) texts << QString::fromStdString(text);
    return texts;
}
