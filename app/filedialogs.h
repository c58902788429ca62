#pragma once

#include <QString>

#include <functional>

class QWidget;

// The file dialogs the window opens, kept replaceable so that a test can
// choose a file (or cancel) without a real dialog.
struct FileDialogs {
    using OpenFileName = std::function<QString(QWidget *parent, const QString &caption,
                                               const QString &directory, const QString &filter)>;

    // Asks for an existing file; an empty string when the user cancels.
    // QFileDialog::getOpenFileName unless replaced.
    OpenFileName getOpenFileName;

    FileDialogs();
};
