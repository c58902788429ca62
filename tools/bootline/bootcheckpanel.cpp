#include "tools/bootline/bootcheckpanel.h"

#include "analysis/capturefile.h"
#include "analysis/referencefile.h"
#include "app/readinglabel.h"
#include "app/widget.h"
#include "charts/bootband.h"
#include "charts/redrawpacer.h"
#include "tools/bootline/bootreferencedialogs.h"
#include "tools/bootline/onekeyline.h"
#include "ui_widget.h"

#include <QActionGroup>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QVBoxLayout>

using bootprofile::Capture;
using bootprofile::Capturer;
using bootprofile::State;

namespace {

QString captureErrorText(const bootprofile::CaptureFileError &error)
{
    using bootprofile::CaptureFileError;
    switch (error.kind) {
    case CaptureFileError::None:
        return QString();
    case CaptureFileError::CannotOpen:
        return Widget::tr("无法打开（%1）").arg(error.detail);
    case CaptureFileError::NotCapture:
        return Widget::tr("既不是开机线记录，也不是图表数据文件");
    case CaptureFileError::NoBoot:
        return Widget::tr("其中没有开机过程");
    }
    return QString();
}

BootBandItems::Tone toneOf(const std::optional<bootprofile::Check> &check)
{
    if (!check)
        return BootBandItems::Tone::Neutral;
    switch (check->state()) {
    case State::Passed:
        return BootBandItems::Tone::Pass;
    case State::Failed:
        return BootBandItems::Tone::Fail;
    case State::Waiting:
    case State::Running:
    case State::Incomplete:
        break;
    }
    return BootBandItems::Tone::Neutral;
}

} // namespace

bootprofile::Words BootCheckPanel::words()
{
    bootprofile::Words w;
    w.waiting = Widget::tr("等待开机：按“一键开机”，或电流升过 %1 mA");
    w.running = Widget::tr("检查中… %1 / %2 s");
    w.passed = Widget::tr("通过");
    w.failed = Widget::tr("失败，%1 s 处：%2 A，应为 %3 ± %4 A");
    w.failedInPhase = Widget::tr("失败，%1 s 处：%2 A，应为 %3 ± %4 A（%5）");
    w.incomplete = Widget::tr("未完成：采集在 %1 s 处结束，参考长 %2 s");
    w.worstDeviation = Widget::tr("最大偏差：带外 %1 A，%2 s 处");
    w.noDeviation = Widget::tr("最大偏差：无，始终在带内");
    w.timeOutside = Widget::tr("带外时间：%1 s");
    w.charge = Widget::tr("电量：%1 mAh，参考 %2 mAh");
    w.peak = Widget::tr("峰值电流：%1 A，参考 %2 A");
    return w;
}

BootCheckPanel::BootCheckPanel(Widget *window, Ui_Widget *ui, OneKeyLine *line)
    : mWindow(window), mUi(ui), mLine(line)
{
    mItems = std::make_unique<BootBandItems>(ui->oneKeyLineChart, line->graphs[0]->valueAxis());

    // Under the chart, across its width: the page's right column has no
    // room left for it (its operation buttons would be squeezed together).
    // The reference to the left, the verdict and, once a capture has ended,
    // its summary beside it.
    mBox = new QGroupBox(Widget::tr("开机检查"));
    mBox->setObjectName(QStringLiteral("bootCheckBox"));
    mBox->setAlignment(Qt::AlignCenter);
    auto *layout = new QHBoxLayout(mBox);
    layout->setContentsMargins(9, 20, 9, 9);
    layout->setSpacing(12);
    mChoice = new QComboBox;
    mChoice->setObjectName(QStringLiteral("bootCheckReference"));
    mChoice->setToolTip(Widget::tr("参考"));
    mChoice->setFixedWidth(205);
    mVerdict = new QLabel;
    mVerdict->setObjectName(QStringLiteral("bootCheckVerdict"));
    mVerdict->setWordWrap(true);
    mSummary = new QLabel;
    mSummary->setObjectName(QStringLiteral("bootCheckSummary"));
    mSummary->setWordWrap(true);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(mVerdict);
    texts->addWidget(mSummary);
    layout->addWidget(mChoice, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);

    // The chart's backdrop and the box in a column of their own, where the
    // backdrop was in the page's row.
    QHBoxLayout *row = ui->horizontalLayout_19;
    const int at = row->indexOf(ui->widget_35);
    const int stretch = row->stretch(at);
    auto *column = new QWidget;
    column->setObjectName(QStringLiteral("bootCheckColumn"));
    auto *columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(9);
    row->removeWidget(ui->widget_35);
    columnLayout->addWidget(ui->widget_35, 1);
    columnLayout->addWidget(mBox, 0);
    row->insertWidget(at, column, stretch);

    connect(mChoice, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (!mFillingChoices)
            chooseReference(mChoice->itemData(index).toString());
    });

    // Each accepted answer, before the page charts it; the gaps discovery
    // reports.
    mListener = line->listeners.add(
        {[this](const bootline::Answer &a) { answer(a); }, [this](qint64) { gap(); }});

    refreshChoices();
    const QString chosen = bootprofile::chosenReference();
    if (!chosen.isEmpty() && mChoice->findData(chosen) > 0)
        chooseReference(chosen);
    else
        showVerdict(true);
}

