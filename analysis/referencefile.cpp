#include "analysis/referencefile.h"

#include "files/regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <cmath>

namespace bootprofile {

namespace {

// The keys this version knows.
const char kFormat[] = "format";
const char kVersion[] = "version";
const char kName[] = "name";
const char kModel[] = "model";
const char kNote[] = "note";
const char kCreated[] = "created";
const char kCaptures[] = "captures";
const char kTolerance[] = "tolerance";
const char kPhases[] = "phases";
const char kBinMs[] = "bin_ms";
const char kEnvelope[] = "envelope_mA";
const char kAbs[] = "abs_mA";
const char kRel[] = "rel_pct";
const char kTime[] = "time_ms";
const char kFrom[] = "from_s";
const char kTo[] = "to_s";

// Limits of the values a file may hold.
constexpr double kMaxMilliamps = 1e6;
constexpr double kMaxTimeMs = 60000;
constexpr double kMaxRelPercent = 1000;
constexpr double kMaxSeconds = 1e5;
constexpr double kMinBinMs = 0.1;
constexpr double kMaxBinMs = 60000;

QJsonObject withoutKeys(QJsonObject object, std::initializer_list<const char *> keys)
{
    for (const char *key : keys)
        object.remove(QLatin1String(key));
    return object;
}

// A number in its shortest form with at most `decimals` decimals ("50",
// "0.4", "12.345"): milliamperes and milliseconds to the thousandth,
// seconds to the microsecond.
QByteArray number(double value, int decimals = 3)
{
    const double scale = std::pow(10.0, decimals);
    QByteArray text = QByteArray::number(std::round(value * scale) / scale, 'f', decimals);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    if (text == "-0")
        text = "0";
    return text;
}

QByteArray jsonValue(const QJsonValue &value)
{
    // One element of a compact array, without its brackets.
    QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return text.mid(1, text.size() - 2);
}

// A key is taken whole as a QString: a field this program does not know may
// have any key, NUL characters included, and is written back as it came.
void field(QByteArray &out, const QString &key, const QByteArray &value, const QByteArray &indent)
{
    if (!out.endsWith("{\n"))
        out += ",\n";
    out += indent + jsonValue(key) + ": " + value;
}

void field(QByteArray &out, const char *key, const QByteArray &value, const QByteArray &indent)
{
    field(out, QString::fromLatin1(key), value, indent);
}

QByteArray toleranceText(const PhaseTolerance &t, const QJsonObject &unknown)
{
    QByteArray text = "{";
    auto add = [&text](const QString &key, const QByteArray &value) {
        if (text.size() > 1)
            text += ", ";
        text += jsonValue(key) + ": " + value;
    };
    if (t.absMilliamps)
        add(QLatin1String(kAbs), number(*t.absMilliamps));
    if (t.relPercent)
        add(QLatin1String(kRel), number(*t.relPercent));
    if (t.timeMs)
        add(QLatin1String(kTime), number(*t.timeMs));
    for (auto it = unknown.begin(); it != unknown.end(); ++it)
        add(it.key(), jsonValue(it.value()));
    return text + "}";
}

// Reading: each check names the field it found wrong.
struct Reader {
    FileError *error;
    bool ok = true;

