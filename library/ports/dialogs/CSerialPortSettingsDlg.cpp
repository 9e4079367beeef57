#include "CSerialPortSettingsDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "CSerialPort.h"

namespace {

const char* const kBaudRates[] = {"110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",  "14400",
                                  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
const char* const kEven = "Even";
const char* const kOdd = "Odd";
const char* const kNone = "None";
const char* const kXonXoff = "Xon / Xoff";
const char* const kHardware = "Hardware";
constexpr std::int32_t kDefaultBaudRate = 9600;

QComboBox* MakeList(const char* objectName, const QStringList& entries)
{
    auto* list = new QComboBox;
    list->setObjectName(objectName);
    list->addItems(entries);
    return list;
}

}  // namespace

CSerialPortSettingsDlg::CSerialPortSettingsDlg(CSerialPort* pPort, QWidget* parent) : QDialog(parent), m_pPort(pPort)
{
    setWindowTitle("Port Settings");

    QStringList baudRates;
    for (const char* rate : kBaudRates) baudRates << rate;
    m_pBaudRate = MakeList("baudRate", baudRates);
    m_pDataBits = MakeList("dataBits", {"7", "8"});
    m_pParity = MakeList("parity", {kEven, kOdd, kNone});
    m_pStopBits = MakeList("stopBits", {"1", "2"});
    m_pFlowControl = MakeList("flowControl", {kXonXoff, kHardware});

    auto* group = new QGroupBox;
    auto* form = new QFormLayout(group);
    auto addRow = [form](const char* label, QComboBox* list) {
        auto* text = new QLabel(label);
        text->setBuddy(list);
        form->addRow(text, list);
    };
    addRow("&Bits per second:", m_pBaudRate);
    addRow("&Data bits:", m_pDataBits);
    addRow("&Parity:", m_pParity);
    addRow("&Stop bits:", m_pStopBits);
    addRow("&Flow Control", m_pFlowControl);

    auto* restore = new QPushButton("&Restore Defaults");
    restore->setObjectName("restoreDefaults");
    restore->setAutoDefault(false);
    connect(restore, &QPushButton::clicked, this, &CSerialPortSettingsDlg::RestoreDefaults);
    auto* restoreRow = new QHBoxLayout;
    restoreRow->addStretch();
    restoreRow->addWidget(restore);

    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(group);
    pageLayout->addLayout(restoreRow);
    pageLayout->addStretch();
    auto* tabs = new QTabWidget;
    tabs->insertTab(0, page, "Port Settings");

    auto* buttons = new QDialogButtonBox;
    auto* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("ok");
    ok->setDefault(true);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &CSerialPortSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSerialPortSettingsDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);

    if (!m_pPort) {
        RestoreDefaults();
        return;
    }
    std::int32_t baud = 0, dataBits = 0, parity = 0, stopBits = 0, flowControl = 0;
    m_pPort->GetLineSettings(&baud, &dataBits, &parity, &stopBits, &flowControl);
    Select(baud, dataBits, parity, stopBits, flowControl);
}

void CSerialPortSettingsDlg::Select(std::int32_t baud, std::int32_t dataBits, std::int32_t parity,
                                    std::int32_t stopBits, std::int32_t flowControl)
{
    const int rate = m_pBaudRate->findText(QString::number(baud));
    m_pBaudRate->setCurrentIndex(rate >= 0 ? rate : m_pBaudRate->findText(QString::number(kDefaultBaudRate)));
    m_pDataBits->setCurrentText(dataBits == 7 ? "7" : "8");
    m_pParity->setCurrentText(parity == CSerialPort::ODDPARITY    ? kOdd
                              : parity == CSerialPort::EVENPARITY ? kEven
                                                                  : kNone);
    m_pStopBits->setCurrentText(stopBits == CSerialPort::TWOSTOPBITS ? "2" : "1");
    m_pFlowControl->setCurrentText(flowControl == CSerialPort::FLOW_HARDWARE ? kHardware : kXonXoff);
}

void CSerialPortSettingsDlg::RestoreDefaults()
{
    // Xon/Xoff, unlike a new port's hardware flow control: the dialog's own defaults.
    Select(kDefaultBaudRate, 8, CSerialPort::NOPARITY, CSerialPort::ONESTOPBIT, CSerialPort::FLOW_XONXOFF);
}

void CSerialPortSettingsDlg::accept()
{
    if (m_pPort) {
        const std::int32_t baud = m_pBaudRate->currentIndex() >= 0 ? m_pBaudRate->currentText().toInt() : kDefaultBaudRate;
        const std::int32_t dataBits = m_pDataBits->currentIndex() == 0 ? 7 : 8;
        const QString parity = m_pParity->currentText();
        const std::int32_t parityValue = parity == kEven  ? CSerialPort::EVENPARITY
                                         : parity == kOdd ? CSerialPort::ODDPARITY
                                                          : CSerialPort::NOPARITY;
        const std::int32_t stopBits = m_pStopBits->currentIndex() == 1 ? CSerialPort::TWOSTOPBITS : CSerialPort::ONESTOPBIT;
        const std::int32_t flow =
            m_pFlowControl->currentText() == kHardware ? CSerialPort::FLOW_HARDWARE : CSerialPort::FLOW_XONXOFF;
        m_pPort->SetLineSettings(baud, dataBits, parityValue, stopBits, flow);
    }
    QDialog::accept();
}
