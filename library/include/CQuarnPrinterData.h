// One label printer as the library knows it: name, port, download file and model. Every
// record the library hands out is in fact its internal CQuarnPrinter.
#pragma once

#include "CObject.h"

class CPortBase;

class CQuarnPrinterData : public CObject {
public:
    CQuarnPrinterData();
    ~CQuarnPrinterData() override;
    CQuarnPrinterData(const CQuarnPrinterData&) = delete;
    CQuarnPrinterData& operator=(const CQuarnPrinterData&) = delete;

    // Stores or loads the name, model text and download file.
    void Serialize(CArchive& ar) override;

    CString Name() const { return m_strName; }
    // The port's identity (a device name or an address), compared ignoring case.
    CString Port() const;
    // The text shown for the port in the printer list.
    CString PortDisplayName() const;
    CString DownloadFile() const { return m_strDownloadFile; }
    // The model text; while it is empty the port is asked for it first.
    CString Model();
    void Model(const CString& model) { m_strModel = model; }
    // True for serial and USB printers, the only ones that answer questions.
    bool IsBidirectional() const;

    // The number the next default name will carry, and the number of records alive.
    static int m_nPrinterCount;
    static int m_nRefCount;

    CString m_strName;
    CPortBase* m_pPort = nullptr;  // owned
    CString m_strDownloadFile;
    CString m_strModel;
};