BootCheckPanel::~BootCheckPanel()
{
    mLine->listeners.remove(mListener);
}

// ---------------------------------------------------------------------------
// Live

void BootCheckPanel::answer(const bootline::Answer &a)
{
    // The page appends this answer to its chart right after its listeners,
    // at the key the graph's count gives.
    QCPGraph *graph = mLine->graphs[0];
    const bool charted = mLine->chartRunning && graph;
    const double key = charted ? double(graph->dataCount()) : 0;
    const Capturer::Step step =
        mCapturer.add(a.sample.atUs, a.reading.amps, a.reading.volts, a.trigger != 0);
    switch (step) {
    case Capturer::Step::Idle:
        return;
    case Capturer::Step::Ended:
        if (mCheck && mCapturer.last()) {
            mCheck->finish(mCapturer.last()->endedAtUs);
            if (charted)
                mItems->reach(key, mCapturer.last()->endedAtUs);
        }
        showVerdict(false);
        return;
    case Capturer::Step::Restarted:
    case Capturer::Step::Started:
        if (mCheck)
            mCheck->restart();
        mItems->clearDrawing();
        if (charted)
            mItems->startCapture(key);
        break;
    case Capturer::Step::Added:
        break;
    }
    const bootprofile::CaptureSample &s = mCapturer.current().samples.back();
    const bool inside = mCheck ? mCheck->add(s.atUs, s.amps) : true;
    if (charted) {
        // A chart started during the capture draws the band from there on.
        if (!mItems->capturing())
            mItems->startCapture(key - double(s.atUs) / double(BootBandItems::kNominalSampleUs));
        mItems->addSample(key, s.atUs, s.amps, inside);
    }
    showVerdict(false);
}

void BootCheckPanel::gap()
{
    if (!mCapturer.running()) {
        mCapturer.gap();
        return;
    }
    mCapturer.gap();
    if (mCheck && mCapturer.last())
        mCheck->finish(mCapturer.last()->endedAtUs);
    showVerdict(false);
}

void BootCheckPanel::endCapture()
{
    if (!mCapturer.running())
        return;
    mCapturer.stop();
    if (mCheck && mCapturer.last())
        mCheck->finish(mCapturer.last()->endedAtUs);
    showVerdict(true);
}

void BootCheckPanel::chartCleared()
{
    mItems->clearDrawing();
}

