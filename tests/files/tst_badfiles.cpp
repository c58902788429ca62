// Files a user may pick by mistake, or that were damaged, opened through the
// real window: chart data files on each tool's open button, program tables on
// the power supply's program page and firmware images on the firmware page.
// Each must give its opener's usual answer (points or rows loaded, nothing
// loaded, or the failure message), and the window must go on answering
// afterwards: a meter poll still records and a queued event still runs. What
// is not a regular file (a named pipe, a device) is refused as a file that
// cannot be opened, before any read. How much memory the huge ones take is
// measured by bench_badfiles.
#include "charts/livechart.h"
#include "tests/support/requiredchecks.h"
#include "tests/support/testbench.h"

#include <QDir>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

using testbench::makeWindow;
using Tool = Widget::Tool;
using Series = QVector<double>;

namespace {

// How a row's file is made.
enum class Make {
    Content,      // a regular file holding the row's bytes
    Unreadable,   // a regular file the user may not read
    Directory,    // a folder
    DanglingLink, // a symbolic link to nothing
    GiBOfDigits,  // a regular file: "vst,1," then a GiB of '7', no comma, no line end
    HundredMB,    // "vst," then values of 7 bytes up to 100 MB, then "vend,"
    HundredMBRow, // a program table whose first row goes on with "1.5<TAB>" up to 100 MB
    NamedPipe,    // a named pipe nobody writes to
    Device,       // the device the row's bytes name ("/dev/zero")
};

constexpr qint64 kGiB = qint64(1) << 30;
constexpr qint64 kHundredMB = 100 * 1000 * 1000;
const QByteArray kValueToken = "1.5000,";
const QByteArray kTableHeader = "Volt(V)\tCurr(A)\tTime(S)\t\n";

// The number of "1.5000," tokens in the 100 MB file.
constexpr qint64 hundredMBValues()
{
    return (kHundredMB - 4 - 5) / 7;
}

// Drops the effective user id to "nobody" while it lives, so that root, who
// may read anything, meets a missing permission as a user would.
class NotRoot {
public:
    NotRoot()
    {
        if (geteuid() == 0)
            m_dropped = seteuid(65534) == 0;
    }
    ~NotRoot()
    {
        if (m_dropped && seteuid(0) != 0)
            qFatal("cannot become root again");
    }
    // Whether files that are not readable by everyone are out of reach now.
    bool effective() const { return geteuid() != 0; }

private:
    bool m_dropped = false;
};

// Why a user could read the file at `path`, or reach it only through a
// folder barred to them (which would make a "not readable" row fail on the
// folder, not the file); empty when the file alone is out of reach. The file
// `readable.cts` beside it must open.
QString whyNotUnreadable(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("the folder of %1 cannot be passed").arg(path);
    QFile sibling(QFileInfo(path).dir().filePath(QStringLiteral("readable.cts")));
    if (!sibling.open(QIODevice::ReadOnly))
        return QStringLiteral("a readable file beside %1 cannot be read").arg(path);
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 can be read").arg(path);
    return QString();
}

// For a "not readable" row: the user, not root, from here on, and the file
// out of their reach while the way to it is open.
#define EXPECT_OUT_OF_REACH(notRoot, path)                                                         \
    do {                                                                                           \
        if (!(notRoot).emplace().effective())                                                      \
            SKIP_UNLESS_REQUIRED("running as root and the user id cannot be changed");             \
        const QString why = whyNotUnreadable(path);                                                \
        QVERIFY2(why.isEmpty(), qPrintable(why));                                                  \
    } while (false)

// Should an opener wait on a named pipe for a writer, this opens the pipe
// for writing and closes it again after a while, so that the open returns
// (and the test fails) instead of hanging: nobody else ever writes to it.
class PipeUnblocker {
public:
    explicit PipeUnblocker(const QString &path)
        : m_thread([this, path] {
              std::unique_lock<std::mutex> lock(m_mutex);
              if (m_done.wait_for(lock, std::chrono::seconds(10), [this] { return m_finished; }))
                  return;
              const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
              if (fd >= 0)
                  ::close(fd);
          })
    {
    }
    ~PipeUnblocker()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

// "vst,1," then a GiB of '7' without a comma or a line end: written once per
// run, in a folder of its own that lives as long as the test program.
QString gibOfDigits()
{
    static QTemporaryDir dir;
    static QString made;
    if (!made.isEmpty() || !dir.isValid())
        return made;
    const QString path = dir.filePath(QStringLiteral("digits.cts"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("vst,1,") != 6)
        return made;
    const QByteArray block(1 << 20, '7');
    for (qint64 left = kGiB; left > 0; left -= block.size()) {
        if (file.write(block) != block.size())
            return made;
    }
    made = path;
    return made;
}

struct BadFilesBench {
    BadFilesBench() : w(makeWindow())
    {
        w->fileDialogs.openFileName = [this](QWidget *, const QString &, const QString &,
                                             const QString &) { return answer; };
    }

    testbench::Window w;
    testbench::ModalCloser boxes;
    QTemporaryDir dir;
    QString answer;
    int meterId = -1;

    Ui_Widget &ui() const { return w.ui(); }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    LiveChartState &state(Tool tool) const { return w->chartStateOf(tool); }
    QCPGraph *graph(Tool tool, int k) const { return state(tool).graphs[k].data(); }
    QTableWidget *table() const { return ui().adjProgramTableWidget; }
    // The program table's rows, "12.50|1.000|10.0", "(none)" for a cell
    // without an item.
    QStringList tableRows() const
    {
        QStringList rows;
        for (int row = 0; row < table()->rowCount(); ++row) {
            QStringList texts;
            for (int column = 0; column < table()->columnCount(); ++column) {
                const QTableWidgetItem *item = table()->item(row, column);
                texts << (item ? item->text() : QStringLiteral("(none)"));
            }
            rows << texts.join('|');
        }
        return rows;
    }
    QStringList titles() const
    {
        QStringList texts;
        for (int column = 0; column < table()->columnCount(); ++column)
            texts << table()->model()->headerData(column, Qt::Horizontal).toString();
        return texts;
    }
    QPushButton *openButton(Tool tool) const
    {
        switch (tool) {
        case Tool::Meter:
            return ui().vcMeterChartOpenButton;
        case Tool::PowerSupply:
            return ui().adjPowChartOpenButton;
        case Tool::BootLine:
            break;
        }
        return ui().oneKeyLineChartOpen;
    }
    QStringList boxTexts() const { return boxes.hintTexts(); }

    // After whatever went before: a meter poll still records one sample, and
    // an event queued now still runs.
    void expectAnswering()
    {
        if (meterId < 0) {
            meterId = testbench::attachMeter();
            w->discoverDevices(); // the meter page is shown; recording starts
        }
        QCPGraph *voltage = w->vcMeter->graphs[0].data();
        const int before = voltage->dataCount();
        w.pollMeter();
        QCOMPARE(voltage->dataCount(), before + 1);
        bool ran = false;
        QTimer::singleShot(0, w.widget.get(), [&ran] { ran = true; });
        QTRY_VERIFY_WITH_TIMEOUT(ran, 5000);
    }
};

Series valuesOf(const QCPGraph *graph)
{
    Series values;
    for (const QCPGraphData &point : *graph->data())
        values << point.value;
    return values;
}

// A file of `name` made the row's way; an empty string when it cannot be made.
QString makeFile(BadFilesBench &b, Make make, const QByteArray &content)
{
    const QString path = b.path("bad.cts");
    switch (make) {
    case Make::Content:
    case Make::Unreadable: {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return QString();
        if (make == Make::Unreadable) {
            file.setPermissions(QFileDevice::Permissions());
            // The folder may be passed by anyone, not listed: only the file's
            // own permissions keep the user out. A file beside it that
            // everyone may read shows the way to it is open.
            QFile readable(b.path("readable.cts"));
            if (!readable.open(QIODevice::WriteOnly) || readable.write(content) != content.size() ||
                !readable.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ReadGroup | QFileDevice::ReadOther) ||
                !QFile::setPermissions(b.dir.path(),
                                       QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                                           QFileDevice::ExeOther))
                return QString();
        }
        return path;
    }
    case Make::Directory:
        return QDir(b.dir.path()).mkdir(QStringLiteral("bad.cts")) ? path : QString();
    case Make::DanglingLink:
        return QFile::link(b.path("nowhere.cts"), path) ? path : QString();
    case Make::GiBOfDigits:
        return gibOfDigits();
    case Make::HundredMBRow: {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(kTableHeader) != kTableHeader.size() ||
            file.write("12.5\t1\t10\t") != 10)
            return QString();
        const QByteArray block = QByteArray("1.5\t").repeated(1 << 18);
        for (qint64 written = 0; written < kHundredMB; written += block.size()) {
            if (file.write(block) != block.size())
                return QString();
        }
        const QByteArray end = "\n3\t0.5\t2\t\n";
        return file.write(end) == end.size() ? path : QString();
    }
    case Make::NamedPipe:
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
    case Make::Device:
        return QFile::exists(QString::fromLatin1(content)) ? QString::fromLatin1(content)
                                                           : QString();
    case Make::HundredMB: {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        const QByteArray block = kValueToken.repeated(1 << 16);
        qint64 left = hundredMBValues();
        bool ok = file.write("vst,") == 4;
        for (; ok && left > 0; left -= 1 << 16)
            ok = file.write(block.constData(), qMin<qint64>(left, 1 << 16) * 7) >= 0;
        ok = ok && file.write("vend,") == 5;
        return ok ? path : QString();
    }
    }
    return QString();
}

} // namespace