    bool fail(const QString &field)
    {
        if (ok && error)
            *error = {FileError::BadField, field};
        ok = false;
        return false;
    }
    // A finite number within [low, high]; absent: `fallback` (or a failure
    // when there is none).
    bool numberIn(const QJsonObject &o, const char *key, double low, double high, double *into,
                  const QString &where, bool required)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return required ? fail(where + QLatin1String(key)) : true;
        const double d = v.toDouble(std::nan(""));
        if (!v.isDouble() || !std::isfinite(d) || d < low || d > high)
            return fail(where + QLatin1String(key));
        *into = d;
        return true;
    }
    bool text(const QJsonObject &o, const char *key, QString *into, const QString &where)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return true;
        if (!v.isString())
            return fail(where + QLatin1String(key));
        *into = v.toString();
        return true;
    }
    bool tolerance(const QJsonValue &value, PhaseTolerance *into, QJsonObject *unknown,
                   const QString &where)
    {
        if (value.isUndefined())
            return true;
        if (!value.isObject())
            return fail(where);
        const QJsonObject o = value.toObject();
        const QString prefix = where + QLatin1Char('.');
        double d = 0;
        if (o.contains(QLatin1String(kAbs))) {
            if (!numberIn(o, kAbs, 0, kMaxMilliamps, &d, prefix, true))
                return false;
            into->absMilliamps = d;
        }
        if (o.contains(QLatin1String(kRel))) {
            if (!numberIn(o, kRel, 0, kMaxRelPercent, &d, prefix, true))
                return false;
            into->relPercent = d;
        }
        if (o.contains(QLatin1String(kTime))) {
            if (!numberIn(o, kTime, 0, kMaxTimeMs, &d, prefix, true))
                return false;
            into->timeMs = d;
        }
        *unknown = withoutKeys(o, {kAbs, kRel, kTime});
        return true;
    }
};

QString settingsKey()
{
    return QStringLiteral("bootReferences/folder");
}

QSettings &settings()
{
    static QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("QUORVALINE"),
                       QStringLiteral("QUORVALINE"));
    return s;
}

QString &overriddenFolder()
{
    static QString folder;
    return folder;
}

// The chosen reference while the folder is overridden.
QString &overriddenChoice()
{
    static QString choice;
    return choice;
}

} // namespace

QString errorText(const FileError &error)
{
    switch (error.kind) {
    case FileError::None:
        return QString();
    case FileError::CannotOpen:
        return QStringLiteral("cannot open it: %1").arg(error.detail);
    case FileError::TooLarge:
        return QStringLiteral("it is too large for a boot reference");
    case FileError::NotJson:
        return QStringLiteral("it is not JSON (%1)").arg(error.detail);
    case FileError::NotReference:
        return error.detail.isEmpty()
                   ? QStringLiteral("it is not a boot reference (no \"format\" field)")
                   : QStringLiteral("it is not a boot reference (format \"%1\")").arg(error.detail);
    case FileError::BadField:
        return QStringLiteral("its field %1 is missing or wrong").arg(error.detail);
    case FileError::CannotWrite:
        return QStringLiteral("cannot write it: %1").arg(error.detail);
    case FileError::Exists:
        return QStringLiteral("%1 exists already").arg(error.detail);
    }
    return QString();
}

QByteArray toJson(const Reference &r)
{
    QByteArray out = "{\n";
    const QByteArray in = "  ";
    field(out, kFormat, jsonValue(QLatin1String(kFormatName)), in);
    field(out, kVersion, QByteArray::number(kFormatVersion), in);
    field(out, kName, jsonValue(r.name), in);
    field(out, kModel, jsonValue(r.model), in);
    field(out, kNote, jsonValue(r.note), in);
    field(out, kCreated, jsonValue(r.created), in);
    field(out, kCaptures, QByteArray::number(r.captures), in);
    PhaseTolerance whole;
    whole.absMilliamps = r.tolerance.absMilliamps;
    whole.relPercent = r.tolerance.relPercent;
    whole.timeMs = r.tolerance.timeMs;
    field(out, kTolerance, toleranceText(whole, r.unknownToleranceFields), in);
    QByteArray phases = "[";
    for (int k = 0; k < r.phases.size(); ++k) {
        const Phase &p = r.phases[k];
        QByteArray phase = "{" + jsonValue(QLatin1String(kName)) + ": " + jsonValue(p.name) + ", " +
                           jsonValue(QLatin1String(kFrom)) + ": " +
                           number(double(p.fromUs) / 1e6, 6) + ", " +
                           jsonValue(QLatin1String(kTo)) + ": " + number(double(p.toUs) / 1e6, 6);
        if (p.tolerance.absMilliamps || p.tolerance.relPercent || p.tolerance.timeMs ||
            !p.unknownToleranceFields.isEmpty())
            phase += ", " + jsonValue(QLatin1String(kTolerance)) + ": " +
                     toleranceText(p.tolerance, p.unknownToleranceFields);
        for (auto it = p.unknownFields.begin(); it != p.unknownFields.end(); ++it)
            phase += ", " + jsonValue(it.key()) + ": " + jsonValue(it.value());
        phases += (k ? ",\n    " : "\n    ") + phase + "}";
    }
    phases += r.phases.isEmpty() ? "]" : "\n  ]";
    field(out, kPhases, phases, in);
    field(out, kBinMs, number(double(r.binUs) / 1000.0), in);
    QByteArray envelope = "[";
    for (int bin = 0; bin < r.bins(); ++bin)
        envelope += (bin ? ",\n    [" : "\n    [") + number(r.low[bin] * 1000.0) + ", " +
                    number(r.high[bin] * 1000.0) + "]";
    envelope += r.bins() ? "\n  ]" : "]";
    field(out, kEnvelope, envelope, in);
    for (auto it = r.unknownFields.begin(); it != r.unknownFields.end(); ++it)
        field(out, it.key(), jsonValue(it.value()), in);
    return out + "\n}\n";
}

