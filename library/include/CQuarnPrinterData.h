// One label printer as the library knows it: name, port, download file and model. Every
// record the library hands out is in fact its internal CQuarnPrinter.
#pragma once

#include "CObject.h"

class CPortBase;

// Units of the odometer and head-history questions: 0 inches, any other value metric.
enum EDisplayUnits : int { duInches = 0, duMetric = 1 };

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

    // Questions and settings sent straight to the printer over its port. Each opens the
    // port and closes it again, also when a printer error passes on.
    // The printer's serial number ("N/A" for printers that cannot answer; empty when silent).
    CString SerialNumber() const;
    // The printer's head history text ("N/A" for printers that cannot answer).
    CString HeadHistory(EDisplayUnits units) const;
    // The two odometer values; both -1 when the printer cannot or does not answer.
    void Odometers(int& first, int& second, EDisplayUnits units) const;
    // The printer's answer to the odometer question as it came ("" when it cannot or does not answer).
    CString OdometerAnswer(EDisplayUnits units) const;
    // Asks the user first; sends nothing when the answer is No.
    void ResetHeadOdometer();
    // Refuses (code 10, nothing sent) a serial number whose escaped text exceeds 64 bytes.
    void SetSerialNumber(const CString& serial);

    // The number the next default name will carry, and the number of records alive.
    static int m_nPrinterCount;
    static int m_nRefCount;

    CString m_strName;
    CPortBase* m_pPort = nullptr;  // owned
    CString m_strDownloadFile;
    CString m_strModel;
};