void BootCheckPanel::showVerdict(bool now)
{
    const int state = mCheck ? int(mCheck->state()) : -1;
    // While a capture is checked, the chart's text counts its tenths of a
    // second.
    const qint64 tenth =
        mCheck && mCapturer.running() ? mCapturer.current().lengthUs() / 100000 : -1;
    if (!now && state == mShownState && tenth == mShownTenth)
        return;
    const bool stateChanged = state != mShownState;
    mShownState = state;
    mShownTenth = tenth;

    QString verdict;
    QString summary;
    if (!mCheck) {
        verdict = Widget::tr("未选择参考");
    } else {
        verdict = bootprofile::verdictText(*mCheck, words(), mCapturer.thresholdAmps());
        // The summary once the capture has ended and the verdict is final.
        const State s = mCheck->state();
        if (!mCapturer.running() &&
            (s == State::Passed || s == State::Failed || s == State::Incomplete))
            summary = bootprofile::summaryLines(*mCheck, words()).join(QLatin1Char('\n'));
    }
    // Beside the chart, the state alone while a capture runs: a label whose
    // text changes lays the page out again, which ten times a second would
    // cost more than the check itself.
    const QString shown =
        mCheck && mCheck->state() == State::Running ? Widget::tr("检查中…") : verdict;
    const BootBandItems::Tone tone = toneOf(mCheck);
    if (stateChanged || now)
        mVerdict->setStyleSheet(QStringLiteral("color:%1; font-weight:bold")
                                    .arg(BootBandItems::toneColour(tone).name()));
    // The labels take the texts at the display's rate, as the readings do.
    if (now || !mLine->readingLabels) {
        readinglabel::show(mVerdict, shown);
        readinglabel::show(mSummary, summary);
    } else {
        mLine->readingLabels->show(mVerdict, shown);
        mLine->readingLabels->show(mSummary, summary);
    }
    mItems->setVerdict(mCheck ? verdict : QString(), summary, tone);
    if (mLine->redraw)
        mLine->redraw->request();
}

// ---------------------------------------------------------------------------
// References

void BootCheckPanel::message(const QString &text)
{
    QMessageBox::information(mWindow, Widget::tr("提示"), text, QMessageBox::Ok);
}

void BootCheckPanel::refreshChoices()
{
    const QList<bootprofile::Library::Entry> entries =
        bootprofile::Library(bootprofile::libraryFolder()).entries();
    mFillingChoices = true;
    mChoice->clear();
    mChoice->addItem(Widget::tr("无参考"), QString());
    for (const bootprofile::Library::Entry &entry : entries) {
        if (!entry.reference)
            continue;
        const bootprofile::Reference &r = *entry.reference;
        mChoice->addItem(r.name.isEmpty() ? entry.fileName : r.name, entry.fileName);
        mChoice->setItemData(mChoice->count() - 1,
                             QStringList{r.model, r.note}.join(QLatin1Char('\n')).trimmed(),
                             Qt::ToolTipRole);
    }
    const int index = mChoice->findData(mChosenFile);
    mChoice->setCurrentIndex(index < 0 ? 0 : index);
    mFillingChoices = false;
    if (index < 0 && !mChosenFile.isEmpty())
        chooseReference(QString()); // its file has gone
}

bool BootCheckPanel::chooseReference(const QString &fileName)
{
    std::optional<bootprofile::Reference> reference;
    if (!fileName.isEmpty()) {
        bootprofile::FileError error;
        reference =
            bootprofile::readFile(QDir(bootprofile::libraryFolder()).filePath(fileName), &error);
        if (!reference)
            message(Widget::tr("无法读取参考 %1：%2").arg(fileName, referenceErrorText(error)));
    }
    if (reference) {
        mCheck.emplace(*reference);
        mChosenFile = fileName;
        mItems->setBand(mCheck->band());
        mCapturer.setLengthUs(reference->lengthUs());
    } else {
        mCheck.reset();
        mChosenFile.clear();
        mItems->clearBand();
        mCapturer.setLengthUs(Capturer::kDefaultLengthUs);
    }
    bootprofile::setChosenReference(mChosenFile);
    mFillingChoices = true;
    mChoice->setCurrentIndex(std::max(0, mChoice->findData(mChosenFile)));
    mFillingChoices = false;
    showVerdict(true);
    return fileName.isEmpty() || reference.has_value();
}

