// The printer list: the library's entry point. It owns every printer record, keeps names
// unique (exactly) and ports unique (ignoring case), and saves and loads the list as a
// printer-settings document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CArchive.h"
#include "CQuarnPrinterData.h"
#include "CWnd.h"

class CInstanceLock;
class CParallelTestOpen;
class CQuarnPrinter;

// Cursor of GetFirstPrinter/GetNextPrinter; null after the last record.
struct __POSITION;
using POSITION = __POSITION*;

// A selection of printers built by the caller: printer name to record.
using CMapStringToOb = std::map<CString, CQuarnPrinterData*>;

// Where auto-detection looks for printers.
enum EDetectSources : unsigned { dsUSB = 1, dsNetwork = 2, dsAll = dsUSB | dsNetwork };

// What the last network search of a list met: how many answers it took, and how many the
// system dropped because they came faster than the search's receive buffer could hold them.
struct CNetworkSearchReport {
    bool searched = false;          // false when no search ran (none asked for, or it could not start)
    std::size_t answers = 0;        // answers taken, duplicates included
    std::uint32_t lostAnswers = 0;  // datagrams dropped for want of room during the search
    int receiveBuffer = 0;          // bytes the system granted the search's socket
    std::string problem;            // why the search could not ask or hear anyone; empty when it could
};

// Bits handed to the printer configuration dialog; bit 0 hides its calibration check box.
enum EConfigFlags : unsigned { cfNone = 0, cfHideCalibrate = 1 };

// A record of a loaded document that gave its name up to a later record of the same name.
// Records count from 1 in the document's order.
struct CDroppedRecord {
    CString m_strName;
    int m_nDropped = 0;
    CString m_strDroppedPort;
    int m_nKept = 0;
    CString m_strKeptPort;
};

class CQuarnPrinters {
public:
    CQuarnPrinters();
    // Deletes every printer, ignoring errors of single printers, then releases the
    // single-instance lock if this list holds it.
    virtual ~CQuarnPrinters();
    CQuarnPrinters(const CQuarnPrinters&) = delete;
    CQuarnPrinters& operator=(const CQuarnPrinters&) = delete;

    // True when another holder of the single-instance lock exists.
    bool IsAlreadyRunning();
    // After IsAlreadyRunning: why the lock could not be taken, for a reason other than
    // another holder (the answer was then false), or empty.
    CString InstanceLockProblem() const;
    // After IsAlreadyRunning answered true: the program and process that hold the lock, as
    // "quarnctl (process 42)", or empty when that is not known.
    CString InstanceLockHolder() const;

    // A new printer through the configuration dialog; it reports to pNotifyWnd. Nothing is
    // added when the user cancels.
    void AddPrinter(CWnd* pNotifyWnd, EConfigFlags flags);
    // Edits a printer through the configuration dialog. Its settings change only when the
    // user confirms a name and port no other printer uses; it then gets a new port and thread.
    void ModifyPrinter(CQuarnPrinterData* pPrinter, EConfigFlags flags);
    void DeletePrinter(CQuarnPrinterData* pPrinter);
    void SetDownloadFile(CQuarnPrinterData* pPrinter, const CString& file);
    // Queues a download for every printer of the selection (all printers when null) that
    // has a download file.
    void DownloadToPrinters(const CMapStringToOb* pSelection);
    void CancelDownload() const;

    int GetPrinterCount() const { return static_cast<int>(m_mapPrinters.size()); }
    POSITION GetFirstPrinter() const;
    CQuarnPrinterData* GetNextPrinter(POSITION& pos) const;

    // The machine-wide ceiling of simultaneous downloads (1 when nothing is stored).
    int MaxSimultaneousDownloads() const;
    void MaxSimultaneousDownloads(int value);
    // Seconds a printer may take no byte before its download fails (stored per user, 10 to
    // 3600, 120 when nothing is stored).
    int StallTimeout() const;
    void StallTimeout(int seconds);
    // Uses seconds instead of the stored value for the downloads this list starts from now
    // on; 0 goes back to the stored value.
    void OverrideStallTimeout(int seconds) { m_nStallTimeoutOverride = seconds; }

    // Adds the printers found on USB, then those that answer a network search (which
    // shows its wait for 10 s and can be cancelled); printers already in the list are
    // recognised by their port and at most renamed. New printers report to pNotifyWnd.
    void AutoDetectPrinters(CWnd* pNotifyWnd, unsigned sources = dsAll);
    // The last network search of AutoDetectPrinters (not searched before the first one).
    const CNetworkSearchReport& LastNetworkSearch() const { return m_lastNetworkSearch; }

    // Stores or loads the whole list; loaded printers report to pNotifyWnd.
    void Serialize(CArchive& ar, CWnd* pNotifyWnd);

    // Printer commands on a selection, in its order. A test page that cannot be printed is
    // skipped silently; the odometer and head-history printouts show each printer's error
    // and go on with the next printer.
    void PrintTestPageQPL(const CMapStringToOb& selection) const;
    void PrintTestPageKPL(const CMapStringToOb& selection) const;
    void PrintOdometers(const CMapStringToOb& selection, EDisplayUnits units) const;
    void PrintHeadHistory(const CMapStringToOb& selection, EDisplayUnits units) const;

    // The records that a repeated name dropped since the list was loaded from empty, in the
    // document's order.
    const std::vector<CDroppedRecord>& DroppedDuplicates() const { return m_droppedDuplicates; }

    void SetModified(bool modified) { m_bModified = modified; }
    bool IsModified() const { return m_bModified; }

private:
    // Orders names naturally (Printer#2 before Printer#10), then byte by byte, so that
    // distinct names never compare equal.
    struct NaturalLess {
        bool operator()(const CString& a, const CString& b) const;
    };
    using PrinterMap = std::map<CString, CQuarnPrinter*, NaturalLess>;

    // The dialog, again after every refusal, until the user confirms a unique name and port
    // (then the printer takes the settings over and gets a new thread: true) or cancels.
    bool ConfigurePrinter(CQuarnPrinter* pPrinter, EConfigFlags flags);
    // 0 when no printer of the list has the name or the port of pPrinter, otherwise the
    // string id of the message that says which is taken.
    unsigned IsPrinterInList(const CQuarnPrinter* pPrinter) const;
    // A new printer takes its port from pTested when it holds one for portName (tested
    // already, many at a time); otherwise its port is test-opened here.
    void ReconcilePrinterWithList(CWnd* pNotifyWnd, const CRuntimeClass* pPortClass, const CString& portName,
                                  const CString& name, CParallelTestOpen* pTested = nullptr);
    bool AutoDetectUSB(CWnd* pNotifyWnd);
    bool AutoDetectNetwork(CWnd* pNotifyWnd);
    // Enters a printer under its name; a record already under that name is released and freed.
    void EnterPrinter(CQuarnPrinter* pPrinter);
    // The list's own record behind a pointer handed out, or null for any other pointer.
    CQuarnPrinter* FindPrinter(const CQuarnPrinterData* pPrinter) const;
    // The first default name ("Printer#" and a number) that no printer of the list carries.
    CString UnusedDefaultName() const;

    std::unique_ptr<CInstanceLock> m_hMutex;
    PrinterMap m_mapPrinters;
    bool m_bModified = false;
    std::vector<CDroppedRecord> m_droppedDuplicates;
    int m_nStallTimeoutOverride = 0;
    // How long a network search collects answers; tests shorten it.
    unsigned m_nSearchPeriodMs = 10000;
    CNetworkSearchReport m_lastNetworkSearch;

    friend class CQuarnPrintersTestAccess;
};
