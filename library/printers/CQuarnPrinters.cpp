#include "CQuarnPrinters.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "CCommSingleton.h"
#include "CInstanceLock.h"
#include "CParallelTestOpen.h"
#include "CPortBase.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "CSettingsMachine.h"
#include "IUserInterface.h"
#include "StringTable.h"

namespace {

const char* const kInstanceLockName = "QuarnPrinters";

// Thrown directly: ThrowPrinterError would read 6 as the platform's invalid-handle number.
[[noreturn]] void ThrowConfigurationError() { throw new CQuarnPrinterException(errConfiguration); }

// The code stays that of a port that cannot be used; its table text would send the operator
// looking for a fault in the port, when the document itself names no port kind.
[[noreturn]] void ThrowUnknownPortClass(const CQuarnPrinter& printer, int record)
{
    throw new CQuarnPrinterException(
        errPortUnavailable,
        FormatString("Record %d of the printer settings document (printer \"%s\") names no known kind of port "
                     "(CSerialPort, CParallelPort, CUSBPort or CNetworkPort); the document is damaged or was "
                     "written by another program, and it cannot be read past this record.",
                     record, printer.m_strName.c_str()),
        CQuarnPrinterException::kReplacesText);
}

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Compares the digit runs starting at a[i] and b[j] by value and moves both indexes past them.
int CompareNumbers(const CString& a, std::size_t& i, const CString& b, std::size_t& j)
{
    while (i < a.size() && a[i] == '0') ++i;
    while (j < b.size() && b[j] == '0') ++j;
    const std::size_t startA = i, startB = j;
    while (i < a.size() && IsDigit(a[i])) ++i;
    while (j < b.size() && IsDigit(b[j])) ++j;
    const std::size_t lengthA = i - startA, lengthB = j - startB;
    if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
    return a.compare(startA, lengthA, b, startB, lengthB);
}

}  // namespace

bool CQuarnPrinters::NaturalLess::operator()(const CString& a, const CString& b) const
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            if (const int order = CompareNumbers(a, i, b, j)) return order < 0;
            continue;
        }
        const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
        if (ca != cb) return ca < cb;
        ++i;
        ++j;
    }
    if ((i < a.size()) != (j < b.size())) return j < b.size();
    // Names that differ only in leading zeros ("P01", "P1") still need a fixed order.
    return a < b;
}

CQuarnPrinters::CQuarnPrinters()
{
    // The configuration dialog offers the machine's ports from this list, made once per process.
    CCommSingleton::Instance();
}

CQuarnPrinters::~CQuarnPrinters()
{
    while (!m_mapPrinters.empty()) {
        try {
            DeletePrinter(m_mapPrinters.begin()->second);
        } catch (CException* e) {
            e->Delete();
        } catch (...) {
            // DeletePrinter has taken the printer out of the list whatever failed; go on.
        }
    }
}

bool CQuarnPrinters::IsAlreadyRunning()
{
    m_hMutex = std::make_unique<CInstanceLock>(kInstanceLockName);
    return m_hMutex->OtherHolderExisted();
}

CString CQuarnPrinters::InstanceLockProblem() const { return m_hMutex ? m_hMutex->Problem() : CString(); }

CString CQuarnPrinters::InstanceLockHolder() const { return m_hMutex ? m_hMutex->Holder() : CString(); }

CQuarnPrinter* CQuarnPrinters::FindPrinter(const CQuarnPrinterData* pPrinter) const
{
    // Searched by pointer so that a stale or foreign record is never dereferenced.
    auto it = std::find_if(m_mapPrinters.begin(), m_mapPrinters.end(),
                           [pPrinter](const auto& entry) { return entry.second == pPrinter; });
    return it == m_mapPrinters.end() ? nullptr : it->second;
}

void CQuarnPrinters::DeletePrinter(CQuarnPrinterData* pPrinter)
{
    CQuarnPrinter* printer = pPrinter ? FindPrinter(pPrinter) : nullptr;
    if (!printer) ThrowConfigurationError();

    // Out of the list before the port is released, so that an error on the way still leaves
    // the record removed, freed and the list marked changed.
    m_mapPrinters.erase(printer->m_strName);
    m_bModified = true;
    std::unique_ptr<CQuarnPrinter> owned(printer);
    owned->ReleasePort();
}

void CQuarnPrinters::SetDownloadFile(CQuarnPrinterData* pPrinter, const CString& file)
{
    CQuarnPrinter* printer = pPrinter ? FindPrinter(pPrinter) : nullptr;
    if (!printer) ThrowConfigurationError();

    if (!EqualsNoCase(printer->m_strDownloadFile, file)) m_bModified = true;
    printer->m_strDownloadFile = file;
}

void CQuarnPrinters::DownloadToPrinters(const CMapStringToOb* pSelection)
{
    auto queue = [this](CQuarnPrinter* printer) {
        // The ceiling is read for every printer, so a change made meanwhile applies at once.
        if (printer && !printer->m_strDownloadFile.empty()) printer->QueueDownload(MaxSimultaneousDownloads());
    };
    if (!pSelection) {
        for (const auto& [name, printer] : m_mapPrinters) queue(printer);
        return;
    }
    for (const auto& [name, record] : *pSelection) queue(FindPrinter(record));
}

