// The boot references' dialogs: making a reference (from the last capture,
// or from several of the session's captures), and the library (list,
// rename, delete, import, export, its folder, the start threshold). The
// window runs them through Widget::runDialog, so that tests fill them in
// and no dialog waits for a user.
#pragma once

#include "analysis/bootprofile.h"
#include "analysis/referencefile.h"

#include <QDialog>

#include <deque>
#include <functional>
#include <vector>

class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
struct FileDialogs;

// The name, model, note, tolerances and phases of a new reference, and for
// a reference of several captures which of them.
class BootReferenceDialog : public QDialog {
    Q_OBJECT
public:
    // `captures`: the session's captures, oldest first. With `several`, a
    // list to choose them from (the last five chosen); otherwise the last
    // one is the reference.
    BootReferenceDialog(QWidget *parent, const std::deque<bootprofile::Capture> &captures,
                        bool several);

    QLineEdit *name = nullptr;
    QLineEdit *model = nullptr;
    QLineEdit *note = nullptr;
    QDoubleSpinBox *absMilliamps = nullptr;
    QDoubleSpinBox *relPercent = nullptr;
    QDoubleSpinBox *timeMs = nullptr;
    // One item per capture, newest first, checkable (several only).
    QListWidget *captureList = nullptr;
    // Name, from (s), to (s).
    QTableWidget *phaseTable = nullptr;
    QPushButton *addPhase = nullptr;
    QPushButton *removePhase = nullptr;
    QDialogButtonBox *buttons = nullptr;

    bootprofile::Tolerance tolerance() const;
    // The phases of the table whose row has a name and from < to.
    QVector<bootprofile::Phase> phases() const;
    // Indices into `captures` of those chosen.
    std::vector<int> chosenCaptures() const;

private:
    void updateOk();
    int mCaptureCount;
};

// The library of references.
class BootLibraryDialog : public QDialog {
    Q_OBJECT
public:
    BootLibraryDialog(QWidget *parent, FileDialogs &fileDialogs, double thresholdAmps);

    // Name (editable: a rename), model, length, captures, note, file.
    QTableWidget *table = nullptr;
    QLabel *folderLabel = nullptr;
    QPushButton *renameButton = nullptr;
    QPushButton *deleteButton = nullptr;
    QPushButton *importButton = nullptr;
    QPushButton *exportButton = nullptr;
    QPushButton *folderButton = nullptr;
    QDoubleSpinBox *threshold = nullptr; // mA

    // The list again, from the folder.
    void reload();
    // The file of the reference in the selected row (empty: none).
    QString selectedFile() const;
    void selectFile(const QString &fileName);
    void renameSelected(const QString &newName);
    void deleteSelected();
    void importReference();
    void exportSelected();
    void changeFolder();

    // Something in the library changed (a rename, a deletion, an import,
    // the folder).
    std::function<void()> changed;
    // A reference's file got a new name (a rename): old, new.
    std::function<void(const QString &, const QString &)> renamed;

private:
    void cellEdited(int row, int column);
    void tell(const QString &text);

    FileDialogs &mFileDialogs;
    bool mFilling = false;
};

// The reason a reference file was refused, translated.
QString referenceErrorText(const bootprofile::FileError &error);
