#include "tools/bootline/bootreferencedialogs.h"

#include "app/filedialogs.h"
#include "app/widget.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QDoubleSpinBox *spinBox(double low, double high, int decimals, double value)
{
    auto *box = new QDoubleSpinBox;
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setValue(value);
    return box;
}

// A capture as the list shows it: when, how long, its peak.
QString captureText(const bootprofile::Capture &capture)
{
    const QString when = capture.startedUtcMs ? QDateTime::fromMSecsSinceEpoch(capture.startedUtcMs)
                                                    .toString(QStringLiteral("HH:mm:ss"))
                                              : QStringLiteral("--:--:--");
    return Widget::tr("%1，%2 s，峰值 %3 A")
        .arg(when, QString::number(double(capture.lengthUs()) / 1e6, 'f', 2),
             QString::number(capture.peakAmps(), 'f', 3));
}

// The seconds typed into a phase cell; false for anything else.
bool secondsOf(const QTableWidgetItem *item, double *seconds)
{
    bool ok = false;
    *seconds = item ? item->text().trimmed().toDouble(&ok) : 0;
    return ok && std::isfinite(*seconds) && *seconds >= 0 && *seconds < 1e5;
}

} // namespace

QString referenceErrorText(const bootprofile::FileError &error)
{
    using bootprofile::FileError;
    switch (error.kind) {
    case FileError::None:
        return QString();
    case FileError::CannotOpen:
        return Widget::tr("无法打开（%1）").arg(error.detail);
    case FileError::TooLarge:
        return Widget::tr("文件太大");
    case FileError::NotJson:
        return Widget::tr("不是 JSON 文件（%1）").arg(error.detail);
    case FileError::NotReference:
        return Widget::tr("不是开机参考文件");
    case FileError::BadField:
        return Widget::tr("字段 %1 缺失或有误").arg(error.detail);
    case FileError::CannotWrite:
        return Widget::tr("无法写入（%1）").arg(error.detail);
    case FileError::Exists:
        return Widget::tr("%1 已存在").arg(error.detail);
    }
    return QString();
}

// ---------------------------------------------------------------------------
// A new reference

