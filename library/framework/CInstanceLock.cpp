#include "CInstanceLock.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

// Every holder keeps a shared lock on the file. Open-file-description locks are used because
// they belong to the descriptor, not the process (two lists in one process see each other),
// and because turning an exclusive lock into a shared one is atomic, so no second holder can
// slip in between the test and the downgrade.
CInstanceLock::CInstanceLock(const CString& name)
{
    const QByteArray path = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + QString::fromLocal8Bit(name) +
                                              QStringLiteral(".lock"));
    m_hFile = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_hFile == -1) return;  // as a guard that cannot be made: nobody else is known

    if (Lock(F_OFD_SETLK, F_WRLCK)) {
        Lock(F_OFD_SETLK, F_RDLCK);
        return;
    }
    if (errno != EAGAIN && errno != EACCES) {
        ::close(m_hFile);
        m_hFile = -1;
        return;
    }
    m_bOtherHolder = true;
    // Waits only while a newcomer holds the exclusive lock for its test.
    while (!Lock(F_OFD_SETLKW, F_RDLCK) && errno == EINTR) {
    }
}

CInstanceLock::~CInstanceLock()
{
    if (m_hFile != -1) ::close(m_hFile);
}

bool CInstanceLock::Lock(int command, short type)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return ::fcntl(m_hFile, command, &lock) == 0;
}
