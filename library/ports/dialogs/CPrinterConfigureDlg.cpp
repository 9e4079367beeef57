#include "CPrinterConfigureDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "CException.h"
#include "CIPAddressEdit.h"
#include "CNetworkPort.h"
#include "CParallelPort.h"
#include "CQuarnPrinter.h"
#include "CSerialPort.h"
#include "CSerialPortSettingsDlg.h"
#include "CSortedComboBox.h"
#include "CUSBPort.h"
#include "IUserInterface.h"
#include "QtText.h"
#include "StringTable.h"

namespace {

const char* const kNotAnInteger = "Please enter an integer.";
const char* const kTcpPortRange = "Please enter an integer between 0 and 65535.";
constexpr int kTcpPortMax = 65535;

std::unique_ptr<CPortBase> NewPortOfKind(int kind)
{
    switch (kind) {
    case CPrinterConfigureDlg::pkParallel:
        return std::make_unique<CParallelPort>();
    case CPrinterConfigureDlg::pkUSB:
        return std::make_unique<CUSBPort>();
    case CPrinterConfigureDlg::pkNetwork:
        return std::make_unique<CNetworkPort>();
    default:
        return std::make_unique<CSerialPort>();
    }
}

// The first entry that begins with the port's name, ignoring case, so a printer stored on
// ttyS1 finds ttyS10 on a machine that has only that; none found leaves no selection.
void SelectByPrefix(QComboBox* list, const CString& portName)
{
    const QString prefix = ToQString(portName);
    list->setCurrentIndex(-1);
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).startsWith(prefix, Qt::CaseInsensitive)) {
            list->setCurrentIndex(i);
            return;
        }
    }
}

void SelectFirst(QComboBox* list) { list->setCurrentIndex(list->count() > 0 ? 0 : -1); }

}  // namespace

CPrinterConfigureDlg::CPrinterConfigureDlg(CQuarnPrinter& workingCopy, unsigned flags, QWidget* parent)
    : CPrinterConfigureDlg(workingCopy, flags,
                           {CCommSingleton::Instance().SerialPorts(), CCommSingleton::Instance().ParallelPorts()}, parent)
{
}

CPrinterConfigureDlg::CPrinterConfigureDlg(CQuarnPrinter& workingCopy, unsigned flags,
                                           const CCommSingleton::PortLists& ports, QWidget* parent)
    : QDialog(parent), m_printer(workingCopy), m_nFlags(flags)
{
    setWindowTitle("Printer Settings");
    BuildControls(ports);
    LoadFromPrinter();
    ShowControlsForKind();
    // The name is what a person changes first, whatever the kind put the focus on.
    m_pName->setFocus();
    m_pName->selectAll();
    // Connected only now, so that loading the printer does not count as the user's choice.
    connect(m_pType, &QComboBox::currentIndexChanged, this, &CPrinterConfigureDlg::OnTypeChanged);
}

