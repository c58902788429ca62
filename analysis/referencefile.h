// The boot reference file and the library of them: one reference per file,
// JSON, in a folder. The format (doc/boot-reference-format.md) is versioned
// and human-readable; fields this program does not know are kept and
// written back, so that a newer file opens here and survives a rename. A
// damaged or foreign file is refused with what is wrong, and nothing else in
// the library is touched. Qt Core only.
#pragma once

#include "analysis/bootprofile.h"

#include <QList>
#include <QString>

#include <optional>

namespace bootprofile {

// The "format" field every reference file carries, and the version written.
// A reader takes its own version and newer ones: a newer version only adds
// fields (a change that does not is a new format name).
constexpr char kFormatName[] = "quorvaline-boot-reference";
constexpr int kFormatVersion = 1;
// The largest file read: a reference of an hour in 10 ms bins is about 8 MB.
constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;
// The most bins a reference may have.
constexpr int kMaxBins = 1000000;

// Why a file was refused.
struct FileError {
    enum Kind {
        None,
        CannotOpen,   // detail: the system's reason
        TooLarge,     // larger than kMaxFileBytes
        NotJson,      // detail: the parser's message and the offset
        NotReference, // no "format" field, or another format; detail: the format found
        BadField,     // detail: the field, e.g. "envelope_mA[12]"
        CannotWrite,  // detail: the system's reason
        Exists,       // detail: the file name
    };
    Kind kind = None;
    QString detail;
};
// The reason in English, for the command line.
QString errorText(const FileError &error);

// The file's text: the known fields in a fixed order, one envelope bin a
// line, then the unknown fields as they were read.
QByteArray toJson(const Reference &reference);
// A reference from a file's text, or why not.
std::optional<Reference> fromJson(const QByteArray &text, FileError *error);
// From a file (a regular file of at most kMaxFileBytes).
std::optional<Reference> readFile(const QString &path, FileError *error);
// Writes through a temporary file renamed over the target when complete.
bool writeFile(const QString &path, const Reference &reference, FileError *error);

// Where the library is. The default is the program's data folder (the
// window's QStandardPaths::AppDataLocation, which the command line shares),
// "boot-references" in it; a folder chosen in the window is remembered.
QString standardLibraryFolder();
QString libraryFolder();
// Chooses the folder and remembers it, unless this process has its own
// (overrideLibraryFolder), which it then changes instead.
void setLibraryFolder(const QString &folder);
// This process uses `folder` and remembers nothing (the demo, the tests).
void overrideLibraryFolder(const QString &folder);
// The file of the reference the window chose last (empty: none), kept as
// the folder is.
QString chosenReference();
void setChosenReference(const QString &fileName);

// The references of one folder: every "*.json" file in it.
class Library {
public:
    explicit Library(const QString &folder);
    QString folder() const { return mFolder; }

    struct Entry {
        QString fileName; // in the folder
        std::optional<Reference> reference;
        FileError error; // why the file is not a reference (reference empty)
    };
    // Every file, by file name; the damaged ones with their reason.
    QList<Entry> entries() const;
    // The reference named so, or whose file (with or without ".json") is
    // named so; nothing when none is.
    std::optional<Reference> find(const QString &name, QString *fileName = nullptr) const;

    // Adds a reference under a file name made from its name; returns that
    // file name (empty, with the reason, when it cannot be written).
    QString add(const Reference &reference, FileError *error);
    // Gives the reference in `fileName` a new name (and the file one made
    // from it). The new file name, or empty with the reason.
    QString rename(const QString &fileName, const QString &newName, FileError *error);
    bool remove(const QString &fileName, FileError *error);
    // Reads `path` and adds it when it is a reference (a name already taken
    // gets " (2)", " (3)", …); the new file name, or empty with the reason.
    QString importFile(const QString &path, FileError *error);
    // Writes the reference in `fileName` to `path`.
    bool exportFile(const QString &fileName, const QString &path, FileError *error);

    // The file name a reference of this name gets: its letters and digits,
    // other characters as '-', then ".json"; "-2", "-3", … when taken
    // (`replacing` counts as free: the file a rename rewrites).
    QString freeFileName(const QString &name, const QString &replacing = QString()) const;

private:
    QString pathOf(const QString &fileName) const;
    QString write(const Reference &reference, const QString &replacing, FileError *error);
    QString mFolder;
};

} // namespace bootprofile
