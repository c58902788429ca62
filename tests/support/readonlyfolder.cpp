#include "readonlyfolder.h"

#include <QDir>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testbench {

namespace {

constexpr quint32 kDacOverride = 1u << CAP_DAC_OVERRIDE;

// The calling thread's capabilities (the raw calls act on this thread only).
bool capabilities(__user_cap_data_struct (&data)[_LINUX_CAPABILITY_U32S_3])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}

bool setCapabilities(__user_cap_data_struct (&data)[_LINUX_CAPABILITY_U32S_3])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data) == 0;
}

// Root's override of file permissions off (false) or back on (true), where
// the thread has it.
bool setOverride(bool on)
{
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (!capabilities(data))
        return false;
    if (on)
        data[0].effective |= kDacOverride & data[0].permitted;
    else
        data[0].effective &= ~kDacOverride;
    return setCapabilities(data);
}

bool overrideInEffect()
{
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    return capabilities(data) && (data[0].effective & kDacOverride);
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString &path) : m_path(path)
{
    m_savedPermissions = QFile::permissions(path);
    const QFile::Permissions readAndEnter = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser |
                                            QFile::ExeUser | QFile::ReadGroup | QFile::ExeGroup |
                                            QFile::ReadOther | QFile::ExeOther;
    if (!QFile::setPermissions(path, readAndEnter))
        return;
    if (overrideInEffect())
        m_overrideDropped = setOverride(false);
    // The proof: a new file cannot be made there.
    QFile probe(QDir(path).filePath(QStringLiteral(".probe")));
    m_ok = !probe.open(QIODevice::WriteOnly);
    if (!m_ok)
        probe.remove();
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (m_overrideDropped)
        setOverride(true);
    QFile::setPermissions(m_path, m_savedPermissions);
}

} // namespace testbench
