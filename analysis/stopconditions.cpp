#include "analysis/stopconditions.h"

#include "engine/meterengine.h"
#include "engine/powerengine.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace stopcond {

namespace {

// Charge and energy add up span by span: a total meant to land exactly on a
// value may fall short of it by the last bits of a double.
constexpr double kCountSlack = 1e-9;

constexpr qint64 kSecondUs = 1000000;
constexpr qint64 kMinuteUs = 60 * kSecondUs;
constexpr qint64 kHourUs = 60 * kMinuteUs;

qint64 timeUs(double seconds)
{
    return qint64(std::llround(seconds * 1e6));
}

bool countReached(double counted, double value)
{
    return counted >= value - kCountSlack * std::max(1.0, std::abs(value));
}

// A unit and what a value in it is in the condition's own unit: times
// `times`, or over 1000 (a division, so that 3300 mV is 3.3 V to the last
// bit, as 3.3 V typed is).
struct Unit {
    const char *name;
    double times;
    bool milli;
};

bool valueInUnits(const QString &number, const QString &unit, std::initializer_list<Unit> units,
                  double *value)
{
    for (const Unit &u : units) {
        if (unit == QLatin1String(u.name)) {
            *value = u.milli ? number.toDouble() / 1000 : number.toDouble() * u.times;
            return true;
        }
    }
    return false;
}

} // namespace

QString numberText(double value, int minDecimals)
{
    QString text = QString::number(value, 'f', 6);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    const int point = text.indexOf(QLatin1Char('.'));
    const int decimals = point < 0 ? 0 : text.size() - point - 1;
    if (decimals < minDecimals)
        text += (point < 0 ? QStringLiteral(".") : QString()) +
                QString(minDecimals - decimals, QLatin1Char('0'));
    return text;
}

QString durationText(qint64 us)
{
    if (us >= 10 * kMinuteUs && us % kHourUs == 0)
        return QStringLiteral("%1h").arg(us / kHourUs);
    if (us >= 10 * kMinuteUs && us % kMinuteUs == 0)
        return QStringLiteral("%1m").arg(us / kMinuteUs);
    return numberText(double(us) / kSecondUs) + QLatin1Char('s');
}

QString conditionText(const Condition &condition)
{
    QString text;
    switch (condition.kind) {
    case Kind::CurrentBelow:
        text = QStringLiteral("current<%1mA").arg(numberText(condition.value * 1000));
        break;
    case Kind::VoltageBelow:
        text = QStringLiteral("voltage<%1V").arg(numberText(condition.value, 1));
        break;
    case Kind::VoltageAbove:
        text = QStringLiteral("voltage>%1V").arg(numberText(condition.value, 1));
        break;
    case Kind::ChargeAtLeast:
        text = QStringLiteral("charge>=%1mAh").arg(numberText(condition.value));
        break;
    case Kind::EnergyAtLeast:
        text = QStringLiteral("energy>=%1mWh").arg(numberText(condition.value));
        break;
    case Kind::TimeAtLeast:
        text = QStringLiteral("time>=%1").arg(durationText(timeUs(condition.value)));
        break;
    }
    if (condition.holds() && condition.holdUs > 0)
        text += QStringLiteral(" for ") + durationText(condition.holdUs);
    return text;
}

