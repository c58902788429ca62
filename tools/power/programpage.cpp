// Program mode of the power supply page: the step table, the start, stop and
// pass edits, the run that moves the set-point dials from step to step on
// programTimer, and the table's file.
#include "app/widget.h"

#include "files/programtable.h"
#include "files/regularfile.h"
#include "tools/power/adjpower.h"
#include "tools/power/program.h"
#include "tools/power/setpoint.h"
#include "ui_widget.h"

#include <QFile>
#include <QHeaderView>
#include <QMessageBox>
#include <QSaveFile>
#include <QTextStream>
#include <QTimer>

namespace {

constexpr int kNormalMode = 0;
constexpr int kProgramMode = 1;

// The table file's messages are the same in every language, like the
// table's titles; each sentence is followed by eight blanks.
const char kMessageTitle[] = "提示";
const char kNoData[] = "无数据。        ";
const char kSaved[] = "保存成功。        ";
const char kSaveFailed[] = "保存失败。        ";
const char kNoPath[] = "文件路径错误。";
const char kImported[] = "导入完成。        ";
const char kOpenFailed[] = "文件打开失败。        ";
const char kReadFailed[] = "文件读取失败。        ";
const char kImportedFirstRows[] = "导入完成，只导入了前 %1 行。        ";

const char *const kColumnTitles[program::kColumnCount] = {"Volt(V)", "Curr(A)", "Time(S)"};

// Where the open dialog starts: the system drive on Windows, elsewhere where
// the program's other open dialogs start.
QString importDirectory()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\");
#else
    return QStringLiteral("../");
#endif
}

} // namespace

void Widget::setupProgramPage()
{
    QTableWidget *table = ui->adjProgramTableWidget;
    table->setColumnCount(program::kColumnCount);
    table->setHorizontalHeaderLabels({kColumnTitles[0], kColumnTitles[1], kColumnTitles[2]});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setRowCount(0);
    ui->adjPowProgramCurrentPosition->setEnabled(false);

    connect(ui->adjNormalRadioButton, &QRadioButton::clicked, this, [this] {
        if (ui->adjNormalRadioButton->isChecked())
            showPowerMode(kNormalMode);
    });
    connect(ui->adjProgramRadioButton, &QRadioButton::clicked, this, [this] {
        if (ui->adjProgramRadioButton->isChecked())
            showPowerMode(kProgramMode);
    });
    connect(ui->adjAddRowPushButton, &QPushButton::clicked, this, &Widget::addProgramRow);
    connect(ui->adjProgramDeletePushButton, &QPushButton::clicked, this, &Widget::deleteProgramRow);
    connect(table, &QTableWidget::itemChanged, this, &Widget::normaliseProgramCell);
    connect(ui->adjPowProgramStarPosition, &QLineEdit::editingFinished, this,
            &Widget::correctStartPosition);
    connect(ui->adjPowProgramStopPosition, &QLineEdit::editingFinished, this,
            &Widget::correctStopPosition);
    connect(ui->cycleIndex, &QLineEdit::editingFinished, this, &Widget::correctCycleCount);
    connect(ui->adjProgramONOFFPushButton, &QPushButton::clicked, this, [this] {
        if (ui->adjProgramONOFFPushButton->isChecked())
            startProgram();
        else
            stopProgram();
    });
    connect(programTimer, &QTimer::timeout, this, &Widget::advanceStep);
    connect(ui->adjPowTableSave, &QPushButton::clicked, this, &Widget::exportProgramTable);
    connect(ui->adjPowTableOpen, &QPushButton::clicked, this, &Widget::importProgramTable);
}

void Widget::showPowerMode(int page)
{
    // Changing the mode switches the output off; a run goes on to the end of
    // its step and then waits.
    switchPowerOutput(false);
    ui->adjModeStackedWidget->setCurrentIndex(page);
    setProgramEditsEnabled(true);
}

void Widget::switchPowerOutput(bool on)
{
    // The output button always shows what the next request sends; on gives
    // up an off of a stop condition on its way.
    if (on)
        adjPower->cancelOutputOff();
    adjPower->outputOn = on;
    ui->adjON_OFFButton->setChecked(on);
}

// ---------------------------------------------------------------------------
// The step table and the position edits

