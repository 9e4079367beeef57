#include <atomic>
#include <cstdio>
#include <mutex>

#include "IUserInterface.h"
#include "StringTable.h"

namespace {

// Used until a program installs its own: prints to stderr and gives the answer that
// changes nothing (No to a question), since nobody can be asked.
class ConsoleUserInterface : public IUserInterface {
public:
    int MessageBox(const CString& text, unsigned style) override
    {
        std::lock_guard lock(m_mutex);
        std::fprintf(stderr, "%s\n", text.c_str());
        switch (style & 0xF) {
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return IDNO;
        case MB_OKCANCEL:
            return IDCANCEL;
        default:
            return IDOK;
        }
    }

private:
    std::mutex m_mutex;
};

ConsoleUserInterface& Console()
{
    static ConsoleUserInterface console;
    return console;
}

std::atomic<IUserInterface*> g_userInterface{nullptr};

}  // namespace

int IUserInterface::RunSearchWait(ISearchWait& search)
{
    search.Begin();
    while (!search.WaitForEnd(1000)) {
    }
    return IDOK;
}

bool IUserInterface::RunPrinterConfigureDialog(CQuarnPrinter&, unsigned) { return false; }

void AfxSetUserInterface(IUserInterface* ui) { g_userInterface.store(ui); }

IUserInterface& AfxUserInterface()
{
    IUserInterface* ui = g_userInterface.load();
    return ui ? *ui : Console();
}

int AfxMessageBox(const CString& text, unsigned style) { return AfxUserInterface().MessageBox(text, style); }

int AfxMessageBox(unsigned stringId, unsigned style)
{
    return AfxMessageBox(LoadStringResource(stringId), style);
}