std::optional<Reference> fromJson(const QByteArray &text, FileError *error)
{
    if (error)
        *error = FileError();
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parse);
    if (parse.error != QJsonParseError::NoError) {
        if (error)
            *error = {FileError::NotJson,
                      QStringLiteral("%1 at byte %2").arg(parse.errorString()).arg(parse.offset)};
        return std::nullopt;
    }
    if (!document.isObject()) {
        if (error)
            *error = {FileError::NotReference, QString()};
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    const QJsonValue format = root.value(QLatin1String(kFormat));
    if (format.toString() != QLatin1String(kFormatName)) {
        if (error)
            *error = {FileError::NotReference,
                      format.isString() ? format.toString().left(80) : QString()};
        return std::nullopt;
    }

    Reader read{error};
    Reference r;
    double version = 0;
    if (!read.numberIn(root, kVersion, 1, 1e9, &version, QString(), true) ||
        version != std::floor(version)) {
        read.fail(QLatin1String(kVersion));
        return std::nullopt;
    }
    if (!read.text(root, kName, &r.name, QString()) ||
        !read.text(root, kModel, &r.model, QString()) ||
        !read.text(root, kNote, &r.note, QString()) ||
        !read.text(root, kCreated, &r.created, QString()))
        return std::nullopt;
    double captures = 0;
    if (!read.numberIn(root, kCaptures, 0, 1e9, &captures, QString(), false))
        return std::nullopt;
    r.captures = int(captures);

    PhaseTolerance whole;
    if (!read.tolerance(root.value(QLatin1String(kTolerance)), &whole, &r.unknownToleranceFields,
                        QLatin1String(kTolerance)))
        return std::nullopt;
    r.tolerance.absMilliamps = whole.absMilliamps.value_or(r.tolerance.absMilliamps);
    r.tolerance.relPercent = whole.relPercent.value_or(r.tolerance.relPercent);
    r.tolerance.timeMs = whole.timeMs.value_or(r.tolerance.timeMs);

    double binMs = 0;
    if (!read.numberIn(root, kBinMs, kMinBinMs, kMaxBinMs, &binMs, QString(), true))
        return std::nullopt;
    r.binUs = std::max<qint64>(1, qint64(std::llround(binMs * 1000.0)));

    const QJsonValue envelope = root.value(QLatin1String(kEnvelope));
    if (!envelope.isArray() || envelope.toArray().isEmpty() ||
        envelope.toArray().size() > kMaxBins) {
        read.fail(QLatin1String(kEnvelope));
        return std::nullopt;
    }
    const QJsonArray bins = envelope.toArray();
    r.low.reserve(bins.size());
    r.high.reserve(bins.size());
    for (int k = 0; k < bins.size(); ++k) {
        const QJsonArray pair = bins[k].toArray();
        const double lo = pair.size() == 2 ? pair[0].toDouble(std::nan("")) : std::nan("");
        const double hi = pair.size() == 2 ? pair[1].toDouble(std::nan("")) : std::nan("");
        if (!bins[k].isArray() || !std::isfinite(lo) || !std::isfinite(hi) || lo > hi ||
            std::abs(lo) > kMaxMilliamps || std::abs(hi) > kMaxMilliamps) {
            read.fail(QStringLiteral("%1[%2]").arg(QLatin1String(kEnvelope)).arg(k));
            return std::nullopt;
        }
        r.low << lo / 1000.0;
        r.high << hi / 1000.0;
    }

    const QJsonValue phases = root.value(QLatin1String(kPhases));
    if (!phases.isUndefined() && !phases.isArray()) {
        read.fail(QLatin1String(kPhases));
        return std::nullopt;
    }
    const QJsonArray phaseList = phases.toArray();
    for (int k = 0; k < phaseList.size(); ++k) {
        const QString where = QStringLiteral("%1[%2].").arg(QLatin1String(kPhases)).arg(k);
        if (!phaseList[k].isObject()) {
            read.fail(where.chopped(1));
            return std::nullopt;
        }
        const QJsonObject o = phaseList[k].toObject();
        Phase p;
        double from = 0;
        double to = 0;
        if (!read.text(o, kName, &p.name, where) ||
            !read.numberIn(o, kFrom, 0, kMaxSeconds, &from, where, true) ||
            !read.numberIn(o, kTo, 0, kMaxSeconds, &to, where, true))
            return std::nullopt;
        p.fromUs = qint64(std::llround(from * 1e6));
        p.toUs = qint64(std::llround(to * 1e6));
        if (p.toUs <= p.fromUs) {
            read.fail(where + QLatin1String(kTo));
            return std::nullopt;
        }
        if (!read.tolerance(o.value(QLatin1String(kTolerance)), &p.tolerance,
                            &p.unknownToleranceFields, where + QLatin1String(kTolerance)))
            return std::nullopt;
        p.unknownFields = withoutKeys(o, {kName, kFrom, kTo, kTolerance});
        r.phases << p;
    }

    r.unknownFields = withoutKeys(root, {kFormat, kVersion, kName, kModel, kNote, kCreated,
                                         kCaptures, kTolerance, kPhases, kBinMs, kEnvelope});
    return r;
}

