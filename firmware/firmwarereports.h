#pragma once

#include <QtGlobal>

// The reports of a firmware transfer, and the progress shown while it runs.
// An instrument in firmware-update mode takes an image of up to 1 MiB: a size
// announcement, a begin command, the image in data reports of 60 bytes each,
// and an end command.
namespace firmware {

constexpr qint64 kMaxImageSize = 1048576;
constexpr int kChunkSize = 60;       // image bytes in one data report
constexpr int kReadBufferSize = 128; // the transfer's input buffer; a read fills 64 bytes of it

constexpr quint8 kBeginCommand = 0x01;
constexpr quint8 kReadyCode = 0x02; // the device's answer: ready for the next data report
constexpr quint8 kDataCommand = 0x03;
constexpr quint8 kEndCommand = 0x04;
constexpr quint8 kSizeCommand = 0x05;

constexpr int kSizeField = 17; // image size, 32-bit big-endian, in the announcement and the begin
constexpr int kDataField = 5;  // first image byte of a data report

// The size announcement: command 0x05, the size at bytes 17-20, the rest zero.
void buildAnnouncement(quint8 *out, quint32 imageSize);
// The begin command: the announcement with command 0x01, so it carries the
// size as well.
void buildBegin(quint8 *out, quint32 imageSize);
// The data report of the 60 image bytes from `offset` on; bytes past the end
// of the image are zero. The report carries no address: its place in the
// sequence is its address.
void buildDataReport(quint8 *out, const char *image, qint64 imageSize, qint64 offset);
// The end command: 0x04 and zeros.
void buildEndReport(quint8 *out);

// Data reports an image takes: one per 60 bytes, the last one partly filled.
qint64 dataReportCount(qint64 imageSize);

// The progress bar leaves its value as it is.
constexpr int kKeepProgress = -1;

// The progress bar's value (0-100) once `sent` image bytes have gone out:
// 100 once the whole image has gone, whatever its size. Before that, for an
// image of 100 bytes or more, the sent bytes counted in whole hundredths of
// the image (the hundredth rounded down), or kKeepProgress where that count
// exceeds 100 (images of a few hundred bytes near their end); for a smaller
// image, the sent share in percent, rounded down.
int progressValue(qint64 sent, qint64 imageSize);

} // namespace firmware