bool parseDuration(const QString &text, qint64 *us)
{
    static const QRegularExpression form(
        QStringLiteral("^([0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(ms|s|m|min|h)?$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    const double value = match.captured(1).toDouble();
    const QString unit = match.captured(2);
    double seconds = value;
    if (unit == QLatin1String("ms"))
        seconds = value / 1000;
    else if (unit == QLatin1String("m") || unit == QLatin1String("min"))
        seconds = value * 60;
    else if (unit == QLatin1String("h"))
        seconds = value * 3600;
    if (!(seconds >= 0) || seconds > 1e9)
        return false;
    *us = qint64(seconds * 1e6 + 0.5);
    return true;
}

bool parseCondition(const QString &text, Condition *condition, QString *error)
{
    static const QRegularExpression form(
        QStringLiteral("^([a-z]*)\\s*(<=|>=|=>|=<|<|>|=)?\\s*(.*?)(?:\\s+for\\s*(.*))?$"));
    static const QRegularExpression amount(
        QStringLiteral("^([0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)\\s*([a-z]*)$"));
    const QString simplified = text.simplified().toLower();
    const QRegularExpressionMatch match = form.match(simplified);
    auto fail = [error, &text](const QString &why) {
        if (error)
            *error = QStringLiteral("'%1': %2").arg(text, why);
        return false;
    };
    const QString quantity = match.captured(1);
    const QString relation = match.captured(2);
    const QString valueText = match.captured(3).trimmed();
    const bool hasHold = match.capturedStart(4) >= 0;
    const QString holdText = match.captured(4).remove(QLatin1Char(' '));

    Condition c;
    QString wanted;
    if (quantity == QLatin1String("current")) {
        wanted = QStringLiteral("<");
        c.kind = Kind::CurrentBelow;
    } else if (quantity == QLatin1String("voltage")) {
        wanted = QStringLiteral("< or >");
        c.kind = relation == QLatin1String(">") ? Kind::VoltageAbove : Kind::VoltageBelow;
    } else if (quantity == QLatin1String("charge")) {
        wanted = QStringLiteral(">=");
        c.kind = Kind::ChargeAtLeast;
    } else if (quantity == QLatin1String("energy")) {
        wanted = QStringLiteral(">=");
        c.kind = Kind::EnergyAtLeast;
    } else if (quantity == QLatin1String("time")) {
        wanted = QStringLiteral(">=");
        c.kind = Kind::TimeAtLeast;
    } else {
        return fail(QStringLiteral("say what to watch: current, voltage, charge, energy or "
                                   "time (as in current<50mA for 60s)"));
    }
    if (!wanted.split(QStringLiteral(" or ")).contains(relation))
        return fail(QStringLiteral("%1 takes %2 (as in %3)")
                        .arg(quantity, wanted,
                             quantity == QLatin1String("current")   ? "current<50mA for 60s"
                             : quantity == QLatin1String("voltage") ? "voltage<3.0V"
                             : quantity == QLatin1String("charge")  ? "charge>=2000mAh"
                             : quantity == QLatin1String("energy")  ? "energy>=500mWh"
                                                                    : "time>=2h"));
    if (hasHold && !c.holds())
        return fail(QStringLiteral("only current and voltage take 'for'"));

    if (c.kind == Kind::TimeAtLeast) {
        qint64 us = 0;
        if (!parseDuration(QString(valueText).remove(QLatin1Char(' ')), &us))
            return fail(QStringLiteral("'%1' is not a time (90s, 10m, 2h)").arg(valueText));
        c.value = double(us) / kSecondUs;
    } else {
        const QRegularExpressionMatch m = amount.match(valueText);
        if (!m.hasMatch())
            return fail(QStringLiteral("'%1' is not a number with its unit").arg(valueText));
        const QString unit = m.captured(2);
        bool known = false;
        QString units;
        switch (c.kind) {
        case Kind::CurrentBelow:
            known = valueInUnits(m.captured(1), unit, {{"ma", 1, true}, {"a", 1, false}}, &c.value);
            units = QStringLiteral("mA or A");
            break;
        case Kind::VoltageBelow:
        case Kind::VoltageAbove:
            known = valueInUnits(m.captured(1), unit, {{"mv", 1, true}, {"v", 1, false}}, &c.value);
            units = QStringLiteral("mV or V");
            break;
        case Kind::ChargeAtLeast:
            known = valueInUnits(m.captured(1), unit, {{"mah", 1, false}, {"ah", 1000, false}},
                                 &c.value);
            units = QStringLiteral("mAh or Ah");
            break;
        case Kind::EnergyAtLeast:
            known = valueInUnits(m.captured(1), unit, {{"mwh", 1, false}, {"wh", 1000, false}},
                                 &c.value);
            units = QStringLiteral("mWh or Wh");
            break;
        case Kind::TimeAtLeast:
            break;
        }
        if (!known)
            return fail(QStringLiteral("'%1' needs the unit %2").arg(valueText, units));
    }
    if (!(c.value > 0) || c.value > 1e9)
        return fail(QStringLiteral("the value must be above 0"));
    if (hasHold && !parseDuration(holdText, &c.holdUs))
        return fail(QStringLiteral("'for %1' is not a time (90s, 10m, 2h)").arg(holdText));
    *condition = c;
    return true;
}

// ---------------------------------------------------------------------------
// An armed set

StopConditions::~StopConditions()
{
    if (mUnfollow)
        mUnfollow();
}

void StopConditions::arm(const Setup &setup, qint64 atUs)
{
    mSetup = setup;
    mArmed = !setup.conditions.isEmpty();
    mFired = false;
    mArmedUs = atUs;
    mFiredUs = 0;
    mMet.clear();
    mCount.reset();
    mHeldSinceUs = QList<qint64>();
    for (int i = 0; i < setup.conditions.size(); ++i)
        mHeldSinceUs << -1;
    mLatestUs = -1;
    mSkipped = 0;
}

void StopConditions::disarm()
{
    arm(Setup(), 0);
}

bool StopConditions::timeMet(qint64 nowUs, const Condition &condition) const
{
    return nowUs - mArmedUs >= timeUs(condition.value);
}

void StopConditions::addSample(const engine::Sample &sample)
{
    if (!isArmed() || sample.atUs < mArmedUs)
        return;
    mCount.add(sample.atUs, sample.amps, sample.watts);
    mLatestUs = sample.atUs;
    mLatestVolts = sample.volts;
    mLatestAmps = sample.amps;
    for (int i = 0; i < mSetup.conditions.size(); ++i) {
        const Condition &c = mSetup.conditions[i];
        bool met = false;
        switch (c.kind) {
        case Kind::CurrentBelow:
        case Kind::VoltageBelow:
        case Kind::VoltageAbove: {
            const bool past = c.kind == Kind::CurrentBelow   ? sample.amps < c.value
                              : c.kind == Kind::VoltageBelow ? sample.volts < c.value
                                                             : sample.volts > c.value;
            qint64 &since = mHeldSinceUs[i];
            if (!past)
                since = -1; // a flicker back starts the time again
            else if (since < 0)
                since = sample.atUs;
            met = past && sample.atUs - since >= c.holdUs;
            break;
        }
        case Kind::ChargeAtLeast:
            met = countReached(mCount.chargeMah, c.value);
            break;
        case Kind::EnergyAtLeast:
            met = countReached(mCount.energyMwh, c.value);
            break;
        case Kind::TimeAtLeast:
            met = timeMet(sample.atUs, c);
            break;
        }
        if (met)
            mMet << i;
    }
    if (!mMet.isEmpty())
        fire(sample.atUs);
}

void StopConditions::addGap(qint64 atUs)
{
    Q_UNUSED(atUs)
    if (!isArmed())
        return;
    mCount.breakHere();
    for (qint64 &since : mHeldSinceUs)
        since = -1;
    mLatestUs = -1;
}

void StopConditions::tick(qint64 nowUs)
{
    if (!isArmed())
        return;
    for (int i = 0; i < mSetup.conditions.size(); ++i) {
        const Condition &c = mSetup.conditions[i];
        if (c.kind == Kind::TimeAtLeast && timeMet(nowUs, c))
            mMet << i;
    }
    if (!mMet.isEmpty())
        fire(nowUs);
}

void StopConditions::fire(qint64 atUs)
{
    mFired = true;
    mFiredUs = atUs;
    if (mSetup.actions.outputOff && mSwitchOutputOff)
        mSwitchOutputOff();
    if (fired)
        fired();
}

Progress StopConditions::progress(int index, qint64 nowUs) const
{
    Progress p;
    if (index < 0 || index >= mSetup.conditions.size())
        return p;
    const Condition &c = mSetup.conditions[index];
    p.met = mMet.contains(index);
    switch (c.kind) {
    case Kind::CurrentBelow:
    case Kind::VoltageBelow:
    case Kind::VoltageAbove: {
        p.hasValue = mLatestUs >= 0;
        p.value = c.kind == Kind::CurrentBelow ? mLatestAmps : mLatestVolts;
        const qint64 since = mHeldSinceUs.value(index, -1);
        if (p.hasValue && since >= 0)
            p.heldSeconds = double(mLatestUs - since) / kSecondUs;
        break;
    }
    case Kind::ChargeAtLeast:
        p.hasValue = true;
        p.value = mCount.chargeMah;
        break;
    case Kind::EnergyAtLeast:
        p.hasValue = true;
        p.value = mCount.energyMwh;
        break;
    case Kind::TimeAtLeast:
        p.hasValue = true;
        // A fired set's time stands where it fired.
        p.value = double(qMax<qint64>((mFired ? mFiredUs : nowUs) - mArmedUs, 0)) / kSecondUs;
        break;
    }
    return p;
}

QString StopConditions::firedText() const
{
    QStringList texts;
    for (int index : mMet)
        texts << conditionText(mSetup.conditions[index]);
    return texts.join(QStringLiteral("; "));
}

void StopConditions::follow(MeterEngine &engine)
{
    const int id = engine.listeners.add({[this](const meter::Answer &answer) {
                                             if (!isArmed() || answer.count == 0 || !answer.rate)
                                                 return;
                                             // One report in so many at the slow rates, as the
                                             // chart and a recording take them.
                                             if (!meter::takeAtRate(mSkipped, *answer.rate))
                                                 return;
                                             for (int n = 0; n < answer.count; ++n)
                                                 addSample(answer.samples[n]);
                                         },
                                         [this](qint64 atUs) { addGap(atUs); }});
    mUnfollow = [&engine, id] { engine.listeners.remove(id); };
}

void StopConditions::follow(PowerEngine &engine)
{
    const int id =
        engine.listeners.add({[this](const power::Answer &answer) { addSample(answer.sample); },
                              [this](qint64 atUs) { addGap(atUs); }});
    mUnfollow = [&engine, id] { engine.listeners.remove(id); };
    mSwitchOutputOff = [&engine] { engine.switchOutputOff(); };
}

} // namespace stopcond