std::optional<Reference> readFile(const QString &path, FileError *error)
{
    QFile file(path);
    if (!regularfile::openForReading(file)) {
        if (error)
            *error = {FileError::CannotOpen, file.errorString()};
        return std::nullopt;
    }
    if (file.size() > kMaxFileBytes) {
        if (error)
            *error = {FileError::TooLarge, QString()};
        return std::nullopt;
    }
    const QByteArray text = file.read(kMaxFileBytes + 1);
    if (text.size() > kMaxFileBytes) {
        if (error)
            *error = {FileError::TooLarge, QString()};
        return std::nullopt;
    }
    return fromJson(text, error);
}

bool writeFile(const QString &path, const Reference &reference, FileError *error)
{
    QSaveFile file(path);
    const QByteArray text = toJson(reference);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    if (error)
        *error = {FileError::CannotWrite, file.errorString()};
    return false;
}

// ---------------------------------------------------------------------------
// Where the library is

QString standardLibraryFolder()
{
    // The window's QStandardPaths::AppDataLocation (its application name is
    // QUORVALINE, no organisation), spelt out so that the command line,
    // which has another application name, finds the same folder.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("QUORVALINE/boot-references"));
}

QString libraryFolder()
{
    if (!overriddenFolder().isEmpty())
        return overriddenFolder();
    const QString saved = settings().value(settingsKey()).toString();
    return saved.isEmpty() ? standardLibraryFolder() : saved;
}

void setLibraryFolder(const QString &folder)
{
    if (!overriddenFolder().isEmpty()) {
        overriddenFolder() = folder;
        return;
    }
    settings().setValue(settingsKey(), folder);
    settings().sync();
}

void overrideLibraryFolder(const QString &folder)
{
    overriddenFolder() = folder;
    overriddenChoice().clear();
}

