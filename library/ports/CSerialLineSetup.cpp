// termios2 is the only interface that sets rates outside the fixed B-constants (14400,
// 56000, 128000, 256000), and its kernel header clashes with <termios.h>: this file must
// never include that header.
#include "CSerialLineSetup.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "CQuarnPrinterException.h"
#include "CSerialPort.h"

namespace {

constexpr unsigned char kXon = 0x11;
constexpr unsigned char kXoff = 0x13;

struct StandardRate {
    std::int32_t baud;
    tcflag_t code;
};

constexpr StandardRate kStandardRates[] = {{110, B110},     {300, B300},     {600, B600},     {1200, B1200},
                                           {2400, B2400},   {4800, B4800},   {9600, B9600},   {19200, B19200},
                                           {38400, B38400}, {57600, B57600}, {115200, B115200}};

// Standard rates keep their B-constant so that tools reading the line with the plain
// termios calls see the usual value; any other rate goes to the driver as a number.
void SetRate(termios2& line, std::int32_t baud)
{
    line.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    line.c_ispeed = line.c_ospeed = static_cast<speed_t>(baud);
    for (const auto& rate : kStandardRates) {
        if (rate.baud == baud) {
            line.c_cflag |= rate.code;
            return;
        }
    }
    line.c_cflag |= BOTHER;
}

int SetFraming(termios2& line, std::int32_t dataBits, std::int32_t parity, std::int32_t stopBits)
{
    static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    if (dataBits < 5 || dataBits > 8) return errDataBits;
    line.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    line.c_cflag |= sizes[dataBits - 5];

    switch (parity) {
    case CSerialPort::NOPARITY: break;
    case CSerialPort::ODDPARITY: line.c_cflag |= PARENB | PARODD; break;
    case CSerialPort::EVENPARITY: line.c_cflag |= PARENB; break;
    case CSerialPort::MARKPARITY: line.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case CSerialPort::SPACEPARITY: line.c_cflag |= PARENB | CMSPAR; break;
    default: return errParity;
    }

    // termios cannot ask for one and a half stop bits; a document that holds it gets one.
    switch (stopBits) {
    case CSerialPort::ONESTOPBIT:
    case CSerialPort::ONE5STOPBITS: break;
    case CSerialPort::TWOSTOPBITS: line.c_cflag |= CSTOPB; break;
    default: return errStopBits;
    }
    return 0;
}

void SetFlowControl(termios2& line, std::int32_t flowControl)
{
    if (flowControl != CSerialPort::FLOW_XONXOFF && flowControl != CSerialPort::FLOW_HARDWARE)
        return;  // keep what the device had

    line.c_iflag &= ~(IXON | IXOFF | IXANY);
    line.c_cflag &= ~CRTSCTS;
    if (flowControl == CSerialPort::FLOW_XONXOFF)
        line.c_iflag |= IXON;  // the printer may pause us; we never pause the printer
    else
        line.c_cflag |= CRTSCTS;
    line.c_cc[VSTART] = kXon;
    line.c_cc[VSTOP] = kXoff;
}

}  // namespace

int CSerialLineSetup::ApplyTo(int fd) const
{
    termios2 line{};
    if (::ioctl(fd, TCGETS2, &line) != 0) return errInvalidParameter;
    if (const int refused = ShapeLine(line)) return refused;
    return ::ioctl(fd, TCSETS2, &line) == 0 ? 0 : int{errInvalidParameter};
}

int CSerialLineSetup::ShapeLine(termios2& line) const
{
    if (m_nBaudRate <= 0) return errBaudRate;

    // Raw bytes both ways; the parity-check flag stays as the device reported it.
    line.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC);
    line.c_oflag &= ~OPOST;
    line.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    line.c_cflag |= CLOCAL | CREAD;
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;

    SetRate(line, m_nBaudRate);
    if (const int refused = SetFraming(line, m_nDataBits, m_nParity, m_nStopBits)) return refused;
    SetFlowControl(line, m_nFlowControl);
    return 0;
}
