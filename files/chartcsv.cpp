#include "chartcsv.h"

#include <QIODevice>
#include <QLocale>

namespace chartcsv {

namespace {
constexpr int kBlockBytes = 1 << 20;
}

bool write(QIODevice &out, const QList<QByteArray> &columns, const chartfile::ValueSeries series[],
           qint64 firstSample)
{
    QByteArray block = "sample";
    qint64 lines = 0;
    for (int k = 0; k < columns.size(); ++k) {
        block += ',' + columns[k];
        lines = qMax(lines, series[k].count);
    }
    block += '\n';
    block.reserve(kBlockBytes + 4096);

    for (qint64 i = 0; i < lines; ++i) {
        block += QByteArray::number(firstSample + i);
        for (int k = 0; k < columns.size(); ++k) {
            block += ',';
            if (i < series[k].count)
                block += QByteArray::number(series[k][i], 'g', QLocale::FloatingPointShortest);
        }
        block += '\n';
        if (block.size() >= kBlockBytes) {
            if (out.write(block) != block.size())
                return false;
            block.resize(0); // keeps the reserved room
        }
    }
    return out.write(block) == block.size();
}

} // namespace chartcsv