void CPrinterConfigureDlg::BuildControls(const CCommSingleton::PortLists& ports)
{
    // Created in the order the Tab key visits them.
    m_pName = new QLineEdit;
    m_pName->setObjectName("printerName");
    m_pModel = new QLineEdit;
    m_pModel->setObjectName("printerModel");
    m_pType = new CSortedComboBox;
    m_pType->setObjectName("communicationType");
    m_pAddressLabel = new QLabel("TCP/IP Address:");
    m_pAddress = new CIPAddressEdit;
    m_pAddress->setObjectName("ipAddress");
    m_pPortLabel = new QLabel("Port:");
    m_pSerialPorts = new CSortedComboBox;
    m_pSerialPorts->setObjectName("serialPorts");
    m_pParallelPorts = new CSortedComboBox;
    m_pParallelPorts->setObjectName("parallelPorts");
    m_pTcpPort = new QLineEdit;
    m_pTcpPort->setObjectName("tcpPort");
    m_pPortSettings = new QPushButton("Port Settings");
    m_pPortSettings->setObjectName("portSettings");
    m_pPortSettings->setAutoDefault(false);
    m_pCalibrate = new QCheckBox("Printer Calibration after download: (KPL Only)");
    m_pCalibrate->setObjectName("calibrate");
    // The text stands on the left of its box.
    m_pCalibrate->setLayoutDirection(Qt::RightToLeft);

    for (const CString& port : ports.serial) m_pSerialPorts->AddSorted(ToQString(port));
    for (const CString& port : ports.parallel) m_pParallelPorts->AddSorted(ToQString(port));
    m_pType->AddSorted(ToQString(LoadStringResource(IDS_KIND_SERIAL)), pkSerial);
    m_pType->AddSorted(ToQString(LoadStringResource(IDS_KIND_PARALLEL)), pkParallel);
    m_pType->AddSorted(ToQString(LoadStringResource(IDS_KIND_NETWORK)), pkNetwork);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Printer Name:"), 0, 0, Qt::AlignRight);
    grid->addWidget(m_pName, 0, 1, 1, 2);
    grid->addWidget(new QLabel("Printer Model:"), 1, 0, Qt::AlignRight);
    grid->addWidget(m_pModel, 1, 1, 1, 2);
    grid->addWidget(new QLabel("Communication Type:"), 2, 0, Qt::AlignRight);
    grid->addWidget(m_pType, 2, 1, 1, 2);
    grid->addWidget(m_pAddressLabel, 3, 0, Qt::AlignRight);
    grid->addWidget(m_pAddress, 3, 1, 1, 2);
    // The three port controls share one place; only the one of the kind is shown.
    grid->addWidget(m_pPortLabel, 4, 0, Qt::AlignRight);
    grid->addWidget(m_pSerialPorts, 4, 1);
    grid->addWidget(m_pParallelPorts, 4, 1);
    grid->addWidget(m_pTcpPort, 4, 1);
    grid->addWidget(m_pPortSettings, 4, 2);
    grid->addWidget(m_pCalibrate, 5, 0, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox;
    auto* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("ok");
    ok->setDefault(true);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole)->setObjectName("cancel");
    buttons->setCenterButtons(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPrinterConfigureDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPrinterConfigureDlg::reject);
    connect(m_pPortSettings, &QPushButton::clicked, this, &CPrinterConfigureDlg::OnPortSettings);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(12);
    layout->addWidget(buttons);
}

void CPrinterConfigureDlg::LoadFromPrinter()
{
    CPortBase* port = m_printer.m_pPort;
    int tcpPort = 0;
    if (port && port->IsKindOf(RUNTIME_CLASS(CSerialPort))) {
        SelectKind(pkSerial);
        SelectByPrefix(m_pSerialPorts, port->DisplayName());
    } else if (port && port->IsKindOf(RUNTIME_CLASS(CParallelPort))) {
        SelectKind(pkParallel);
        SelectByPrefix(m_pParallelPorts, port->DisplayName());
    } else if (port && port->IsKindOf(RUNTIME_CLASS(CUSBPort))) {
        m_pType->AddSorted(ToQString(LoadStringResource(IDS_KIND_USB)), pkUSB);
        SelectKind(pkUSB);
    } else if (port && port->IsKindOf(RUNTIME_CLASS(CNetworkPort))) {
        SelectKind(pkNetwork);
        ShowNetworkAddress();
        tcpPort = static_cast<CNetworkPort*>(port)->m_nTcpPort;
    } else {
        // No port, or one of a kind this dialog cannot edit: a new printer's serial port.
        SelectKind(pkSerial);
        delete m_printer.m_pPort;
        m_printer.m_pPort = new CSerialPort;
        SelectFirst(m_pSerialPorts);
    }
    m_pTcpPort->setText(QString::number(tcpPort));

    m_strShownName = ToQString(m_printer.m_strName);
    m_pName->setText(m_strShownName);
    try {
        // A USB printer without a stored model is asked for it, which can fail; the dialog
        // still opens with what it has, so the user can type the model.
        m_printer.Model();
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        error->ReportError(0, 0);
    }
    m_strShownModel = ToQString(m_printer.m_strModel);
    m_pModel->setText(m_strShownModel);
    m_pCalibrate->setChecked(m_printer.m_bCalibrate);
}

int CPrinterConfigureDlg::SelectedKind() const
{
    return m_pType->currentIndex() >= 0 ? m_pType->currentData().toInt() : pkSerial;
}

void CPrinterConfigureDlg::SelectKind(int kind)
{
    const int index = m_pType->findData(kind);
    m_pType->setCurrentIndex(index >= 0 ? index : 0);
}

