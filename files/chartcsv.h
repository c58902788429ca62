// A chart's series as a CSV file: a header "sample,<column>,…" naming each
// series with its unit, then one line per sample number with each series'
// value in its shortest exact form ("5.00125", "0.48"), so the file holds the
// values as the chart does. A series shorter than the others leaves its
// cells empty on the lines it has no value for. Qt Core only.
#pragma once

#include "files/chartfile.h"

#include <QByteArray>
#include <QList>

class QIODevice;

namespace chartcsv {

// Writes `columns.size()` series (series[k] under columns[k]) to `out`, in
// large blocks, the first line numbered `firstSample` (a span of a chart
// keeps its sample numbers). False as soon as a write fails.
bool write(QIODevice &out, const QList<QByteArray> &columns, const chartfile::ValueSeries series[],
           qint64 firstSample = 0);

} // namespace chartcsv
