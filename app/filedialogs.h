// The file dialogs the window asks for file names. The window calls them
// through this table so that tests can answer in their place and no real
// dialog opens; by default they are QFileDialog's static functions.
#pragma once

#include <QString>

#include <functional>

class QWidget;

struct FileDialogs {
    // (parent, caption, directory, filter) -> the chosen name, empty when
    // the dialog was cancelled.
    using Ask = std::function<QString(QWidget *parent, const QString &caption,
                                      const QString &directory, const QString &filter)>;

    // The same, where the filter the user chose matters too: it comes back
    // in *selectedFilter, which holds the filter to preselect on the way in.
    using AskWithFilter =
        std::function<QString(QWidget *parent, const QString &caption, const QString &directory,
                              const QString &filter, QString *selectedFilter)>;

    FileDialogs();

    Ask saveFileName;                    // QFileDialog::getSaveFileName
    Ask openFileName;                    // QFileDialog::getOpenFileName
    AskWithFilter saveFileNameAndFilter; // QFileDialog::getSaveFileName with a selected filter
    Ask existingDirectory;               // QFileDialog::getExistingDirectory (no filter)
};
