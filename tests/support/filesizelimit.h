// A limit on the size of the files this process writes, as a full disk
// would set one: a write beyond it fails (and raises no signal).
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace testbench {

// For the lifetime of the object.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace testbench