void Widget::addProgramRow()
{
    QTableWidget *table = ui->adjProgramTableWidget;
    const int row = table->rowCount();
    table->insertRow(row);
    for (int column = 0; column < program::kColumnCount; ++column)
        table->setItem(row, column, new QTableWidgetItem(program::zeroCell(column)));
}

void Widget::deleteProgramRow()
{
    QTableWidget *table = ui->adjProgramTableWidget;
    if (table->currentRow() >= 0)
        table->removeRow(table->currentRow());
}

void Widget::normaliseProgramCell(QTableWidgetItem *item)
{
    // Setting an equal text raises no further change, so this ends after
    // the second pass.
    item->setData(Qt::DisplayRole, program::normalisedCell(item->column(), item->text()));
}

void Widget::correctStartPosition()
{
    QLineEdit *start = ui->adjPowProgramStarPosition;
    start->setText(program::correctedStart(start->text(), ui->adjProgramTableWidget->rowCount()));
    correctStopPosition();
}

void Widget::correctStopPosition()
{
    QLineEdit *stop = ui->adjPowProgramStopPosition;
    stop->setText(program::correctedStop(stop->text(), ui->adjPowProgramStarPosition->text(),
                                         ui->adjProgramTableWidget->rowCount()));
}

void Widget::correctCycleCount()
{
    ui->cycleIndex->setText(program::correctedPasses(ui->cycleIndex->text()));
}

void Widget::setProgramEditsEnabled(bool enabled)
{
    for (QLineEdit *edit :
         {ui->adjPowProgramStarPosition, ui->adjPowProgramStopPosition, ui->cycleIndex})
        edit->setEnabled(enabled);
}

// ---------------------------------------------------------------------------
// The run

void Widget::startProgram()
{
    AdjPower &p = *adjPower;
    correctStartPosition();
    correctCycleCount();
    p.steps.clear();

    QTableWidget *table = ui->adjProgramTableWidget;
    if (table->rowCount() == 0) {
        ui->adjProgramONOFFPushButton->setChecked(false);
        ui->adjPowProgramCurrentPosition->setText(ui->adjPowProgramStopPosition->text());
        QMessageBox::information(this, tr("提示"), tr("表格里没有数据"), QMessageBox::Ok);
        return;
    }

    // The steps are taken now: changes to the table while the run goes on
    // wait for the next run.
    const QString zeros[program::kColumnCount] = {QStringLiteral("0.00"), QStringLiteral("0.000"),
                                                  QStringLiteral("0")};
    for (int row = 0; row < table->rowCount(); ++row) {
        QString texts[program::kColumnCount];
        for (int column = 0; column < program::kColumnCount; ++column) {
            if (!table->item(row, column))
                table->setItem(row, column, new QTableWidgetItem(zeros[column]));
            texts[column] = table->item(row, column)->text();
        }
        p.steps.append(program::stepFromCells(row + 1, texts[0], texts[1], texts[2]));
    }

    const int first = p.programRun.start(
        p.steps.size(), ui->adjPowProgramStarPosition->text().toInt(),
        ui->adjPowProgramStopPosition->text().toInt(), ui->cycleIndex->text().toInt());
    applyProgramStep(first);
    switchPowerOutput(true);
    programTimer->start(program::durationMs(p.steps[first]));
    setProgramEditsEnabled(false);
    ui->adjPowProgramCurrentPosition->setText(QString::number(first + 1));
}

void Widget::advanceStep()
{
    AdjPower &p = *adjPower;
    programTimer->stop();
    switch (p.programRun.advance(p.outputOn != 0)) {
    case program::Run::Next::Ignore:
        // The timeout of a step whose run was stopped.
        break;
    case program::Run::Next::Apply: {
        const int index = p.programRun.stepIndex;
        ui->adjPowProgramCurrentPosition->setText(QString::number(index + 1));
        applyProgramStep(index);
        programTimer->start(program::durationMs(p.steps[index]));
        break;
    }
    case program::Run::Next::Stall:
        // The output was switched off: the run waits, its button still
        // pressed, until the user stops it.
        setProgramEditsEnabled(true);
        break;
    case program::Run::Next::Finish:
        // The position keeps the last step run.
        switchPowerOutput(false);
        ui->adjProgramONOFFPushButton->setChecked(false);
        setProgramEditsEnabled(true);
        break;
    }
}

