#pragma once

#include <QApplication>
#include <QString>
#include <memory>

class QLockFile;

// A lock held for the life of the process that tells whether another copy of
// the program with the same identifier runs for this user. It is a lock file
// in the user's runtime directory; a copy that crashed or was killed leaves a
// lock whose process no longer exists, which the next start takes over.
class InstanceLock {
public:
    // directory empty: the per-user runtime location.
    explicit InstanceLock(const QString &identifier, const QString &directory = QString());
    ~InstanceLock();

    // True when the lock is held by another running process.
    bool heldElsewhere() const { return !m_locked && m_heldElsewhere; }
    bool isLocked() const { return m_locked; }
    QString fileName() const { return m_fileName; }

private:
    QString m_fileName;
    std::unique_ptr<QLockFile> m_lock;
    bool m_locked = false;
    bool m_heldElsewhere = false;
};

// The application object that refuses to be the second copy of the program:
// constructed with the application identifier, it takes the instance lock,
// and isRunning() reports whether another copy holds it.
class SingleApplication : public QApplication {
    Q_OBJECT
public:
    SingleApplication(const QString &identifier, int &argc, char **argv);
    ~SingleApplication() override;

    bool isRunning() const;

private:
    InstanceLock m_instanceLock;
};