Q_DECLARE_METATYPE(Tool)
Q_DECLARE_METATYPE(Make)

class BadFilesTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    // Each chart file opened into a tool whose chart already holds two
    // points of 9: what the tool's first graph holds afterwards, and the
    // message boxes shown.
    void chartFiles_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<Make>("make");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Series>("first");
        QTest::addColumn<QStringList>("boxes");
        const QStringList none;
        const QStringList failed{QStringLiteral("文件打开失败")};
        const Series kept{9, 9};

        QTest::newRow("empty") << Tool::Meter << Make::Content << QByteArray() << kept << none;
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary += char(i * 131 % 256);
        QTest::newRow("binary, no markers")
            << Tool::PowerSupply << Make::Content << binary << kept << none;
        // Bytes that are neither digits nor white space: values that do not
        // convert, 0 each.
        QTest::newRow("binary values after a marker")
            << Tool::BootLine << Make::Content
            << QByteArray("cst,\x01\x02\xff,\x80\x00\x7f,cend,", 17) << Series{9, 9, 0, 0} << none;
        QTest::newRow("truncated in a value")
            << Tool::Meter << Make::Content << QByteArray("vst,1.5,2.2") << Series{9, 9, 1.5}
            << none;
        QTest::newRow("truncated in a marker")
            << Tool::Meter << Make::Content << QByteArray("vst,1.5,2.25,ve")
            << Series{9, 9, 1.5, 2.25} << none;
        QTest::newRow("CR LF around values and at the end")
            << Tool::Meter << Make::Content << QByteArray("vst,1\r\n,\r\n2,vend,\r\n")
            << Series{9, 9, 1, 2} << none;
        QTest::newRow("CR LF glued to a marker: no longer a marker")
            << Tool::BootLine << Make::Content << QByteArray("cst\r\n,1,cend,") << kept << none;
        QTest::newRow("UTF-8 byte order mark before the first marker")
            << Tool::Meter << Make::Content << QByteArray("\xEF\xBB\xBFvst,1,2,vend,")
            << Series{9, 9, 1, 2} << none;
        QTest::newRow("not readable") << Tool::PowerSupply << Make::Unreadable
                                      << QByteArray("vst,1,2,vend,") << kept << failed;
        QTest::newRow("a directory")
            << Tool::Meter << Make::Directory << QByteArray() << kept << failed;
        QTest::newRow("a dangling link")
            << Tool::BootLine << Make::DanglingLink << QByteArray() << kept << failed;
        // One token that never ends: only the value before it is loaded.
        QTest::newRow("a GiB of digits without a comma")
            << Tool::Meter << Make::GiBOfDigits << QByteArray() << Series{9, 9, 1} << none;
        // Not regular files: refused before they are opened or read.
        QTest::newRow("a named pipe")
            << Tool::PowerSupply << Make::NamedPipe << QByteArray() << kept << failed;
        QTest::newRow("/dev/zero")
            << Tool::Meter << Make::Device << QByteArray("/dev/zero") << kept << failed;
        QTest::newRow("/dev/null")
            << Tool::BootLine << Make::Device << QByteArray("/dev/null") << kept << failed;
    }
    void chartFiles()
    {
        QFETCH(Tool, tool);
        QFETCH(Make, make);
        QFETCH(QByteArray, content);
        QFETCH(Series, first);
        QFETCH(QStringList, boxes);
        BadFilesBench b;
        const double nines[3] = {9, 9, 9};
        for (int i = 0; i < 2; ++i)
            appendSample(b.state(tool), nines);
        b.answer = makeFile(b, make, content);
        QVERIFY2(!b.answer.isEmpty(), "the file could not be made");

        {
            std::optional<PipeUnblocker> unblocker;
            if (make == Make::NamedPipe)
                unblocker.emplace(b.answer);
            std::optional<NotRoot> notRoot;
            if (make == Make::Unreadable)
                EXPECT_OUT_OF_REACH(notRoot, b.answer);
            b.openButton(tool)->click();
        }

        QCOMPARE(b.boxTexts(), boxes);
        QCOMPARE(valuesOf(b.graph(tool, 0)), first);
        b.expectAnswering();
    }

    // 100 MB in one line, as a long recording would be: every value is
    // loaded, keys continuing after the points already there.
    void hundredMegabyteLine()
    {
        BadFilesBench b;
        appendSample(*b.w->vcMeter, {9, 9, 9});
        b.answer = makeFile(b, Make::HundredMB, QByteArray());
        QVERIFY(!b.answer.isEmpty());
        QCOMPARE(QFileInfo(b.answer).size(), 4 + hundredMBValues() * 7 + 5);
        b.openButton(Tool::Meter)->click();
        QCOMPARE(b.boxTexts(), QStringList());
        const QCPGraph *voltage = b.graph(Tool::Meter, 0);
        QCOMPARE(voltage->dataCount(), int(1 + hundredMBValues()));
        const QCPGraphData &last = *(voltage->data()->constEnd() - 1);
        QCOMPARE(last.key, double(hundredMBValues()));
        QCOMPARE(last.value, 1.5);
        QCOMPARE(b.graph(Tool::Meter, 1)->dataCount(), 1); // only the point there before
        QVERIFY(QFile::remove(b.answer));
        b.expectAnswering();
    }

    // Each program table opened on the power supply's program page, whose
    // table holds one row of nines under the usual titles: the titles and
    // rows afterwards, and the message boxes shown.
    void programTables_data()
    {
        QTest::addColumn<Make>("make");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("boxes");
        const QStringList imported{QStringLiteral("导入完成。        ")};
        const QStringList failed{QStringLiteral("文件打开失败。        ")};
        const QStringList usualTitles{"Volt(V)", "Curr(A)", "Time(S)"};
        const QStringList noTitles{"", "", ""};
        const QStringList kept{"9.00|9.000|9.0"};
        const QStringList zeroRow{"0.00|0.000|0.0"};

        QTest::newRow("empty") << Make::Content << QByteArray() << noTitles << QStringList()
                               << imported;
        // A spreadsheet's own format: its signature, NULs, and what looks
        // like a row; a file holding a NUL is binary, every line a row of
        // zeros.
        QByteArray binary("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        binary += QByteArray(504, '\0') + "\n7\t1\t1\n" + QByteArray(64, '\xFF');
        QTest::newRow("binary") << Make::Content << binary << noTitles
                                << QStringList{zeroRow[0], zeroRow[0]} << imported;
        // One line that never ends: a single title, cut to 320 characters.
        QTest::newRow("a GiB without a line end")
            << Make::GiBOfDigits << QByteArray()
            << QStringList{QStringLiteral("vst,1,") + QString(314, '7'), "", ""} << QStringList()
            << imported;
        // Fields after the third are not kept.
        QTest::newRow("a line of 100 MB")
            << Make::HundredMBRow << QByteArray() << usualTitles
            << QStringList{"12.50|1.000|10.0", "3.00|0.500|2.0"} << imported;
        QTest::newRow("truncated in a value")
            << Make::Content << kTableHeader + "12.5\t1\t10\t\n4.3" << usualTitles
            << QStringList{"12.50|1.000|10.0", "4.30|(none)|(none)"} << imported;
        QTest::newRow("CR LF") << Make::Content
                               << QByteArray("Volt(V)\tCurr(A)\tTime(S)\t\r\n12.5\t1\t10\t\r\n")
                               << usualTitles << QStringList{"12.50|1.000|10.0"} << imported;
        QTest::newRow("UTF-8 byte order mark")
            << Make::Content
            << QByteArray("\xEF\xBB\xBF"
                          "电压(V)\t电流(A)\t时间(S)\t\n5\t1\t2\t\n")
            << QStringList{QStringLiteral("电压(V)"), QStringLiteral("电流(A)"),
                           QStringLiteral("时间(S)")}
            << QStringList{"5.00|1.000|2.0"} << imported;
        // A spreadsheet's "Unicode text": UTF-16, low byte first.
        QByteArray utf16("\xFF\xFE", 2);
        for (const char c : QByteArray("V\tA\ts\t\n1\t2\t3\t\n"))
            utf16 += QByteArray(1, c) + QByteArray(1, '\0');
        QTest::newRow("UTF-16 byte order mark")
            << Make::Content << utf16 << QStringList{"V", "A", "s"} << QStringList{"1.00|2.000|3.0"}
            << imported;
        QTest::newRow("not readable") << Make::Unreadable << kTableHeader + "1\t1\t1\t\n"
                                      << usualTitles << kept << failed;
        QTest::newRow("a directory")
            << Make::Directory << QByteArray() << usualTitles << kept << failed;
        QTest::newRow("a dangling link")
            << Make::DanglingLink << QByteArray() << usualTitles << kept << failed;
        QTest::newRow("a named pipe")
            << Make::NamedPipe << QByteArray() << usualTitles << kept << failed;
        QTest::newRow("/dev/zero")
            << Make::Device << QByteArray("/dev/zero") << usualTitles << kept << failed;
    }
    void programTables()
    {
        QFETCH(Make, make);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, boxes);
        BadFilesBench b;
        b.ui().adjPowToolButton->click();
        b.ui().adjProgramRadioButton->click();
        b.ui().adjAddRowPushButton->click();
        for (int column = 0; column < 3; ++column)
            b.table()->item(0, column)->setText(QStringLiteral("9"));
        QCOMPARE(b.tableRows(), QStringList{"9.00|9.000|9.0"});
        b.answer = makeFile(b, make, content);
        QVERIFY2(!b.answer.isEmpty(), "the file could not be made");
        {
            std::optional<PipeUnblocker> unblocker;
            if (make == Make::NamedPipe)
                unblocker.emplace(b.answer);
            std::optional<NotRoot> notRoot;
            if (make == Make::Unreadable)
                EXPECT_OUT_OF_REACH(notRoot, b.answer);
            b.ui().adjPowTableOpen->click();
        }
        if (make == Make::HundredMBRow)
            QVERIFY(QFile::remove(b.answer));

        QCOMPARE(b.boxTexts(), boxes);
        QCOMPARE(b.titles(), titles);
        QCOMPARE(b.tableRows(), rows);
        b.ui().vCToolButton->click();
        b.expectAnswering();
    }

    // Image files the firmware page cannot take: nothing loaded, nothing
    // shown, and a send afterwards sends nothing.
    void firmwareImages_data()
    {
        QTest::addColumn<Make>("make");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not readable") << Make::Unreadable << QByteArray(120, 'x');
        QTest::newRow("a directory") << Make::Directory << QByteArray();
        QTest::newRow("a dangling link") << Make::DanglingLink << QByteArray();
        QTest::newRow("a named pipe") << Make::NamedPipe << QByteArray();
        QTest::newRow("/dev/zero") << Make::Device << QByteArray("/dev/zero");
        QTest::newRow("/dev/null") << Make::Device << QByteArray("/dev/null");
    }
    void firmwareImages()
    {
        QFETCH(Make, make);
        QFETCH(QByteArray, content);
        BadFilesBench b;
        const int id = sim::bus().attach(std::make_shared<sim::FirmwareModel>());
        b.w->discoverDevices();
        QVERIFY(b.w->firmwareHandle);
        b.ui().firmwareButton->click();
        b.answer = makeFile(b, make, content);
        QVERIFY2(!b.answer.isEmpty(), "the file could not be made");
        {
            std::optional<PipeUnblocker> unblocker;
            if (make == Make::NamedPipe)
                unblocker.emplace(b.answer);
            std::optional<NotRoot> notRoot;
            if (make == Make::Unreadable)
                EXPECT_OUT_OF_REACH(notRoot, b.answer);
            b.ui().openFile->click();
            QVERIFY(!b.w->firmwareLoaded);
            b.ui().SendData->click();
        }
        QCOMPARE(b.boxTexts(), QStringList());
        QVERIFY(!b.w->firmwareLoaded);
        QCOMPARE(sim::bus().writeCount(id), size_t(0));
        QVERIFY(b.ui().SendData->isEnabled());
        QVERIFY(b.w->discoveryEnabled);
        b.ui().homeButton->click();
        b.expectAnswering();
    }
};

QTEST_MAIN(BadFilesTest)
#include "tst_badfiles.moc"