namespace {
// The captures chosen in a dialog, as a reference with its name, model,
// note, tolerances and phases.
std::optional<bootprofile::Reference> referenceFrom(const BootReferenceDialog &dialog,
                                                    const std::deque<Capture> &captures)
{
    std::vector<const Capture *> chosen;
    for (int index : dialog.chosenCaptures())
        chosen.push_back(&captures[size_t(index)]);
    std::optional<bootprofile::Reference> reference =
        bootprofile::buildReference(chosen, dialog.tolerance());
    if (!reference)
        return std::nullopt;
    reference->name = dialog.name->text().trimmed();
    reference->model = dialog.model->text().trimmed();
    reference->note = dialog.note->text().trimmed();
    reference->phases = dialog.phases();
    return reference;
}
} // namespace

void BootCheckPanel::saveAsReference()
{
    makeReference(false);
}

void BootCheckPanel::buildFromCaptures()
{
    makeReference(true);
}

void BootCheckPanel::makeReference(bool several)
{
    // A copy: captures may end while the dialog is open.
    const std::deque<Capture> captures = mCapturer.kept();
    if (captures.empty()) {
        message(Widget::tr("还没有采集：按“一键开机”开机一次。"));
        return;
    }
    BootReferenceDialog dialog(mWindow, captures, several);
    if (mWindow->runDialog(dialog) != QDialog::Accepted)
        return;
    const std::optional<bootprofile::Reference> reference = referenceFrom(dialog, captures);
    if (!reference) {
        message(Widget::tr("所选采集太短，无法生成参考。"));
        return;
    }
    bootprofile::FileError error;
    const QString fileName =
        bootprofile::Library(bootprofile::libraryFolder()).add(*reference, &error);
    if (fileName.isEmpty()) {
        message(Widget::tr("无法保存参考：%1").arg(referenceErrorText(error)));
        return;
    }
    refreshChoices();
    chooseReference(fileName);
}

void BootCheckPanel::applyThreshold(double amps)
{
    mCapturer.setThresholdAmps(amps);
    showVerdict(true);
}

void BootCheckPanel::showLibrary()
{
    BootLibraryDialog dialog(mWindow, mWindow->fileDialogs, mCapturer.thresholdAmps());
    dialog.changed = [this] { refreshChoices(); };
    dialog.renamed = [this](const QString &from, const QString &to) {
        if (from == mChosenFile) {
            mChosenFile = to;
            bootprofile::setChosenReference(to);
        }
    };
    mWindow->runDialog(dialog);
    applyThreshold(dialog.threshold->value() / 1000.0);
    refreshChoices();
}

// ---------------------------------------------------------------------------
// Offline

void BootCheckPanel::checkOffline(const Capture &capture, double startKey)
{
    // A live capture under way ends: the check now shows this one.
    endCapture();
    bootprofile::Check &check = *mCheck;
    check.restart();
    mItems->startCapture(startKey);
    const qint64 length = check.band().lengthUs();
    bool finished = false;
    for (size_t i = 0; i < capture.samples.size(); ++i) {
        const bootprofile::CaptureSample &s = capture.samples[i];
        if (s.atUs >= length) {
            check.finish(s.atUs);
            mItems->reach(startKey + double(i), s.atUs);
            finished = true;
            break;
        }
        mItems->addSample(startKey + double(i), s.atUs, s.amps, check.add(s.atUs, s.amps));
    }
    if (!finished)
        check.finish(std::max(capture.endedAtUs, capture.lengthUs()));

    // The capture in view, its peak and the band's within the value axis.
    QCustomPlot *chart = mUi->oneKeyLineChart;
    const double end = startKey + double(capture.samples.size());
    chart->xAxis->setRange(startKey - 50, end + 50);
    chart->xAxis2->setRange(startKey - 50, end + 50);
    QCPAxis *valueAxis = mLine->graphs[0]->valueAxis();
    const double top = std::max(capture.peakAmps(), check.summary().referencePeakAmps) * 1.15;
    if (valueAxis->range().upper < top)
        valueAxis->setRange(0, top);
    showVerdict(true);
    flushRedraw(*mLine);
}

