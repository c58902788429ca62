#include "fastnumber.h"

#include <QString>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace fastnumber {

namespace {

// Powers of ten that doubles hold exactly.
constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactPow10 = 22;
constexpr quint64 kExactIntegerLimit = quint64(1) << 53;
constexpr int kMaxFastDigits = 19;   // significant digits that always fit in 64 bits
constexpr int kExponentCap = 100000; // far beyond any double; stops int overflow

// The white space QString::toDouble drops around a number, within ASCII.
bool isAsciiSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

double referenceToDouble(const char *text, qsizetype length, bool *ok)
{
    return QString::fromLatin1(text, int(length)).toDouble(ok);
}

} // namespace

double toDouble(const char *text, qsizetype length, bool *ok)
{
    bool scratch = false;
    bool &converted = ok ? *ok : scratch;

    const char *begin = text;
    const char *end = text + length;
    while (begin < end && isAsciiSpace(*begin))
        ++begin;
    while (end > begin && isAsciiSpace(end[-1]))
        --end;
    if (begin == end) {
        converted = false; // empty, or ASCII white space only
        return 0;
    }

    // [+-] digits [. digits] [(e|E) [+-] digits], at least one mantissa digit.
    const char *s = begin;
    const bool negative = *s == '-';
    if (*s == '+' || *s == '-')
        ++s;
    quint64 mantissa = 0;
    int significant = 0; // digits in the mantissa, leading zeros not counted
    int scale = 0;       // the value is mantissa x 10^scale
    bool anyDigit = false;
    bool tooLong = false;
    auto takeDigits = [&](bool fraction) {
        for (; s < end && isDigit(*s); ++s) {
            anyDigit = true;
            if (mantissa == 0 && *s == '0') {
                scale -= fraction;
            } else if (significant < kMaxFastDigits) {
                mantissa = mantissa * 10 + quint64(*s - '0');
                ++significant;
                scale -= fraction;
            } else {
                tooLong = true;
            }
        }
    };
    takeDigits(false);
    if (s < end && *s == '.') {
        ++s;
        takeDigits(true);
    }
    if (!anyDigit)
        return referenceToDouble(text, length, ok);
    if (s < end && (*s == 'e' || *s == 'E')) {
        ++s;
        const bool exponentNegative = s < end && *s == '-';
        if (s < end && (*s == '+' || *s == '-'))
            ++s;
        if (s == end || !isDigit(*s))
            return referenceToDouble(text, length, ok);
        int exponent = 0;
        for (; s < end && isDigit(*s); ++s) {
            if (exponent < kExponentCap)
                exponent = exponent * 10 + (*s - '0');
        }
        scale += exponentNegative ? -exponent : exponent;
    }
    if (s != end)
        return referenceToDouble(text, length, ok);

    // Both operands exact, so the one multiplication or division rounds
    // correctly: the nearest double, as any correct conversion gives.
    if (!tooLong && mantissa <= kExactIntegerLimit && scale >= -kMaxExactPow10 &&
        scale <= kMaxExactPow10) {
        double value = double(mantissa);
        value = scale < 0 ? value / kExactPow10[-scale] : value * kExactPow10[scale];
        converted = true;
        return negative ? -value : value;
    }

    // Long digit strings and large exponents: a correctly rounded conversion
    // too, unless the result overflows or underflows, where Qt's own rules for
    // the returned value and the flag apply.
    double value = 0;
    const char *from = *begin == '+' ? begin + 1 : begin;
    const std::from_chars_result result = std::from_chars(from, end, value);
    if (result.ec == std::errc() && result.ptr == end) {
        converted = true;
        return value;
    }
    return referenceToDouble(text, length, ok);
}

namespace {

// Below this magnitude the integer part fits 64 bits and the fraction is exact.
constexpr double kFastMagnitude = 1e15;
// Closer than this to a tie between two last digits, the rounded product
// (error at most 2^-53 x 10^9, about 1.1e-7) cannot tell the side: the exact
// residual of the product decides.
constexpr double kTieMargin = 1e-6;

char *printfFixed(char *out, double value, int decimals)
{
    const int written = std::snprintf(out, kMaxFixedLength + 1, "%.*f", decimals, value);
    return out + qBound(0, written, kMaxFixedLength);
}

} // namespace

char *writeFixed(char *out, double value, int decimals)
{
    decimals = qBound(0, decimals, kMaxDecimals);
    const double magnitude = std::fabs(value);
    if (!(magnitude < kFastMagnitude)) // huge, infinite or NaN
        return printfFixed(out, value, decimals);

    quint64 whole = quint64(magnitude);
    const double part = magnitude - double(whole); // exact
    const double scaled = part * kExactPow10[decimals];
    const double below = double(quint64(scaled)); // floor: scaled is below 10^9
    const double excess = scaled - below;         // exact
    bool up = excess > 0.5;
    if (std::fabs(excess - 0.5) < kTieMargin) {
        // part x 10^decimals is exactly scaled + residual; excess - 0.5 is
        // exact too, and the sign of a rounded sum is the sign of the exact one.
        const double residual = std::fma(part, kExactPow10[decimals], -scaled);
        const double fromTie = (excess - 0.5) + residual;
        if (fromTie == 0)
            return printfFixed(out, value, decimals); // a true tie: printf's own rule
        up = fromTie > 0;
    }
    quint64 fraction = quint64(below) + (up ? 1 : 0);
    const quint64 unit = quint64(kExactPow10[decimals]);
    if (fraction >= unit) {
        fraction -= unit;
        ++whole;
    }

    if (std::signbit(value))
        *out++ = '-';
    char digits[20];
    int count = 0;
    do {
        digits[count++] = char('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    while (count > 0)
        *out++ = digits[--count];
    if (decimals > 0) {
        *out++ = '.';
        for (int i = decimals - 1; i >= 0; --i) {
            out[i] = char('0' + fraction % 10);
            fraction /= 10;
        }
        out += decimals;
    }
    return out;
}

} // namespace fastnumber