QString chosenReference()
{
    if (!overriddenFolder().isEmpty())
        return overriddenChoice();
    return settings().value(QStringLiteral("bootReferences/chosen")).toString();
}

void setChosenReference(const QString &fileName)
{
    if (!overriddenFolder().isEmpty()) {
        overriddenChoice() = fileName;
        return;
    }
    settings().setValue(QStringLiteral("bootReferences/chosen"), fileName);
    settings().sync();
}

// ---------------------------------------------------------------------------
// Library

Library::Library(const QString &folder) : mFolder(folder) {}

QString Library::pathOf(const QString &fileName) const
{
    return QDir(mFolder).filePath(fileName);
}

QList<Library::Entry> Library::entries() const
{
    QList<Entry> list;
    const QStringList names =
        QDir(mFolder).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        Entry entry;
        entry.fileName = name;
        entry.reference = readFile(pathOf(name), &entry.error);
        list << entry;
    }
    return list;
}

std::optional<Reference> Library::find(const QString &name, QString *fileName) const
{
    const QList<Entry> list = entries();
    for (const Entry &entry : list) {
        if (entry.reference && entry.reference->name == name) {
            if (fileName)
                *fileName = entry.fileName;
            return entry.reference;
        }
    }
    for (const Entry &entry : list) {
        if (entry.reference &&
            (entry.fileName == name || entry.fileName == name + QLatin1String(".json"))) {
            if (fileName)
                *fileName = entry.fileName;
            return entry.reference;
        }
    }
    return std::nullopt;
}

QString Library::freeFileName(const QString &name, const QString &replacing) const
{
    QString base;
    for (const QChar c : name) {
        if (c.isLetterOrNumber() || c == QLatin1Char('_'))
            base += c;
        else if (!base.endsWith(QLatin1Char('-')))
            base += QLatin1Char('-');
    }
    while (base.startsWith(QLatin1Char('-')))
        base.remove(0, 1);
    while (base.endsWith(QLatin1Char('-')))
        base.chop(1);
    base = base.left(60);
    if (base.isEmpty())
        base = QStringLiteral("reference");
    QString candidate = base + QLatin1String(".json");
    for (int n = 2; candidate != replacing && QFileInfo::exists(pathOf(candidate)); ++n)
        candidate = QStringLiteral("%1-%2.json").arg(base).arg(n);
    return candidate;
}

QString Library::add(const Reference &reference, FileError *error)
{
    return write(reference, QString(), error);
}

QString Library::write(const Reference &reference, const QString &replacing, FileError *error)
{
    if (!QDir().mkpath(mFolder)) {
        if (error)
            *error = {FileError::CannotWrite, mFolder};
        return QString();
    }
    const QString fileName = freeFileName(reference.name, replacing);
    return writeFile(pathOf(fileName), reference, error) ? fileName : QString();
}

QString Library::rename(const QString &fileName, const QString &newName, FileError *error)
{
    std::optional<Reference> reference = readFile(pathOf(fileName), error);
    if (!reference)
        return QString();
    reference->name = newName;
    // The new file is complete before the old one goes (or it replaces the
    // old one, when the new name gives the same file name).
    const QString renamed = write(*reference, fileName, error);
    if (renamed.isEmpty())
        return QString();
    if (renamed != fileName)
        QFile::remove(pathOf(fileName));
    return renamed;
}

bool Library::remove(const QString &fileName, FileError *error)
{
    QFile file(pathOf(fileName));
    if (file.remove())
        return true;
    if (error)
        *error = {FileError::CannotWrite, file.errorString()};
    return false;
}

QString Library::importFile(const QString &path, FileError *error)
{
    std::optional<Reference> reference = readFile(path, error);
    if (!reference)
        return QString();
    const QString base = reference->name;
    for (int n = 2; find(reference->name); ++n)
        reference->name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    return add(*reference, error);
}

bool Library::exportFile(const QString &fileName, const QString &path, FileError *error)
{
    const std::optional<Reference> reference = readFile(pathOf(fileName), error);
    return reference && writeFile(path, *reference, error);
}

} // namespace bootprofile
