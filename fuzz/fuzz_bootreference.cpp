// The boot reference reader on any bytes (analysis/referencefile.*): what it
// takes is within the format's limits and says "format":
// "quorvaline-boot-reference"; written again and read back it gives the
// same text (unknown fields and all); a band and a check made of it hold
// their samples against a mask whose low is not above its high; what it
// refuses comes with a reason.
#include "analysis/bootprofile.h"
#include "analysis/referencefile.h"
#include "fuzzcheck.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

// Qt's JSON parser leaks inside QJsonDocument::fromJson on a key given twice
// (tests/lsan.supp); the leak check knows it by that frame only when the
// allocation's stack is unwound in full, which the fast unwinder does not do
// through Qt's frames.
extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    bootprofile::FileError error;
    const std::optional<bootprofile::Reference> r = bootprofile::fromJson(bytes, &error);
    if (!r) {
        FUZZ_CHECK(error.kind != bootprofile::FileError::None);
        FUZZ_CHECK(!bootprofile::errorText(error).isEmpty());
        return 0;
    }
    FUZZ_CHECK(error.kind == bootprofile::FileError::None);
    FUZZ_CHECK(QJsonDocument::fromJson(bytes).object().value(QStringLiteral("format")).toString() ==
               QLatin1String(bootprofile::kFormatName));
    FUZZ_CHECK(r->bins() >= 1 && r->bins() <= bootprofile::kMaxBins && r->high.size() == r->bins());
    FUZZ_CHECK(r->binUs >= 100 && r->binUs <= 60000000, "bin %lld", r->binUs);
    for (int k = 0; k < r->bins(); ++k) {
        FUZZ_CHECK(std::isfinite(r->low[k]) && std::isfinite(r->high[k]));
        FUZZ_CHECK(r->low[k] <= r->high[k] && std::abs(r->low[k]) <= 1000 &&
                   std::abs(r->high[k]) <= 1000);
    }
    for (const double t : {r->tolerance.absMilliamps, r->tolerance.relPercent, r->tolerance.timeMs})
        FUZZ_CHECK(std::isfinite(t) && t >= 0);
    for (const bootprofile::Phase &p : r->phases)
        FUZZ_CHECK(p.fromUs >= 0 && p.fromUs < p.toUs);

    // Written and read back: the same reference, and the same text again.
    const QByteArray written = bootprofile::toJson(*r);
    const std::optional<bootprofile::Reference> back = bootprofile::fromJson(written, &error);
    FUZZ_CHECK(back, "written text refused: %s", qPrintable(bootprofile::errorText(error)));
    FUZZ_CHECK(back->bins() == r->bins() && back->binUs == r->binUs &&
               back->phases.size() == r->phases.size() && back->name == r->name);
    FUZZ_CHECK(bootprofile::toJson(*back) == written);

    // The check on it: a few samples across and past its length.
    bootprofile::Check check(*r);
    const qint64 length = check.band().lengthUs();
    for (qint64 t = 0; t <= length; t += std::max<qint64>(1, length / 7)) {
        const bootprofile::Mask mask = check.band().maskAt(t);
        FUZZ_CHECK(mask.low <= mask.high);
        check.add(t, r->low[0]);
    }
    check.finish(length);
    FUZZ_CHECK(check.state() == bootprofile::State::Passed ||
               check.state() == bootprofile::State::Failed);
    FUZZ_CHECK(!bootprofile::verdictText(check, bootprofile::englishWords(), 0.005).isEmpty());
    return 0;
}
