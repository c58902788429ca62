#include "singleapplication.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace {

QString lockDirectory(const QString &requested)
{
    if (!requested.isEmpty())
        return requested;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

} // namespace

InstanceLock::InstanceLock(const QString &identifier, const QString &directory)
{
    const QString dir = lockDirectory(directory);
    QDir().mkpath(dir);
    // The user name keeps two users of a shared temporary directory apart.
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    m_fileName = dir + QLatin1Char('/') + identifier +
                 (user.isEmpty() ? QString() : QLatin1Char('-') + user) + QStringLiteral(".lock");
    m_lock = std::make_unique<QLockFile>(m_fileName);
    // Never treat a lock as stale by age: only a lock whose process is gone is.
    m_lock->setStaleLockTime(0);
    m_locked = m_lock->tryLock(0);
    if (!m_locked)
        m_heldElsewhere = m_lock->error() == QLockFile::LockFailedError;
}

InstanceLock::~InstanceLock()
{
    if (m_locked)
        m_lock->unlock();
}

SingleApplication::SingleApplication(const QString &identifier, int &argc, char **argv)
    : QApplication(argc, argv), m_instanceLock(identifier)
{
}

SingleApplication::~SingleApplication() = default;

bool SingleApplication::isRunning() const
{
    return m_instanceLock.heldElsewhere();
}
