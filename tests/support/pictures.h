// Reading exported pictures back: the text of a PDF file, the page size it
// declares, and the pixels of a PNG by their colour.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

namespace testbench {

// The text of a PDF file as pdftotext (poppler-utils) extracts it, UTF-8.
// The running test fails, with the reason, when the file cannot be read or
// pdftotext is missing; the result is then empty.
QString pdfText(const QString &fileName);

// The page size a PDF file declares (its first "/MediaBox"), in points
// rounded; empty when there is none.
QSize pdfPageSize(const QString &fileName);

// How many pixels of the image lie within `tolerance` of the colour in each
// of red, green and blue.
int pixelsNear(const QImage &image, const QColor &colour, int tolerance = 0);

} // namespace testbench