BootReferenceDialog::BootReferenceDialog(QWidget *parent,
                                         const std::deque<bootprofile::Capture> &captures,
                                         bool several)
    : QDialog(parent), mCaptureCount(int(captures.size()))
{
    setWindowTitle(several ? Widget::tr("由多次采集生成参考") : Widget::tr("保存为参考"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    name = new QLineEdit;
    model = new QLineEdit;
    note = new QLineEdit;
    const bootprofile::Tolerance defaults;
    absMilliamps = spinBox(0, 5000, 1, defaults.absMilliamps);
    relPercent = spinBox(0, 100, 1, defaults.relPercent);
    timeMs = spinBox(0, 5000, 0, defaults.timeMs);
    form->addRow(Widget::tr("名称"), name);
    form->addRow(Widget::tr("手机型号"), model);
    form->addRow(Widget::tr("备注"), note);
    form->addRow(Widget::tr("电流容差 (mA)"), absMilliamps);
    form->addRow(Widget::tr("相对容差 (%)"), relPercent);
    form->addRow(Widget::tr("时间容差 (ms)"), timeMs);
    layout->addLayout(form);

    if (several) {
        layout->addWidget(new QLabel(Widget::tr("采集")));
        captureList = new QListWidget;
        // Newest first; the last five chosen.
        for (int k = mCaptureCount - 1; k >= 0; --k) {
            auto *item = new QListWidgetItem(captureText(captures[size_t(k)]), captureList);
            item->setData(Qt::UserRole, k);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(k >= mCaptureCount - 5 ? Qt::Checked : Qt::Unchecked);
        }
        connect(captureList, &QListWidget::itemChanged, this, &BootReferenceDialog::updateOk);
        layout->addWidget(captureList);
    }

    layout->addWidget(new QLabel(Widget::tr("阶段")));
    phaseTable = new QTableWidget(0, 3);
    phaseTable->setHorizontalHeaderLabels(
        {Widget::tr("名称"), Widget::tr("开始 (s)"), Widget::tr("结束 (s)")});
    phaseTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    phaseTable->verticalHeader()->hide();
    layout->addWidget(phaseTable);
    auto *phaseButtons = new QHBoxLayout;
    addPhase = new QPushButton(Widget::tr("添加阶段"));
    removePhase = new QPushButton(Widget::tr("删除阶段"));
    phaseButtons->addWidget(addPhase);
    phaseButtons->addWidget(removePhase);
    phaseButtons->addStretch();
    layout->addLayout(phaseButtons);
    connect(addPhase, &QPushButton::clicked, this, [this] {
        // A new phase starts where the last one ends.
        const int row = phaseTable->rowCount();
        double from = 0;
        if (row > 0)
            secondsOf(phaseTable->item(row - 1, 2), &from);
        phaseTable->insertRow(row);
        phaseTable->setItem(row, 0, new QTableWidgetItem);
        phaseTable->setItem(row, 1, new QTableWidgetItem(QString::number(from)));
        phaseTable->setItem(row, 2, new QTableWidgetItem(QString::number(from + 1)));
    });
    connect(removePhase, &QPushButton::clicked, this, [this] {
        if (phaseTable->currentRow() >= 0)
            phaseTable->removeRow(phaseTable->currentRow());
    });

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(name, &QLineEdit::textChanged, this, &BootReferenceDialog::updateOk);
    updateOk();
}

void BootReferenceDialog::updateOk()
{
    const bool named = !name->text().trimmed().isEmpty();
    buttons->button(QDialogButtonBox::Ok)->setEnabled(named && !chosenCaptures().empty());
}

bootprofile::Tolerance BootReferenceDialog::tolerance() const
{
    bootprofile::Tolerance t;
    t.absMilliamps = absMilliamps->value();
    t.relPercent = relPercent->value();
    t.timeMs = timeMs->value();
    return t;
}

QVector<bootprofile::Phase> BootReferenceDialog::phases() const
{
    QVector<bootprofile::Phase> list;
    for (int row = 0; row < phaseTable->rowCount(); ++row) {
        const QTableWidgetItem *nameItem = phaseTable->item(row, 0);
        double from = 0;
        double to = 0;
        if (!nameItem || nameItem->text().trimmed().isEmpty() ||
            !secondsOf(phaseTable->item(row, 1), &from) ||
            !secondsOf(phaseTable->item(row, 2), &to) || to <= from)
            continue;
        bootprofile::Phase phase;
        phase.name = nameItem->text().trimmed();
        phase.fromUs = qint64(std::llround(from * 1e6));
        phase.toUs = qint64(std::llround(to * 1e6));
        list << phase;
    }
    return list;
}

std::vector<int> BootReferenceDialog::chosenCaptures() const
{
    std::vector<int> chosen;
    if (!captureList) {
        if (mCaptureCount > 0)
            chosen.push_back(mCaptureCount - 1);
        return chosen;
    }
    for (int row = captureList->count() - 1; row >= 0; --row) {
        const QListWidgetItem *item = captureList->item(row);
        if (item->checkState() == Qt::Checked)
            chosen.push_back(item->data(Qt::UserRole).toInt());
    }
    return chosen;
}

// ---------------------------------------------------------------------------
// The library

namespace {
enum Column { NameColumn, ModelColumn, LengthColumn, CapturesColumn, NoteColumn, FileColumn };
}

BootLibraryDialog::BootLibraryDialog(QWidget *parent, FileDialogs &fileDialogs,
                                     double thresholdAmps)
    : QDialog(parent), mFileDialogs(fileDialogs)
{
    setWindowTitle(Widget::tr("参考库"));
    resize(760, 420);
    auto *layout = new QVBoxLayout(this);
    auto *folderRow = new QHBoxLayout;
    folderLabel = new QLabel;
    folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folderButton = new QPushButton(Widget::tr("更改文件夹…"));
    folderRow->addWidget(folderLabel, 1);
    folderRow->addWidget(folderButton);
    layout->addLayout(folderRow);

    table = new QTableWidget(0, 6);
    table->setHorizontalHeaderLabels({Widget::tr("名称"), Widget::tr("手机型号"),
                                      Widget::tr("长度 (s)"), Widget::tr("采集数"),
                                      Widget::tr("备注"), Widget::tr("文件")});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    layout->addWidget(table);

    auto *buttonsRow = new QHBoxLayout;
    renameButton = new QPushButton(Widget::tr("重命名"));
    deleteButton = new QPushButton(Widget::tr("删除参考"));
    importButton = new QPushButton(Widget::tr("导入…"));
    exportButton = new QPushButton(Widget::tr("导出…"));
    for (QPushButton *button : {renameButton, deleteButton, importButton, exportButton})
        buttonsRow->addWidget(button);
    buttonsRow->addStretch();
    buttonsRow->addWidget(new QLabel(Widget::tr("起始阈值 (mA)")));
    threshold = spinBox(0.1, 5000, 1, thresholdAmps * 1000.0);
    buttonsRow->addWidget(threshold);
    layout->addLayout(buttonsRow);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close);
    close->button(QDialogButtonBox::Close)->setText(Widget::tr("关闭"));
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(close);

    connect(renameButton, &QPushButton::clicked, this, [this] {
        if (table->currentRow() >= 0)
            table->editItem(table->item(table->currentRow(), NameColumn));
    });
    connect(deleteButton, &QPushButton::clicked, this, &BootLibraryDialog::deleteSelected);
    connect(importButton, &QPushButton::clicked, this, &BootLibraryDialog::importReference);
    connect(exportButton, &QPushButton::clicked, this, &BootLibraryDialog::exportSelected);
    connect(folderButton, &QPushButton::clicked, this, &BootLibraryDialog::changeFolder);
    connect(table, &QTableWidget::cellChanged, this, &BootLibraryDialog::cellEdited);
    reload();
}

void BootLibraryDialog::reload()
{
    const QString selected = selectedFile();
    const QString folder = bootprofile::libraryFolder();
    folderLabel->setText(Widget::tr("文件夹：%1").arg(QDir::toNativeSeparators(folder)));
    const QList<bootprofile::Library::Entry> entries = bootprofile::Library(folder).entries();
    mFilling = true;
    table->setRowCount(0);
    for (const bootprofile::Library::Entry &entry : entries) {
        const int row = table->rowCount();
        table->insertRow(row);
        QStringList cells;
        if (entry.reference) {
            const bootprofile::Reference &r = *entry.reference;
            cells = QStringList{r.name,
                                r.model,
                                QString::number(double(r.lengthUs()) / 1e6, 'f', 2),
                                QString::number(r.captures),
                                r.note,
                                entry.fileName};
        } else {
            // A damaged or foreign file is listed with its reason, and left
            // as it is.
            cells = QStringList{QString(),
                                QString(),
                                QString(),
                                QString(),
                                Widget::tr("已损坏：%1").arg(referenceErrorText(entry.error)),
                                entry.fileName};
        }
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            if (column != NameColumn || !entry.reference)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            if (!entry.reference)
                item->setForeground(QColor(160, 160, 160));
            table->setItem(row, column, item);
        }
    }
    mFilling = false;
    selectFile(selected);
}

