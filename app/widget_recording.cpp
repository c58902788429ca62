// Recording the tools to CSV files and the context menu of their charts: the
// menu's actions, the status text under each tool's device label, each
// recording following its tool's engine, the gaps discovery reports, and a
// recording that stops by itself when its file cannot be written.
#include "widget.h"

#include "recording/toolrecording.h"
#include "tools/bootline/bootcheckpanel.h"
#include "tools/bootline/onekeyline.h"
#include "tools/meter/vc_meter.h"
#include "tools/power/adjpower.h"
#include "ui_widget.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

namespace {

constexpr Widget::Tool kTools[] = {Widget::Tool::Meter, Widget::Tool::PowerSupply,
                                   Widget::Tool::BootLine};

// The status text is refreshed this often while a tool records.
constexpr int kStatusRefreshMs = 500;

const char kRecordingStyle[] = "color:#ff5a5a";
const char kStoppedStyle[] = "color:#ffaa00";

} // namespace

recording::Instrument instrumentOf(Widget::Tool tool)
{
    switch (tool) {
    case Widget::Tool::PowerSupply:
        return recording::Instrument::PowerSupply;
    case Widget::Tool::BootLine:
        return recording::Instrument::BootLine;
    case Widget::Tool::Meter:
        break;
    }
    return recording::Instrument::Meter;
}

void Widget::setupRecording()
{
    for (Tool tool : kTools) {
        auto *recording = new recording::ToolRecording(instrumentOf(tool), this);
        recordings[int(tool)] = recording;
        // The tool's engine hands each accepted answer, and each gap, to it.
        switch (tool) {
        case Tool::Meter:
            recording->follow(*vcMeter);
            break;
        case Tool::PowerSupply:
            recording->follow(*adjPower);
            break;
        case Tool::BootLine:
            recording->follow(*oneKeyLine);
            break;
        }
        followGaps(tool);
        connect(recording, &recording::ToolRecording::failed, this,
                [this, tool](recording::CsvWriter::Failure failure, const QString &detail) {
                    recordingFailed(tool, failure, detail);
                });

        // Right click on the chart: its context menu.
        QCustomPlot *chart = chartOf(tool);
        chart->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(chart, &QWidget::customContextMenuRequested, this, [this, tool](const QPoint &pos) {
            chartMenuPosition = pos;
            chartMenu(tool)->popup(chartOf(tool)->mapToGlobal(pos));
        });

        auto *label = new QLabel;
        label->setObjectName(QStringLiteral("recordingStatus%1").arg(int(tool)));
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        recordingLabels[int(tool)] = label;
    }
    // Under each tool's device label, where its page has room.
    ui->verticalLayout->insertWidget(3, recordingLabels[int(Tool::Meter)]);
    ui->horizontalLayout_16->insertWidget(3, recordingLabels[int(Tool::PowerSupply)]);
    ui->verticalLayout_10->insertWidget(3, recordingLabels[int(Tool::BootLine)]);
    for (Tool tool : kTools)
        showRecordingStatus(tool);

    recordingStatusTimer = new QTimer(this);
    connect(recordingStatusTimer, &QTimer::timeout, this, [this] {
        for (Tool tool : kTools)
            showRecordingStatus(tool);
    });
    recordingStatusTimer->start(kStatusRefreshMs);
}

QMenu *Widget::chartMenu(Tool tool)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool recording = recordsToDisk(tool);

    QAction *record = menu->addAction(tr("记录到文件…"));
    record->setEnabled(!recording);
    connect(record, &QAction::triggered, this, [this, tool] {
        QString name =
            fileDialogs.saveFileName(this, tr("记录到文件…"), QString(), tr("CSV 文件 (*.csv)"));
        if (name.isEmpty())
            return; // cancelled
        if (QFileInfo(name).suffix().isEmpty())
            name += QStringLiteral(".csv");
        startRecording(tool, name);
    });
    QAction *stop = menu->addAction(tr("停止记录"));
    stop->setEnabled(recording);
    connect(stop, &QAction::triggered, this, [this, tool] { stopRecording(tool); });
    if (tool != Tool::BootLine)
        connect(menu->addAction(tr("停止条件…")), &QAction::triggered, this,
                [this, tool] { editStopConditions(tool); });

    menu->addSeparator();
    connect(menu->addAction(tr("导出图片…")), &QAction::triggered, this,
            [this, tool] { exportChartImage(tool); });
    connect(menu->addAction(tr("导出 CSV…")), &QAction::triggered, this,
            [this, tool] { exportChartCsv(tool); });
    addMeasureActions(menu, tool);
    if (tool == Tool::BootLine)
        bootCheck->addMenuActions(menu);
    return menu;
}

