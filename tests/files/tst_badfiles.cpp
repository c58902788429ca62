// Files a user may pick by mistake, or that were damaged, opened through the
// real window: chart data files on each tool's open button and firmware
// images on the firmware page. Each must give its tool's usual answer (points
// loaded, nothing loaded, or the failure message), and the window must go on
// answering afterwards: a meter poll still records and a queued event still
// runs. How much memory the huge ones take is measured by bench_badfiles.
#include "charts/livechart.h"
#include "tests/support/testbench.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    StreamedHuge, // a named pipe fed the row's bytes, then a GiB of '7', then nothing
    HundredMB,    // "vst," then values of 7 bytes up to 100 MB, then "vend,"
};

constexpr qint64 kGiB = qint64(1) << 30;
constexpr qint64 kHundredMB = 100 * 1000 * 1000;
const QByteArray kValueToken = "1.5000,";

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

// Feeds a named pipe from its own thread: `prefix`, then `count` copies of
// `fill`, a MiB at a time; then closes it.
class PipeFeeder {
public:
    PipeFeeder(const QString &path, QByteArray prefix, char fill, qint64 count)
        : m_thread([path, prefix, fill, count] {
              const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
              if (fd < 0)
                  return;
              bool ok = ::write(fd, prefix.constData(), size_t(prefix.size())) == prefix.size();
              const QByteArray block(1 << 20, fill);
              for (qint64 left = count; ok && left > 0; left -= block.size()) {
                  const size_t n = size_t(qMin<qint64>(left, block.size()));
                  ok = ::write(fd, block.constData(), n) == ssize_t(n);
              }
              ::close(fd);
          })
    {
    }
    ~PipeFeeder() { m_thread.join(); }

private:
    std::thread m_thread;
};

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

    LiveChartState &state(Tool tool) const
    {
        switch (tool) {
        case Tool::Meter:
            return *w->vcMeter;
        case Tool::PowerSupply:
            return *w->adjPower;
        case Tool::BootLine:
            break;
        }
        return *w->oneKeyLine;
    }
    QCPGraph *graph(Tool tool, int k) const { return state(tool).graphs[k].data(); }
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
        if (make == Make::Unreadable)
            file.setPermissions(QFileDevice::Permissions());
        return path;
    }
    case Make::Directory:
        return QDir(b.dir.path()).mkdir(QStringLiteral("bad.cts")) ? path : QString();
    case Make::DanglingLink:
        return QFile::link(b.path("nowhere.cts"), path) ? path : QString();
    case Make::StreamedHuge:
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
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
            << Tool::Meter << Make::StreamedHuge << QByteArray("vst,1,") << Series{9, 9, 1} << none;
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

        std::unique_ptr<PipeFeeder> feeder;
        if (make == Make::StreamedHuge)
            feeder = std::make_unique<PipeFeeder>(b.answer, content, '7', kGiB);
        {
            std::optional<NotRoot> notRoot;
            if (make == Make::Unreadable && !notRoot.emplace().effective())
                QSKIP("running as root and the user id cannot be changed");
            b.openButton(tool)->click();
        }
        feeder.reset();

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

    // Image files the firmware page cannot take: nothing loaded, nothing
    // shown, and a send afterwards sends nothing.
    void firmwareImages_data()
    {
        QTest::addColumn<Make>("make");
        QTest::newRow("not readable") << Make::Unreadable;
        QTest::newRow("a directory") << Make::Directory;
        QTest::newRow("a dangling link") << Make::DanglingLink;
    }
    void firmwareImages()
    {
        QFETCH(Make, make);
        BadFilesBench b;
        const int id = sim::bus().attach(std::make_shared<sim::FirmwareModel>());
        b.w->discoverDevices();
        QVERIFY(b.w->firmwareHandle);
        b.ui().firmwareButton->click();
        b.answer = makeFile(b, make, QByteArray(120, 'x'));
        QVERIFY2(!b.answer.isEmpty(), "the file could not be made");
        {
            std::optional<NotRoot> notRoot;
            if (make == Make::Unreadable && !notRoot.emplace().effective())
                QSKIP("running as root and the user id cannot be changed");
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