void CQuarnPrinters::CancelDownload() const
{
    for (const auto& [name, printer] : m_mapPrinters) {
        if (!printer->m_strDownloadFile.empty()) printer->CancelPrinterDownload();
    }
}

POSITION CQuarnPrinters::GetFirstPrinter() const
{
    return m_mapPrinters.empty() ? nullptr : reinterpret_cast<POSITION>(m_mapPrinters.begin()->second);
}

CQuarnPrinterData* CQuarnPrinters::GetNextPrinter(POSITION& pos) const
{
    auto* printer = reinterpret_cast<CQuarnPrinter*>(pos);
    if (!printer) return nullptr;
    auto next = m_mapPrinters.upper_bound(printer->m_strName);
    pos = next == m_mapPrinters.end() ? nullptr : reinterpret_cast<POSITION>(next->second);
    return printer;
}

int CQuarnPrinters::MaxSimultaneousDownloads() const { return CSettingsMachine().GetMaxDownloads(); }

void CQuarnPrinters::MaxSimultaneousDownloads(int value) { CSettingsMachine().SetMaxDownloads(value); }

void CQuarnPrinters::Serialize(CArchive& ar, CWnd* pNotifyWnd)
{
    if (ar.IsStoring()) {
        ar << static_cast<std::int32_t>(m_mapPrinters.size());
        for (const auto& [name, printer] : m_mapPrinters) printer->Serialize(ar);
        return;
    }

    // A load into an empty list reads a document; one into a list adds records to it.
    if (m_mapPrinters.empty()) m_droppedDuplicates.clear();
    std::map<CString, int> recordOfName;
    std::int32_t count = 0;
    ar >> count;
    for (std::int32_t i = 0; i < count; ++i) {
        // A record that fails half-way is freed here; the error goes on to the caller.
        auto printer = std::make_unique<CQuarnPrinter>(pNotifyWnd);
        printer->Serialize(ar);
        if (!printer->m_pPort) ThrowUnknownPortClass(*printer, i + 1);
        printer->StartThread();
        // Kept, so that the programs can say which printer the later record pushed out.
        auto [seen, first] = recordOfName.try_emplace(printer->m_strName, i + 1);
        if (!first) {
            m_droppedDuplicates.push_back(
                {printer->m_strName, seen->second, m_mapPrinters.at(printer->m_strName)->Port(), i + 1, printer->Port()});
            seen->second = i + 1;
        }
        EnterPrinter(printer.release());
    }
}

void CQuarnPrinters::EnterPrinter(CQuarnPrinter* pPrinter)
{
    auto [it, inserted] = m_mapPrinters.try_emplace(pPrinter->m_strName, pPrinter);
    if (inserted) return;
    std::unique_ptr<CQuarnPrinter> displaced(it->second);
    it->second = pPrinter;
    displaced->ReleasePort();
}

CString CQuarnPrinters::UnusedDefaultName() const
{
    const CString prefix = LoadStringResource(IDS_DEFAULT_PRINTER_NAME);
    for (int number = 1;; ++number) {
        CString name = FormatString("%s%d", prefix.c_str(), number);
        if (!m_mapPrinters.contains(name)) return name;
    }
}

void CQuarnPrinters::ReconcilePrinterWithList(CWnd* pNotifyWnd, const CRuntimeClass* pPortClass,
                                              const CString& portName, const CString& name,
                                              CParallelTestOpen* pTested)
{
    // A port tested for this detection is known to be new: a big site's merge skips the search.
    const bool surelyNew = pTested && pTested->Has(portName);
    auto known = surelyNew ? m_mapPrinters.end()
                           : std::find_if(m_mapPrinters.begin(), m_mapPrinters.end(), [&portName](const auto& entry) {
                                 return EqualsNoCase(entry.second->Port(), portName);
                             });
    if (known != m_mapPrinters.end()) {
        CQuarnPrinter* printer = known->second;
        // A name that another printer carries is not taken over: that printer would drop out of the list.
        if (name.empty() || name == printer->m_strName || m_mapPrinters.contains(name)) return;
        m_mapPrinters.erase(known);
        printer->m_strName = name;
        m_mapPrinters.emplace(name, printer);
        m_bModified = true;
        return;
    }

    try {
        auto printer = std::make_unique<CQuarnPrinter>(pNotifyWnd);
        std::unique_ptr<CPortBase> tested;
        if (pTested && pTested->Take(portName, tested)) {
            if (tested) printer->AttachTestedPort(std::move(tested), name);
        } else {
            printer->AttachDetectedPort(pPortClass, portName, name);
        }
        if (m_mapPrinters.contains(printer->m_strName)) printer->m_strName = UnusedDefaultName();
        printer->StartThread();
        m_bModified = true;
        EnterPrinter(printer.release());
    } catch (CQuarnPrinterException* e) {
        CExceptionHolder<> error(e);
        // A printer that does not answer in time is simply not added; anything else is worth a word.
        if (e->m_dwCode != errTimeout) e->ReportError(0, 0);
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        e->ReportError(0, 0);
    } catch (const std::bad_alloc&) {
        AfxMessageBox(kOutOfMemoryText, MB_OK | MB_ICONEXCLAMATION);
    }
}
