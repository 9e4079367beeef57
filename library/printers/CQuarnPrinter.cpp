#include "CQuarnPrinter.h"

#include <memory>

#include "CArchive.h"
#include "CException.h"
#include "CNetworkPort.h"
#include "CParallelPort.h"
#include "CPortSession.h"
#include "CQuarnPrinterException.h"
#include "CSerialPort.h"
#include "CUSBPort.h"
#include "PortIO.h"
#include "PrinterErrors.h"

namespace {

// The only port kinds a document may name, in the order they are recognised. The list is
// closed on purpose: a document must not be able to create any other registered class.
const CRuntimeClass* const kPortKinds[] = {
    RUNTIME_CLASS(CSerialPort),
    RUNTIME_CLASS(CParallelPort),
    RUNTIME_CLASS(CUSBPort),
    RUNTIME_CLASS(CNetworkPort),
};

const CRuntimeClass* PortKindNamed(const CString& className)
{
    for (const CRuntimeClass* kind : kPortKinds)
        if (className == kind->m_lpszClassName) return kind;
    return nullptr;
}

const CRuntimeClass* PortKindOf(const CPortBase& port)
{
    for (const CRuntimeClass* kind : kPortKinds)
        if (port.IsKindOf(kind)) return kind;
    return nullptr;
}

// A new, closed port of the given class; null when the class does not make ports.
std::unique_ptr<CPortBase> CreatePort(const CRuntimeClass* kind)
{
    std::unique_ptr<CObject> object(kind ? kind->CreateObject() : nullptr);
    auto* port = dynamic_cast<CPortBase*>(object.get());
    if (!port) return nullptr;
    object.release();
    return std::unique_ptr<CPortBase>(port);
}

// Gives up a port the record held; the port is closed first, as its destructor releases nothing.
void DropPort(CPortBase*& pPort)
{
    if (!pPort) return;
    pPort->Close();
    delete pPort;
    pPort = nullptr;
}

}  // namespace

CQuarnPrinter::CQuarnPrinter(CWnd* pNotifyWnd) : m_pNotifyWnd(pNotifyWnd) {}

CQuarnPrinter::CQuarnPrinter(const CQuarnPrinter& other)
{
    m_strDownloadFile = other.m_strDownloadFile;
    m_strName = other.m_strName;
    m_strModel = other.m_strModel;
    m_pNotifyWnd = other.m_pNotifyWnd;
    m_bCalibrate = other.m_bCalibrate;
    if (!other.m_pPort) return;
    if (std::unique_ptr<CPortBase> port = CreatePort(PortKindOf(*other.m_pPort))) {
        port->CopySettings(other.m_pPort);
        m_pPort = port.release();
    }
}

// The base class frees the port.
CQuarnPrinter::~CQuarnPrinter() = default;

void CQuarnPrinter::Serialize(CArchive& ar)
{
    CQuarnPrinterData::Serialize(ar);
    if (ar.IsStoring()) {
        // A record without a port is stored with an empty class name, which loads back as
        // a record without a port and keeps the rest of the document readable.
        ar << CString(m_pPort ? m_pPort->GetRuntimeClass()->m_lpszClassName : "");
        ar << std::int32_t(m_bCalibrate ? 1 : 0);
        if (m_pPort) m_pPort->Serialize(ar);
        return;
    }

    CString className;
    std::int32_t calibrate = 0;
    ar >> className >> calibrate;
    m_bCalibrate = calibrate == 1;

    DropPort(m_pPort);
    // Attached before it reads, so a port whose data is cut short is freed with the record.
    m_pPort = CreatePort(PortKindNamed(className)).release();
    try {
        if (m_pPort) m_pPort->Serialize(ar);
    } catch (CArchiveException* e) {
        if (e->m_cause == CArchiveException::badPort) e->m_strDetail = "for the printer " + m_strName + ", " + e->m_strDetail;
        throw;
    }
}

std::unique_ptr<CPortBase> CQuarnPrinter::TestOpenDetectedPort(const CRuntimeClass* kind, const CString& portName)
{
    std::unique_ptr<CPortBase> port = CreatePort(kind);
    if (!port) return nullptr;
    port->SetPortName(portName);
    CPortSession testOpen(*port);
    return port;
}

bool CQuarnPrinter::AttachDetectedPort(const CRuntimeClass* kind, const CString& portName, const CString& name)
{
    std::unique_ptr<CPortBase> port = CreatePort(kind);
    if (!port) return false;
    port->SetPortName(portName);
    // Attached before the test-open, so that a port that does not open stays with the record.
    CPortBase& attached = *port;
    AttachTestedPort(std::move(port), name);
    CPortSession testOpen(attached);
    return true;
}

void CQuarnPrinter::AttachTestedPort(std::unique_ptr<CPortBase> port, const CString& name)
{
    if (!name.empty()) m_strName = name;
    DropPort(m_pPort);
    m_pPort = port.release();
}

void CQuarnPrinter::Calibrate()
{
    CalibratePort(m_pPort);
}

void CQuarnPrinter::SendCalibration(CPortBase* pPort)
{
    if (!pPort) ThrowPrinterError(errPortUnavailable);
    CPortSession session(*pPort);
    // Line feed, "xa", line feed; written whole, as a cut command could be misread.
    WriteAll(session.Port(), CString("\x0A" "xa" "\x0A"));
}

void CQuarnPrinter::CalibratePort(CPortBase* pPort)
{
    try {
        SendCalibration(pPort);
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        error->ReportError(0, 0);
    }
}
