// The boot capture reader on any bytes as a boot line recording
// (analysis/capturefile.*), from a buffer and from a stream handing out a
// few bytes at a time: both give the same samples; every value taken is a
// number; the capture found in them starts at time 0, its times never go
// back and it holds no more samples than the file.
#include "analysis/capturefile.h"
#include "fuzzcheck.h"
#include "tests/support/piecedevice.h"

#include <QBuffer>
#include <QByteArray>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int piece = 1 + data[0] % 13;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    bootprofile::CaptureFileError error;
    const std::optional<bootprofile::SampleSeries> whole =
        bootprofile::parseRecording(buffer, &error);
    testbench::PieceDevice trickle(bytes, piece);
    bootprofile::CaptureFileError trickleError;
    const std::optional<bootprofile::SampleSeries> pieces =
        bootprofile::parseRecording(trickle, &trickleError);
    FUZZ_CHECK(whole.has_value() == pieces.has_value());
    if (!whole) {
        FUZZ_CHECK(error.kind == bootprofile::CaptureFileError::NotCapture);
        return 0;
    }
    FUZZ_CHECK(whole->atUs == pieces->atUs && whole->trigger == pieces->trigger &&
                   whole->gapBefore == pieces->gapBefore,
               "%d and %d samples", whole->size(), pieces->size());
    for (int i = 0; i < whole->size(); ++i) {
        FUZZ_CHECK(whole->amps[size_t(i)] == pieces->amps[size_t(i)]);
        FUZZ_CHECK(std::isfinite(whole->amps[size_t(i)]) && std::isfinite(whole->volts[size_t(i)]));
    }

    int start = -1;
    const std::optional<bootprofile::Capture> capture =
        bootprofile::firstCapture(*whole, 0.005, bootprofile::Capturer::kMaxLengthUs, &start);
    if (!capture)
        return 0;
    FUZZ_CHECK(start >= 0 && start < whole->size());
    FUZZ_CHECK(!capture->samples.empty() && capture->samples.front().atUs == 0);
    FUZZ_CHECK(int(capture->samples.size()) <= whole->size() - start);
    for (size_t i = 1; i < capture->samples.size(); ++i)
        FUZZ_CHECK(capture->samples[i].atUs >= capture->samples[i - 1].atUs);
    FUZZ_CHECK(capture->samples.front().amps == whole->amps[size_t(start)]);
    return 0;
}