void BootCheckPanel::checkChartData()
{
    if (!mCheck) {
        message(Widget::tr("请先选择参考。"));
        return;
    }
    QCPGraph *graph = mLine->graphs[0];
    const QCPGraphDataContainer &data = *graph->data();
    std::vector<double> values;
    values.reserve(size_t(data.size()));
    for (auto it = data.constBegin(); it != data.constEnd(); ++it)
        values.push_back(it->value);
    const bootprofile::SampleSeries series =
        bootprofile::seriesOfValues(values.data(), qint64(values.size()));
    int start = 0;
    const std::optional<Capture> capture = bootprofile::firstCapture(
        series, mCapturer.thresholdAmps(), mCheck->band().lengthUs(), &start);
    if (!capture) {
        message(Widget::tr("图表中没有开机过程：电流没有升过 %1 mA。")
                    .arg(QString::number(mCapturer.thresholdAmps() * 1000.0, 'g', 4)));
        return;
    }
    checkOffline(*capture, (data.constBegin() + start)->key);
}

void BootCheckPanel::openRecordingAndCheck()
{
    if (!mCheck) {
        message(Widget::tr("请先选择参考。"));
        return;
    }
    const QString path = mWindow->fileDialogs.openFileName(
        mWindow, Widget::tr("打开记录并检查…"), QString(), Widget::tr("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return; // cancelled
    bootprofile::CaptureFileError error;
    const std::optional<bootprofile::SampleSeries> series = bootprofile::readSamples(path, &error);
    int start = 0;
    const std::optional<Capture> capture =
        series ? bootprofile::firstCapture(*series, mCapturer.thresholdAmps(),
                                           mCheck->band().lengthUs(), &start)
               : std::nullopt;
    if (series && !capture)
        error.kind = bootprofile::CaptureFileError::NoBoot;
    if (!capture) {
        message(Widget::tr("无法读取记录 %1：%2")
                    .arg(QDir::toNativeSeparators(path), captureErrorText(error)));
        return;
    }
    // The recording's current goes onto the chart after what it holds, as a
    // chart file opened there does.
    QCPGraph *graph = mLine->graphs[0];
    const double first = double(graph->dataCount());
    QVector<double> keys(series->size());
    QVector<double> values(series->size());
    for (int i = 0; i < series->size(); ++i) {
        keys[i] = first + i;
        values[i] = series->amps[size_t(i)];
    }
    graph->addData(keys, values, true);
    checkOffline(*capture, first + start);
}

// ---------------------------------------------------------------------------
// The chart's menu

void BootCheckPanel::addMenuActions(QMenu *menu)
{
    menu->addSeparator();
    QMenu *choose = menu->addMenu(Widget::tr("参考…"));
    auto *group = new QActionGroup(choose);
    for (int k = 0; k < mChoice->count(); ++k) {
        QAction *action = choose->addAction(mChoice->itemText(k));
        const QString file = mChoice->itemData(k).toString();
        action->setCheckable(true);
        action->setChecked(file == mChosenFile);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, file] { chooseReference(file); });
    }
    QAction *save = menu->addAction(Widget::tr("保存为参考…"));
    save->setEnabled(mCapturer.last() != nullptr);
    connect(save, &QAction::triggered, this, &BootCheckPanel::saveAsReference);
    QAction *build = menu->addAction(Widget::tr("由多次采集生成…"));
    build->setEnabled(mCapturer.last() != nullptr);
    connect(build, &QAction::triggered, this, &BootCheckPanel::buildFromCaptures);
    connect(menu->addAction(Widget::tr("参考库…")), &QAction::triggered, this,
            &BootCheckPanel::showLibrary);
    QAction *end = menu->addAction(Widget::tr("结束采集"));
    end->setEnabled(mCapturer.running());
    connect(end, &QAction::triggered, this, &BootCheckPanel::endCapture);
    QAction *chart = menu->addAction(Widget::tr("检查图表数据"));
    chart->setEnabled(mCheck.has_value());
    connect(chart, &QAction::triggered, this, &BootCheckPanel::checkChartData);
    QAction *recording = menu->addAction(Widget::tr("打开记录并检查…"));
    recording->setEnabled(mCheck.has_value());
    connect(recording, &QAction::triggered, this, &BootCheckPanel::openRecordingAndCheck);
}
