// Test access to the printer list's private members, and the set-up the collection tests share.
#pragma once

#include <atomic>
#include <memory>

#include "CQuarnPrinter.h"
#include "CQuarnPrinters.h"
#include "FakePort.h"
#include "ScopedEnvironment.h"
#include "TemporaryFolder.h"

class CQuarnPrintersTestAccess {
public:
    static void Reconcile(CQuarnPrinters& printers, CWnd* pNotifyWnd, const CRuntimeClass* kind,
                          const CString& portName, const CString& name)
    {
        printers.ReconcilePrinterWithList(pNotifyWnd, kind, portName, name);
    }

    // Gives a record a fake port and its thread and puts it in the list, as loading does.
    static CQuarnPrinter* EnterWithFakePort(CQuarnPrinters& printers, const CString& name, FakePort*& pPort,
                                            CWnd* pNotifyWnd = nullptr, const CString& portName = "",
                                            std::atomic<bool>* pPortDestroyed = nullptr)
    {
        auto printer = std::make_unique<CQuarnPrinter>(pNotifyWnd);
        printer->m_strName = name;
        printer->m_bCalibrate = false;
        pPort = new FakePort(pPortDestroyed);
        pPort->SetPortName(portName.empty() ? "fake-" + name : portName);
        printer->m_pPort = pPort;
        printer->StartThread();
        printers.EnterPrinter(printer.get());
        return printer.release();
    }
};

// Settings and the lock file in folders of the test's own, so that no test reads or changes
// the machine's.
struct IsolatedSettings {
    TemporaryFolder folder;
    ScopedEnvironment home{"XDG_CONFIG_HOME", (folder.Path() / "user").string()};
    ScopedEnvironment dirs{"XDG_CONFIG_DIRS", (folder.Path() / "machine").string()};
    ScopedEnvironment temp{"TMPDIR", folder.MakeFolder("tmp").string()};
    ScopedEnvironment runtime{"XDG_RUNTIME_DIR", folder.MakePrivateFolder("run").string()};
};
