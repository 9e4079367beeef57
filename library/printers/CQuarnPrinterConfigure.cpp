// A printer record's part in adding and modifying printers: the dialog on a working copy,
// and taking over the copy once the collection has accepted it.
#include <memory>

#include "CPortBase.h"
#include "CQuarnPrinter.h"
#include "IUserInterface.h"

std::unique_ptr<CQuarnPrinter> CQuarnPrinter::RunConfigureDialog(EConfigFlags flags) const
{
    auto workingCopy = std::make_unique<CQuarnPrinter>(*this);
    if (!AfxUserInterface().RunPrinterConfigureDialog(*workingCopy, flags)) return nullptr;
    return workingCopy;
}

void CQuarnPrinter::ApplySettings(const CQuarnPrinter& edited)
{
    if (m_pPort) ReleasePort();
    if (edited.m_pPort) {
        // Exactly the copy's class, so a port kind derived from one of the four stays itself.
        std::unique_ptr<CObject> object(edited.m_pPort->GetRuntimeClass()->CreateObject());
        if (auto* port = dynamic_cast<CPortBase*>(object.get())) {
            object.release();
            m_pPort = port;
            m_pPort->CopySettings(edited.m_pPort);
        }
    }
    m_strName = edited.m_strName;
    // The dialog has already asked the copy's port for a model it lacked; taking the text as
    // it stands avoids opening the device again here, and an empty text is asked again later.
    m_strModel = edited.m_strModel;
    m_bCalibrate = edited.m_bCalibrate;
}
