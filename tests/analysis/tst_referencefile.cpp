// The boot reference file and the library: the round trip, fields this
// program does not know kept through a rename, newer versions read, damaged
// and foreign files refused with their reason while nothing else in the
// folder is touched, and the library's operations.
#include "analysis/referencefile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace bootprofile;

namespace {

Reference sample()
{
    Reference r;
    r.name = QStringLiteral("Model \"X\" 开机");
    r.model = QStringLiteral("QV-2");
    r.note = QStringLiteral("bench 3, line\nbreak");
    r.created = QStringLiteral("2024-05-01T10:00:00Z");
    r.captures = 3;
    r.tolerance.absMilliamps = 25;
    r.tolerance.relPercent = 12.5;
    r.tolerance.timeMs = 35;
    r.binUs = 10000;
    r.low = {0.0123, 0.2, 0.5};
    r.high = {0.0456, 0.25, 0.875};
    Phase pmu;
    pmu.name = QStringLiteral("PMU");
    pmu.fromUs = 0;
    pmu.toUs = 10000;
    Phase kernel;
    kernel.name = QStringLiteral("kernel");
    kernel.fromUs = 10000;
    kernel.toUs = 30000;
    kernel.tolerance.absMilliamps = 60;
    r.phases << pmu << kernel;
    return r;
}

// A file's text with one field changed (or removed, for an undefined value).
QByteArray with(const QString &key, const QJsonValue &value)
{
    QJsonObject o = QJsonDocument::fromJson(toJson(sample())).object();
    if (value.isUndefined())
        o.remove(key);
    else
        o[key] = value;
    return QJsonDocument(o).toJson();
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

class ReferenceFileTest : public QObject {
    Q_OBJECT
private slots:
    void roundTrip()
    {
        const Reference r = sample();
        const QByteArray text = toJson(r);
        FileError error;
        const std::optional<Reference> back = fromJson(text, &error);
        QVERIFY2(back, qPrintable(errorText(error)));
        QCOMPARE(back->name, r.name);
        QCOMPARE(back->model, r.model);
        QCOMPARE(back->note, r.note);
        QCOMPARE(back->created, r.created);
        QCOMPARE(back->captures, 3);
        QCOMPARE(back->tolerance.absMilliamps, 25.0);
        QCOMPARE(back->tolerance.relPercent, 12.5);
        QCOMPARE(back->tolerance.timeMs, 35.0);
        QCOMPARE(back->binUs, qint64(10000));
        QCOMPARE(back->bins(), 3);
        for (int k = 0; k < 3; ++k) {
            QVERIFY(std::abs(back->low[k] - r.low[k]) < 1e-12);
            QVERIFY(std::abs(back->high[k] - r.high[k]) < 1e-12);
        }
        QCOMPARE(back->phases.size(), 2);
        QCOMPARE(back->phases[1].name, QStringLiteral("kernel"));
        QCOMPARE(back->phases[1].fromUs, qint64(10000));
        QCOMPARE(back->phases[1].toUs, qint64(30000));
        QCOMPARE(back->phases[1].tolerance.absMilliamps, std::optional<double>(60));
        QVERIFY(!back->phases[1].tolerance.relPercent);
        QVERIFY(!back->phases[0].tolerance.absMilliamps);
        // The kernel takes its own 60 mA and the reference's 12.5 % and 35 ms.
        const Tolerance k = back->toleranceOf(1);
        QCOMPARE(k.absMilliamps, 60.0);
        QCOMPARE(k.relPercent, 12.5);
        QCOMPARE(k.timeMs, 35.0);
        // Written again: the same text.
        QCOMPARE(toJson(*back), text);
    }

    // Readable by a person: the format first, an envelope bin a line.
    void textIsReadable()
    {
        const QByteArray text = toJson(sample());
        QVERIFY(
            text.startsWith("{\n  \"format\": \"quorvaline-boot-reference\",\n  \"version\": 1,"));
        QVERIFY(text.contains("\n    [12.3, 45.6],\n    [200, 250],\n    [500, 875]\n  ]"));
        QVERIFY(text.contains("\"bin_ms\": 10"));
        QVERIFY(text.contains("{\"name\": \"kernel\", \"from_s\": 0.01, \"to_s\": 0.03, "
                              "\"tolerance\": {\"abs_mA\": 60}}"));
    }

    // An unknown field's key with a NUL in it ("phases\0", which is not
    // "phases"), at the top and in a tolerance, is written back whole: cut at
    // the NUL it would come back as the phases, or as a known tolerance.
    void unknownKeysWithNulAreKeptWhole()
    {
        QJsonObject o = QJsonDocument::fromJson(toJson(sample())).object();
        const QString phasesNul = QStringLiteral("phases") + QChar(0) + QStringLiteral("x");
        o[phasesNul] = QJsonArray{QJsonObject{{"name", "a"}, {"from_s", 0}, {"to_s", 0.01}}};
        QJsonObject tolerance = o[QStringLiteral("tolerance")].toObject();
        tolerance[QStringLiteral("abs_mA") + QChar(0)] = 999;
        o[QStringLiteral("tolerance")] = tolerance;
        FileError error;
        const std::optional<Reference> r = fromJson(QJsonDocument(o).toJson(), &error);
        QVERIFY2(r, qPrintable(errorText(error)));
        QCOMPARE(r->phases.size(), 2);
        QCOMPARE(r->tolerance.absMilliamps, 25.0);
        const QByteArray written = toJson(*r);
        const std::optional<Reference> back = fromJson(written, &error);
        QVERIFY2(back, qPrintable(errorText(error)));
        QCOMPARE(back->phases.size(), 2);
        QCOMPARE(back->phases[0].name, QStringLiteral("PMU"));
        QCOMPARE(back->tolerance.absMilliamps, 25.0);
        const QJsonObject again = QJsonDocument::fromJson(written).object();
        QVERIFY(again.contains(phasesNul));
        QVERIFY(again[QStringLiteral("tolerance")].toObject().contains(QStringLiteral("abs_mA") +
                                                                       QChar(0)));
        QCOMPARE(toJson(*back), written);
    }

    // Phase edges are kept to the microsecond (a boot's stages are timed
    // finer than a millisecond).
    void phaseEdgesKeepTheirMicroseconds()
    {
        Reference r = sample();
        r.phases[1].fromUs = 10001;
        r.phases[1].toUs = 1234567;
        const QByteArray text = toJson(r);
        QVERIFY(text.contains("\"from_s\": 0.010001, \"to_s\": 1.234567"));
        FileError error;
        const std::optional<Reference> back = fromJson(text, &error);
        QVERIFY2(back, qPrintable(errorText(error)));
        QCOMPARE(back->phases[1].fromUs, qint64(10001));
        QCOMPARE(back->phases[1].toUs, qint64(1234567));
        QCOMPARE(toJson(*back), text);
    }

    // A newer program's file: a higher version and fields this one does not
    // know, at every level. It opens, and they survive a rename.
    void unknownFieldsAreKeptAndIgnored()
    {
        QJsonObject o = QJsonDocument::fromJson(toJson(sample())).object();
        o[QStringLiteral("version")] = 7;
        o[QStringLiteral("bench")] = QStringLiteral("B-7");
        o[QStringLiteral("future")] = QJsonObject{{QStringLiteral("x"), QJsonArray{1, 2}}};
        QJsonObject t = o[QStringLiteral("tolerance")].toObject();
        t[QStringLiteral("jitter_ms")] = 3;
        o[QStringLiteral("tolerance")] = t;
        QJsonArray phases = o[QStringLiteral("phases")].toArray();
        QJsonObject p = phases[1].toObject();
        p[QStringLiteral("colour")] = QStringLiteral("red");
        QJsonObject pt = p[QStringLiteral("tolerance")].toObject();
        pt[QStringLiteral("slope")] = 1;
        p[QStringLiteral("tolerance")] = pt;
        phases[1] = p;
        o[QStringLiteral("phases")] = phases;

        QTemporaryDir dir;
        QVERIFY(write(dir.filePath(QStringLiteral("newer.json")), QJsonDocument(o).toJson()));
        Library library(dir.path());
        FileError error;
        const QString renamed =
            library.rename(QStringLiteral("newer.json"), QStringLiteral("renamed"), &error);
        QVERIFY2(!renamed.isEmpty(), qPrintable(errorText(error)));
        QCOMPARE(renamed, QStringLiteral("renamed.json"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("newer.json"))));
        const QJsonObject back = QJsonDocument::fromJson(bytesOf(dir.filePath(renamed))).object();
        QCOMPARE(back[QStringLiteral("name")].toString(), QStringLiteral("renamed"));
        QCOMPARE(back[QStringLiteral("bench")].toString(), QStringLiteral("B-7"));
        QCOMPARE(back[QStringLiteral("future")].toObject()[QStringLiteral("x")].toArray(),
                 (QJsonArray{1, 2}));
        QCOMPARE(back[QStringLiteral("tolerance")].toObject()[QStringLiteral("jitter_ms")].toInt(),
                 3);
        const QJsonObject phase = back[QStringLiteral("phases")].toArray()[1].toObject();
        QCOMPARE(phase[QStringLiteral("colour")].toString(), QStringLiteral("red"));
        QCOMPARE(phase[QStringLiteral("tolerance")].toObject()[QStringLiteral("slope")].toInt(), 1);
        QCOMPARE(phase[QStringLiteral("tolerance")].toObject()[QStringLiteral("abs_mA")].toInt(),
                 60);
        // The version written is this program's.
        QCOMPARE(back[QStringLiteral("version")].toInt(), kFormatVersion);
    }

    void damagedOrForeignFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("detail");
        const QByteArray good = toJson(sample());
        QTest::newRow("empty") << QByteArray() << int(FileError::NotJson) << QString();
        QTest::newRow("text") << QByteArray("hello") << int(FileError::NotJson) << QString();
        QTest::newRow("cut short")
            << good.left(good.size() / 2) << int(FileError::NotJson) << QString();
        QTest::newRow("a list") << QByteArray("[1, 2]") << int(FileError::NotReference)
                                << QString();
        QTest::newRow("no format")
            << with("format", QJsonValue()) << int(FileError::NotReference) << QString();
        QTest::newRow("another format")
            << with("format", QStringLiteral("x-chart")) << int(FileError::NotReference)
            << QStringLiteral("x-chart");
        QTest::newRow("no version") << with("version", QJsonValue()) << int(FileError::BadField)
                                    << QStringLiteral("version");
        QTest::newRow("version 0")
            << with("version", 0) << int(FileError::BadField) << QStringLiteral("version");
        QTest::newRow("version 1.5")
            << with("version", 1.5) << int(FileError::BadField) << QStringLiteral("version");
        QTest::newRow("name a number")
            << with("name", 5) << int(FileError::BadField) << QStringLiteral("name");
        QTest::newRow("no bin") << with("bin_ms", QJsonValue()) << int(FileError::BadField)
                                << QStringLiteral("bin_ms");
        QTest::newRow("bin 0") << with("bin_ms", 0) << int(FileError::BadField)
                               << QStringLiteral("bin_ms");
        QTest::newRow("no envelope") << with("envelope_mA", QJsonValue())
                                     << int(FileError::BadField) << QStringLiteral("envelope_mA");
        QTest::newRow("empty envelope")
            << with("envelope_mA", QJsonArray()) << int(FileError::BadField)
            << QStringLiteral("envelope_mA");
        QTest::newRow("three in a bin")
            << with("envelope_mA", QJsonArray{QJsonArray{1, 2}, QJsonArray{1, 2, 3}})
            << int(FileError::BadField) << QStringLiteral("envelope_mA[1]");
        QTest::newRow("low above high")
            << with("envelope_mA", QJsonArray{QJsonArray{5, 4}}) << int(FileError::BadField)
            << QStringLiteral("envelope_mA[0]");
        QTest::newRow("text in a bin")
            << with("envelope_mA", QJsonArray{QJsonArray{QStringLiteral("1"), 2}})
            << int(FileError::BadField) << QStringLiteral("envelope_mA[0]");
        QTest::newRow("ten kiloamperes")
            << with("envelope_mA", QJsonArray{QJsonArray{1, 1e7}}) << int(FileError::BadField)
            << QStringLiteral("envelope_mA[0]");
        QTest::newRow("negative tolerance")
            << with("tolerance", QJsonObject{{QStringLiteral("abs_mA"), -1}})
            << int(FileError::BadField) << QStringLiteral("tolerance.abs_mA");
        QTest::newRow("phases not a list")
            << with("phases", 3) << int(FileError::BadField) << QStringLiteral("phases");
        QTest::newRow("a phase not an object")
            << with("phases", QJsonArray{1}) << int(FileError::BadField)
            << QStringLiteral("phases[0]");
        QTest::newRow("a phase without its start")
            << with("phases", QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("a")},
                                                     {QStringLiteral("to_s"), 1}}})
            << int(FileError::BadField) << QStringLiteral("phases[0].from_s");
        // 1 s to 1.0000004 s: the same microsecond, a phase of no length.
        QTest::newRow("a phase shorter than a microsecond")
            << with("phases", QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("a")},
                                                     {QStringLiteral("from_s"), 1},
                                                     {QStringLiteral("to_s"), 1.0000004}}})
            << int(FileError::BadField) << QStringLiteral("phases[0].to_s");
        QTest::newRow("a phase ending before it starts")
            << with("phases", QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("a")},
                                                     {QStringLiteral("from_s"), 2},
                                                     {QStringLiteral("to_s"), 1}}})
            << int(FileError::BadField) << QStringLiteral("phases[0].to_s");
    }
    void damagedOrForeignFilesAreRefused()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, kind);
        QFETCH(QString, detail);
        FileError error;
        QVERIFY(!fromJson(text, &error));
        QCOMPARE(int(error.kind), kind);
        if (!detail.isEmpty())
            QCOMPARE(error.detail, detail);
        QVERIFY(!errorText(error).isEmpty());
    }

    void tooLargeAndMissingFiles()
    {
        QTemporaryDir dir;
        FileError error;
        QVERIFY(!readFile(dir.filePath(QStringLiteral("none.json")), &error));
        QCOMPARE(error.kind, FileError::CannotOpen);
        // A folder is not a file.
        QVERIFY(!readFile(dir.path(), &error));
        QCOMPARE(error.kind, FileError::CannotOpen);
        QFile big(dir.filePath(QStringLiteral("big.json")));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(kMaxFileBytes + 1));
        big.close();
        QVERIFY(!readFile(big.fileName(), &error));
        QCOMPARE(error.kind, FileError::TooLarge);
    }

    // The library lists what the folder holds; its operations leave the
    // files they are not about as they were, the damaged ones included.
    void libraryTouchesNothingElse()
    {
        QTemporaryDir dir;
        const QString damaged = dir.filePath(QStringLiteral("damaged.json"));
        const QString foreign = dir.filePath(QStringLiteral("foreign.json"));
        const QString other = dir.filePath(QStringLiteral("notes.txt"));
        QVERIFY(write(damaged, toJson(sample()).left(100)));
        QVERIFY(write(foreign, "{\"format\": \"something-else\"}"));
        QVERIFY(write(other, "not a reference"));
        Library library(dir.path());
        FileError error;
        const QString added = library.add(sample(), &error);
        QCOMPARE(added, QStringLiteral("Model-X-开机.json"));

        QList<Library::Entry> entries = library.entries();
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0].fileName, QStringLiteral("Model-X-开机.json"));
        QVERIFY(entries[0].reference);
        QCOMPARE(entries[1].fileName, QStringLiteral("damaged.json"));
        QVERIFY(!entries[1].reference);
        QCOMPARE(entries[1].error.kind, FileError::NotJson);
        QCOMPARE(entries[2].error.kind, FileError::NotReference);

        // A damaged file to import is refused; the library stays as it was.
        QCOMPARE(library.importFile(damaged, &error), QString());
        QCOMPARE(error.kind, FileError::NotJson);
        QCOMPARE(library.entries().size(), 3);

        // An import of a name already there gets " (2)".
        QTemporaryDir elsewhere;
        const QString outside = elsewhere.filePath(QStringLiteral("from-another-bench.json"));
        QVERIFY(write(outside, toJson(sample())));
        const QString imported = library.importFile(outside, &error);
        QCOMPARE(imported, QStringLiteral("Model-X-开机-2.json"));
        QString found;
        QVERIFY(library.find(QStringLiteral("Model \"X\" 开机 (2)"), &found));
        QCOMPARE(found, imported);

        // Found by name, or by its file's name with or without ".json".
        QVERIFY(library.find(QStringLiteral("Model \"X\" 开机"), &found));
        QCOMPARE(found, added);
        QVERIFY(library.find(QStringLiteral("Model-X-开机-2"), &found));
        QCOMPARE(found, imported);
        QVERIFY(!library.find(QStringLiteral("damaged")));

        const QString exported = elsewhere.filePath(QStringLiteral("copy.json"));
        QVERIFY(library.exportFile(imported, exported, &error));
        QCOMPARE(readFile(exported, &error)->name, QStringLiteral("Model \"X\" 开机 (2)"));

        QVERIFY(library.remove(imported, &error));
        QVERIFY(!QFile::exists(dir.filePath(imported)));
        const QString renamed = library.rename(added, QStringLiteral("other"), &error);
        QCOMPARE(renamed, QStringLiteral("other.json"));
        // The same name again keeps the file.
        QCOMPARE(library.rename(renamed, QStringLiteral("other"), &error), renamed);
        QVERIFY(
            !library.rename(QStringLiteral("damaged.json"), QStringLiteral("x"), &error).size());

        QCOMPARE(bytesOf(damaged), toJson(sample()).left(100));
        QCOMPARE(bytesOf(foreign), QByteArray("{\"format\": \"something-else\"}"));
        QCOMPARE(bytesOf(other), QByteArray("not a reference"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 4);
    }

    void fileNamesFromNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("words") << "demo phone"
                               << "demo-phone.json";
        QTest::newRow("Chinese, a slash") << "开机 参考/1"
                                          << "开机-参考-1.json";
        QTest::newRow("a path") << "../../etc/passwd"
                                << "etc-passwd.json";
        QTest::newRow("nothing usable") << " ?*/ "
                                        << "reference.json";
        QTest::newRow("empty") << ""
                               << "reference.json";
        QTest::newRow("taken") << "taken"
                               << "taken-2.json";
    }
    void fileNamesFromNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, fileName);
        QTemporaryDir dir;
        QVERIFY(write(dir.filePath(QStringLiteral("taken.json")), "{}"));
        QCOMPARE(Library(dir.path()).freeFileName(name), fileName);
    }

    // The folder: remembered unless the process has its own.
    void folderOfThisProcess()
    {
        QTemporaryDir dir;
        overrideLibraryFolder(dir.path());
        QCOMPARE(libraryFolder(), dir.path());
        setLibraryFolder(dir.filePath(QStringLiteral("sub")));
        QCOMPARE(libraryFolder(), dir.filePath(QStringLiteral("sub")));
        setChosenReference(QStringLiteral("a.json"));
        QCOMPARE(chosenReference(), QStringLiteral("a.json"));
        QVERIFY(standardLibraryFolder().endsWith(QStringLiteral("/QUORVALINE/boot-references")));
    }
};

QTEST_APPLESS_MAIN(ReferenceFileTest)
#include "tst_referencefile.moc"
