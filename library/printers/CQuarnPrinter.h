// The record the library really creates: a printer with its download thread, the window
// that receives its progress and its calibration flag.
#pragma once

#include <memory>

#include "CQuarnPrinterData.h"
#include "CQuarnPrinters.h"
#include "CWnd.h"

class CPrinterLink;
class CPrinterThread;

class CQuarnPrinter : public CQuarnPrinterData {
public:
    explicit CQuarnPrinter(CWnd* pNotifyWnd = nullptr);
    // Working copy for the configuration dialog: same settings, own port, no thread.
    CQuarnPrinter(const CQuarnPrinter& other);
    // Frees the port; the collection releases it (and stops the thread) first.
    ~CQuarnPrinter() override;

    // Base strings, then the port class name, the calibration flag and the port's data.
    void Serialize(CArchive& ar) override;

    // Gives a detected printer its port (created by class, named, test-opened and closed).
    bool AttachDetectedPort(const CRuntimeClass* kind, const CString& portName, const CString& name);
    // AttachDetectedPort in two steps, so that many ports can be test-opened at once on other
    // threads and attached here afterwards. The port is null when kind makes no ports; a
    // failed test-open throws.
    static std::unique_ptr<CPortBase> TestOpenDetectedPort(const CRuntimeClass* kind, const CString& portName);
    void AttachTestedPort(std::unique_ptr<CPortBase> port, const CString& name);

    // Shows the configuration dialog on a working copy of this record; the confirmed copy,
    // or null when the user cancelled. This record is never changed.
    std::unique_ptr<CQuarnPrinter> RunConfigureDialog(EConfigFlags flags) const;
    // Takes over a confirmed copy's settings: the port is released (with the thread) and
    // replaced by a new one of the copy's kind and settings. The caller starts the thread.
    void ApplySettings(const CQuarnPrinter& edited);

    // Sends the calibration command; errors are shown and swallowed.
    void Calibrate();
    // The same on a given port, for the download thread, which must not depend on the
    // record still being alive when it calibrates.
    static void CalibratePort(CPortBase* pPort);
    // The same, raising its errors instead of showing them, for a caller that reports them.
    static void SendCalibration(CPortBase* pPort);

    // Test pages: printer errors are dropped, so a selection goes on with the next printer.
    void PrintTestPageQPL();
    void PrintTestPageKPL();
    // The printer prints its odometers or head history; printer errors pass on.
    void PrintOdometers(EDisplayUnits units);
    void PrintHeadHistory(EDisplayUnits units);

    // Thread control. ReleasePort waits at most waitMs for each of the scheduler and the
    // printer's thread; a thread still busy then is abandoned and keeps the port alive
    // (not freed) until it ends, so the record may be freed at once.
    void StartThread();
    void ReleasePort(unsigned waitMs = 15000);
    void QueueDownload(int maxDownloads);
    void CancelPrinterDownload();

    bool m_bCalibrate = true;
    CWnd* m_pNotifyWnd = nullptr;  // not owned
    CPrinterThread* m_pThread = nullptr;  // not owned: the thread ends its own life
    std::shared_ptr<CPrinterLink> m_pThreadLink;  // shared with m_pThread

private:
    void SendIgnoringErrors(const CString& command);
};
