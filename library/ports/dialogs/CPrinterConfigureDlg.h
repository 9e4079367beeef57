// The printer configuration dialog: name, model, kind of connection and its port or
// address, and calibration, edited on a working copy of a printer.
#pragma once

#include <QDialog>

#include "CCommSingleton.h"

class CIPAddressEdit;
class CQuarnPrinter;
class CSortedComboBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CPrinterConfigureDlg : public QDialog {
public:
    // Kinds of connection, as the entries of the type list carry them.
    enum EPortKind { pkSerial = 0, pkParallel = 1, pkUSB = 2, pkNetwork = 3 };

    // Edits workingCopy in place (its port may be replaced); the caller discards it on
    // cancel. The ports offered are the machine's.
    CPrinterConfigureDlg(CQuarnPrinter& workingCopy, unsigned flags, QWidget* parent = nullptr);
    // The same with the ports offered given, for machines other than this one.
    CPrinterConfigureDlg(CQuarnPrinter& workingCopy, unsigned flags, const CCommSingleton::PortLists& ports,
                         QWidget* parent = nullptr);

    // Stays open on a TCP port out of range or when no port is chosen.
    void accept() override;

private:
    void BuildControls(const CCommSingleton::PortLists& ports);
    void LoadFromPrinter();
    void ShowControlsForKind();
    void OnTypeChanged();
    void OnPortSettings();
    int SelectedKind() const;
    void SelectKind(int kind);
    void ShowNetworkAddress();
    // The TCP port field as a number; false after the message that says what is wrong.
    bool ReadTcpPort(int* value);

    CQuarnPrinter& m_printer;
    unsigned m_nFlags;
    // What the text fields were given, to tell an untouched field from an edited one.
    QString m_strShownName;
    QString m_strShownModel;

    QLineEdit* m_pName = nullptr;
    QLineEdit* m_pModel = nullptr;
    CSortedComboBox* m_pType = nullptr;
    QLabel* m_pAddressLabel = nullptr;
    CIPAddressEdit* m_pAddress = nullptr;
    QLabel* m_pPortLabel = nullptr;
    CSortedComboBox* m_pSerialPorts = nullptr;
    CSortedComboBox* m_pParallelPorts = nullptr;
    QLineEdit* m_pTcpPort = nullptr;
    QPushButton* m_pPortSettings = nullptr;
    QCheckBox* m_pCalibrate = nullptr;
};
