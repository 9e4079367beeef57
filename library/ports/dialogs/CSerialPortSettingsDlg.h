// The five line settings of a serial port as lists of fixed choices; OK writes them back.
#pragma once

#include <QDialog>
#include <cstdint>

class CSerialPort;
class QComboBox;

class CSerialPortSettingsDlg : public QDialog {
public:
    // pPort is the caller's and changes only on OK; without one the defaults are shown.
    explicit CSerialPortSettingsDlg(CSerialPort* pPort, QWidget* parent = nullptr);

    void accept() override;

private:
    void Select(std::int32_t baud, std::int32_t dataBits, std::int32_t parity, std::int32_t stopBits,
                std::int32_t flowControl);
    void RestoreDefaults();

    CSerialPort* m_pPort;
    QComboBox* m_pBaudRate;
    QComboBox* m_pDataBits;
    QComboBox* m_pParity;
    QComboBox* m_pStopBits;
    QComboBox* m_pFlowControl;
};