QString BootLibraryDialog::selectedFile() const
{
    const int row = table->currentRow();
    const QTableWidgetItem *item = row >= 0 ? table->item(row, FileColumn) : nullptr;
    return item ? item->text() : QString();
}

void BootLibraryDialog::selectFile(const QString &fileName)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, FileColumn)->text() == fileName) {
            table->setCurrentCell(row, NameColumn);
            return;
        }
    }
}

void BootLibraryDialog::tell(const QString &text)
{
    QMessageBox::information(this, Widget::tr("提示"), text, QMessageBox::Ok);
}

void BootLibraryDialog::cellEdited(int row, int column)
{
    if (mFilling || column != NameColumn)
        return;
    table->setCurrentCell(row, NameColumn);
    renameSelected(table->item(row, NameColumn)->text());
}

void BootLibraryDialog::renameSelected(const QString &newName)
{
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    const QString trimmed = newName.trimmed();
    bootprofile::FileError error;
    const QString renamed =
        trimmed.isEmpty()
            ? QString()
            : bootprofile::Library(bootprofile::libraryFolder()).rename(file, trimmed, &error);
    if (renamed.isEmpty() && !trimmed.isEmpty())
        tell(Widget::tr("无法重命名：%1").arg(referenceErrorText(error)));
    reload();
    selectFile(renamed.isEmpty() ? file : renamed);
    if (renamed.isEmpty())
        return;
    if (this->renamed)
        this->renamed(file, renamed);
    if (changed)
        changed();
}

void BootLibraryDialog::deleteSelected()
{
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    const QString shown = table->item(table->currentRow(), NameColumn)->text();
    QMessageBox ask(QMessageBox::Question, Widget::tr("提示"),
                    Widget::tr("删除参考“%1”？").arg(shown.isEmpty() ? file : shown),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    ask.setDefaultButton(QMessageBox::Cancel);
    if (ask.exec() != QMessageBox::Ok)
        return;
    bootprofile::FileError error;
    if (!bootprofile::Library(bootprofile::libraryFolder()).remove(file, &error))
        tell(Widget::tr("无法删除：%1").arg(referenceErrorText(error)));
    reload();
    if (changed)
        changed();
}

void BootLibraryDialog::importReference()
{
    const QString path = mFileDialogs.openFileName(this, Widget::tr("导入…"), QString(),
                                                   Widget::tr("参考文件 (*.json)"));
    if (path.isEmpty())
        return; // cancelled
    bootprofile::FileError error;
    const QString added =
        bootprofile::Library(bootprofile::libraryFolder()).importFile(path, &error);
    if (added.isEmpty()) {
        tell(Widget::tr("无法导入 %1：%2")
                 .arg(QDir::toNativeSeparators(path), referenceErrorText(error)));
        return;
    }
    reload();
    selectFile(added);
    if (changed)
        changed();
}

void BootLibraryDialog::exportSelected()
{
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    QString path =
        mFileDialogs.saveFileName(this, Widget::tr("导出…"), file, Widget::tr("参考文件 (*.json)"));
    if (path.isEmpty())
        return; // cancelled
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".json");
    bootprofile::FileError error;
    if (!bootprofile::Library(bootprofile::libraryFolder()).exportFile(file, path, &error))
        tell(Widget::tr("无法导出到 %1").arg(QDir::toNativeSeparators(path)));
}

void BootLibraryDialog::changeFolder()
{
    const QString folder = mFileDialogs.existingDirectory(this, Widget::tr("选择参考文件夹"),
                                                          bootprofile::libraryFolder(), QString());
    if (folder.isEmpty())
        return; // cancelled
    bootprofile::setLibraryFolder(folder);
    reload();
    if (changed)
        changed();
}
