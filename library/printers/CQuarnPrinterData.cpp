#include "CQuarnPrinterData.h"

#include <climits>
#include <cstdlib>

#include "CArchive.h"
#include "CPortBase.h"
#include "CSerialPort.h"
#include "CUSBPort.h"
#include "StringTable.h"

int CQuarnPrinterData::m_nPrinterCount = 1;
int CQuarnPrinterData::m_nRefCount = 0;

namespace {

// The number a default name carries after its prefix, read the way atoi reads (leading
// blanks, sign, digits); 0 when there is none or it does not fit a counter.
long DefaultNameNumber(const CString& name, std::size_t prefixLength)
{
    const long number = std::strtol(name.c_str() + prefixLength, nullptr, 10);
    return number < INT_MAX ? number : 0;
}

}  // namespace

CQuarnPrinterData::CQuarnPrinterData()
{
    m_strName = FormatString("%s%d", LoadStringResource(IDS_DEFAULT_PRINTER_NAME).c_str(), m_nPrinterCount);
    ++m_nPrinterCount;
    ++m_nRefCount;
}

CQuarnPrinterData::~CQuarnPrinterData()
{
    delete m_pPort;
    --m_nPrinterCount;
    if (--m_nRefCount == 0) m_nPrinterCount = 1;
}

void CQuarnPrinterData::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << m_strName << m_strModel << m_strDownloadFile;
        return;
    }
    // The constructor of this still empty record counted a default name it never keeps.
    --m_nPrinterCount;
    ar >> m_strName >> m_strModel >> m_strDownloadFile;

    // Keeps new default names clear of the default names just loaded.
    const CString prefix = LoadStringResource(IDS_DEFAULT_PRINTER_NAME);
    if (m_strName.find(prefix) == CString::npos) return;
    const long number = DefaultNameNumber(m_strName, prefix.size());
    if (number > 0 && m_nPrinterCount <= number + 1) m_nPrinterCount = static_cast<int>(number + 1);
}

CString CQuarnPrinterData::Port() const
{
    return m_pPort ? m_pPort->PortName() : CString();
}

CString CQuarnPrinterData::PortDisplayName() const
{
    return m_pPort ? m_pPort->DisplayName() : CString();
}

CString CQuarnPrinterData::Model()
{
    if (m_strModel.empty() && m_pPort) m_strModel = m_pPort->QueryModel();
    return m_strModel;
}

bool CQuarnPrinterData::IsBidirectional() const
{
    return m_pPort && (m_pPort->IsKindOf(RUNTIME_CLASS(CSerialPort)) || m_pPort->IsKindOf(RUNTIME_CLASS(CUSBPort)));
}