void Widget::stopProgram()
{
    // The timer keeps its pending timeout; it finds no run and does nothing.
    adjPower->programRun.stop();
    switchPowerOutput(false);
    setProgramEditsEnabled(true);
    ui->adjPowProgramCurrentPosition->setText(ui->adjPowProgramStopPosition->text());
}

void Widget::applyProgramStep(int index)
{
    // Through the dials, like a set-point the user chooses: each value
    // becomes the unit the table shows (12.34 V is 1234 units of 10 mV),
    // limited to what the dials allow, and goes into the selected preset.
    const program::ProgramStep &step = adjPower->steps[index];
    showUnitsOnDials(
        setpoint::unitsFromValue(step.stepVoltage, adjPower->maxVoltage, setpoint::kVoltage),
        setpoint::unitsFromValue(step.stepCurrent, adjPower->maxCurrent, setpoint::kCurrent));
    // The set-points follow the preset now, not after the next answer: the
    // request that switches the output on for the first step carries that
    // step's values, not for one request those the slot held before.
    applySelectedPreset();
}

// ---------------------------------------------------------------------------
// The table file

void Widget::exportProgramTable()
{
    const QString title = QString::fromUtf8(kMessageTitle);
    QTableWidget *table = ui->adjProgramTableWidget;
    if (table->rowCount() == 0) {
        QMessageBox::information(this, title, QString::fromUtf8(kNoData));
        return;
    }
    const QString name = fileDialogs.saveFileName(this, QStringLiteral("保存数据"), QString(),
                                                  QStringLiteral("*.xls"));
    if (name.isEmpty())
        return; // cancelled

    const QAbstractItemModel *model = table->model();
    programtable::Table content;
    for (int column = 0; column < table->columnCount(); ++column)
        content.header << model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
            cells << model->data(model->index(row, column), Qt::DisplayRole).toString();
        content.rows << cells;
    }

    // Written beside the target and renamed over it only when complete: a
    // failed save (disk full) leaves the previous file as it was.
    QSaveFile file(name);
    bool saved = file.open(QIODevice::WriteOnly | QIODevice::Text);
    if (saved) {
        QTextStream out(&file);
        out << programtable::toText(content);
        out.flush();
        saved = out.status() == QTextStream::Ok && file.commit();
    }
    QMessageBox::information(this, title, QString::fromUtf8(saved ? kSaved : kSaveFailed));
}

void Widget::importProgramTable()
{
    const QString title = QString::fromUtf8(kMessageTitle);
    const QString name = fileDialogs.openFileName(
        this, QStringLiteral("打开文件"), importDirectory(), QStringLiteral("excel(*.xls)"));
    if (name.isEmpty()) {
        QMessageBox::warning(this, title, QString::fromUtf8(kNoPath));
        return;
    }
    QFile file(name);
    if (!regularfile::openForReading(file)) {
        QMessageBox::information(this, title, QString::fromUtf8(kOpenFailed));
        return;
    }
    // Read whole before the table changes, so that a failed read leaves the
    // table as it was.
    const programtable::ReadResult read = programtable::read(file);
    file.close();
    if (read.readError) {
        QMessageBox::information(this, title, QString::fromUtf8(kReadFailed));
        return;
    }

    // Every cell set raises itemChanged: the table's normalisation turns
    // each field into its column's number format.
    QTableWidget *table = ui->adjProgramTableWidget;
    table->clear();
    table->setRowCount(0);
    for (int column = 0; column < program::kColumnCount; ++column)
        table->setHorizontalHeaderItem(column,
                                       new QTableWidgetItem(read.table.header.value(column)));
    table->setRowCount(read.table.rows.size());
    for (int row = 0; row < read.table.rows.size(); ++row) {
        const QStringList &fields = read.table.rows[row];
        for (int column = 0; column < fields.size() && column < program::kColumnCount; ++column)
            table->setItem(row, column, new QTableWidgetItem(fields[column]));
    }
    QMessageBox::information(this, title,
                             read.truncated
                                 ? QString::fromUtf8(kImportedFirstRows).arg(programtable::kMaxRows)
                                 : QString::fromUtf8(kImported));
}
