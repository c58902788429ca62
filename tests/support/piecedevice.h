// A read-only stream that hands its bytes over at most `piece` at a time and
// cannot seek, so that a reader meets its input cut at every place a read may
// cut it; on request it fails once `failAt` bytes have been read. Header
// only: the fuzz targets use it without the rest of the test support.
#pragma once

#include <QByteArray>
#include <QIODevice>

#include <algorithm>

namespace testbench {

class PieceDevice : public QIODevice {
public:
    PieceDevice(const QByteArray &bytes, qint64 piece, qint64 failAt = -1)
        : m_bytes(bytes), m_piece(piece), m_failAt(failAt)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_failAt >= 0 && m_at >= m_failAt)
            return -1;
        qint64 n = std::min({maxSize, m_piece, qint64(m_bytes.size()) - m_at});
        if (m_failAt >= 0)
            n = std::min(n, m_failAt - m_at);
        std::copy_n(m_bytes.constData() + m_at, n, data);
        m_at += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_piece;
    qint64 m_failAt;
    qint64 m_at = 0;
};

} // namespace testbench
