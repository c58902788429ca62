// Number text of the chart data files, fast: parsing a token without building
// a QString for it, and writing a value in fixed-point notation without a
// printf call. Both give exactly what their slow counterparts give, so files
// read and written through them are the same as through Qt and printf.
// Qt Core only.
#pragma once

#include <QtGlobal>

namespace fastnumber {

// What QString::fromLatin1(text, length).toDouble(ok) returns, for any bytes.
// The usual decimal forms are converted directly; anything unusual (letters
// other than an exponent, bytes above 0x7F, out-of-range results) is handed to
// QString::toDouble itself, so that the two never disagree.
double toDouble(const char *text, qsizetype length, bool *ok = nullptr);

// Most decimals writeFixed() takes.
constexpr int kMaxDecimals = 9;
// Longest text writeFixed() produces: sign, the 309 integer digits of the
// largest double, the point and kMaxDecimals decimals ("nan" and "inf" are
// shorter).
constexpr int kMaxFixedLength = 1 + 309 + 1 + kMaxDecimals;

// Writes `value` as printf("%.*f", decimals, value) would (C locale, the
// default rounding mode), byte for byte, huge, negative, negative zero,
// infinite and NaN values included; `decimals` is 0 to kMaxDecimals. Writes
// no terminating zero and returns the end of what it wrote; `out` must have
// room for kMaxFixedLength + 1 bytes.
char *writeFixed(char *out, double value, int decimals);

} // namespace fastnumber