bool Widget::startRecording(Tool tool, const QString &fileName)
{
    // Two recordings into one file would interleave their lines.
    const QString canonical = QFileInfo(fileName).absoluteFilePath();
    for (Tool other : kTools) {
        if (other != tool && recordsToDisk(other) &&
            QFileInfo(recordings[int(other)]->fileName()).absoluteFilePath() == canonical) {
            QMessageBox::information(this, tr("提示"),
                                     tr("该文件正在记录另一台仪器：%1").arg(fileName),
                                     QMessageBox::Ok);
            return false;
        }
    }
    QString reason;
    if (!recordings[int(tool)]->start(fileName, &reason)) {
        showRecordingStatus(tool);
        QMessageBox::information(
            this, tr("提示"), tr("无法创建记录文件 %1：%2").arg(fileName, reason), QMessageBox::Ok);
        return false;
    }
    recordingLabels[int(tool)]->setProperty("stopped", false);
    showRecordingStatus(tool);
    if (tool == Tool::BootLine)
        resumeBootLinePoll(); // recorded on every page
    return true;
}

void Widget::stopRecording(Tool tool)
{
    recordings[int(tool)]->stop();
    showRecordingStatus(tool);
}

bool Widget::recordsToDisk(Tool tool) const
{
    const recording::ToolRecording *recording = recordings[int(tool)];
    return recording && recording->isActive();
}

void Widget::showRecordingStatus(Tool tool)
{
    QLabel *label = recordingLabels[int(tool)];
    const recording::ToolRecording *recording = recordings[int(tool)];
    if (!label || !recording)
        return;
    if (recording->isActive()) {
        const DeviceLink *links[] = {vcMeter.get(), adjPower.get(), oneKeyLine.get()};
        const bool waiting = recording->inGap() || !links[int(tool)]->hidDevice;
        label->setStyleSheet(QLatin1String(kRecordingStyle));
        label->setText(QStringLiteral("● ") + tr("记录中") + QLatin1Char('\n') +
                       (waiting ? tr("等待仪器") : tr("%1 行").arg(recording->sampleLines())));
        label->setToolTip(tr("记录到 %1").arg(QDir::toNativeSeparators(recording->fileName())));
        label->show();
        return;
    }
    if (label->property("stopped").toBool()) {
        // Stays until the next recording starts, so that a technician coming
        // back to the bench sees it.
        label->setStyleSheet(QLatin1String(kStoppedStyle));
        label->setText(tr("记录已停止"));
        label->show();
        return;
    }
    // Nothing to say: the page's layout as it is without recordings.
    label->clear();
    label->setToolTip(QString());
    label->hide();
}

void Widget::recordingFailed(Tool tool, recording::CsvWriter::Failure failure,
                             const QString &detail)
{
    const QString name = QDir::toNativeSeparators(recordings[int(tool)]->fileName());
    const QString message =
        failure == recording::CsvWriter::Failure::FileRemoved
            ? tr("记录已停止：文件 %1 已被删除或移走。").arg(name)
            : tr("记录已停止：无法写入 %1（%2）。此前记录的数据都保留在文件中。").arg(name, detail);
    QLabel *label = recordingLabels[int(tool)];
    label->setProperty("stopped", true);
    label->setToolTip(message);
    showRecordingStatus(tool);
    QMessageBox::information(this, tr("提示"), message, QMessageBox::Ok);
}

void Widget::markRecordingGap(Tool tool)
{
    // The engine tells whoever listens, a recording among them.
    switch (tool) {
    case Tool::Meter:
        vcMeter->markGap();
        break;
    case Tool::PowerSupply:
        adjPower->markGap();
        break;
    case Tool::BootLine:
        oneKeyLine->markGap();
        break;
    }
    showRecordingStatus(tool);
}