void CPrinterConfigureDlg::ShowNetworkAddress()
{
    int b1 = 0, b2 = 0, b3 = 0, b4 = 0;
    static_cast<const CNetworkPort*>(m_printer.m_pPort)->GetIPAddress(&b1, &b2, &b3, &b4);
    m_pAddress->SetAddress(b1, b2, b3, b4);
}

void CPrinterConfigureDlg::ShowControlsForKind()
{
    const int kind = SelectedKind();
    m_pSerialPorts->setVisible(kind == pkSerial);
    m_pPortSettings->setVisible(kind == pkSerial);
    m_pParallelPorts->setVisible(kind == pkParallel);
    m_pAddressLabel->setVisible(kind == pkNetwork);
    m_pAddress->setVisible(kind == pkNetwork);
    m_pTcpPort->setVisible(kind == pkNetwork);
    m_pPortLabel->setVisible(kind != pkUSB);
    // A USB printer is found by detection and cannot become another kind.
    m_pType->setEnabled(kind != pkUSB);
    if (kind == pkSerial) m_pSerialPorts->setFocus();
    if (kind == pkParallel) m_pParallelPorts->setFocus();
    if (kind == pkNetwork) m_pAddress->FocusFirstField();
    if (m_nFlags & cfHideCalibrate) m_pCalibrate->hide();
}

void CPrinterConfigureDlg::OnTypeChanged()
{
    const int kind = SelectedKind();
    delete m_printer.m_pPort;
    m_printer.m_pPort = NewPortOfKind(kind).release();
    if (kind == pkSerial) SelectFirst(m_pSerialPorts);
    if (kind == pkParallel) SelectFirst(m_pParallelPorts);
    if (kind == pkNetwork) {
        ShowNetworkAddress();
        m_pTcpPort->setText(QString::number(static_cast<CNetworkPort*>(m_printer.m_pPort)->m_nTcpPort));
    }
    ShowControlsForKind();
}

void CPrinterConfigureDlg::OnPortSettings()
{
    auto* port = dynamic_cast<CSerialPort*>(m_printer.m_pPort);
    if (!port) return;
    CSerialPortSettingsDlg settings(port, this);
    settings.exec();
}

bool CPrinterConfigureDlg::ReadTcpPort(int* value)
{
    bool isInteger = false;
    *value = m_pTcpPort->text().trimmed().toInt(&isInteger);
    const char* problem = !isInteger ? kNotAnInteger : (*value < 0 || *value > kTcpPortMax) ? kTcpPortRange : nullptr;
    if (!problem) return true;
    AfxMessageBox(problem, MB_OK | MB_ICONEXCLAMATION);
    m_pTcpPort->setFocus();
    m_pTcpPort->selectAll();
    return false;
}

void CPrinterConfigureDlg::accept()
{
    const int kind = SelectedKind();
    int tcpPort = 0;
    // Only a shown field is checked: a number left behind in the hidden one is never used.
    if (kind == pkNetwork && !ReadTcpPort(&tcpPort)) return;

    bool portChosen = true;
    // Always of the selected kind: made so at the start and replaced with every change of kind.
    CPortBase* port = m_printer.m_pPort;
    if (kind == pkSerial || kind == pkParallel) {
        const QComboBox* list = kind == pkSerial ? m_pSerialPorts : m_pParallelPorts;
        portChosen = list->currentIndex() >= 0;
        port->SetPortName(portChosen ? FromQString(list->currentText()) : CString());
    } else if (kind == pkNetwork) {
        auto* network = static_cast<CNetworkPort*>(port);
        int b1 = 0, b2 = 0, b3 = 0, b4 = 0;
        m_pAddress->GetAddress(&b1, &b2, &b3, &b4);
        network->SetIPAddress(b1, b2, b3, b4);
        network->m_nTcpPort = tcpPort;
    }

    m_printer.m_strName = FromField(m_pName->text(), m_strShownName, m_printer.m_strName);
    m_printer.m_strModel = FromField(m_pModel->text(), m_strShownModel, m_printer.m_strModel);
    m_printer.m_bCalibrate = m_pCalibrate->isChecked();

    if (!portChosen) {
        AfxMessageBox(IDS_SELECT_PORT, MB_OK);
        return;
    }
    QDialog::accept();
}
