// A folder that cannot be written into, as a folder made read-only after a
// file dialog would be, also when the tests run as root: its permissions
// become r-x for everyone, and while the object lives the calling thread
// gives up root's override of file permissions (CAP_DAC_OVERRIDE; an
// effective capability of that thread alone, taken back at the end). A
// thread it starts meanwhile starts without the override too, and keeps
// going without it. Files in the folder stay as they are.
#pragma once

#include <QFile>
#include <QString>

namespace testbench {

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &path);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    // Whether a file cannot be made in the folder now (tried once).
    bool ok() const { return m_ok; }

private:
    QString m_path;
    QFile::Permissions m_savedPermissions;
    bool m_overrideDropped = false;
    bool m_ok = false;
};

} // namespace testbench
