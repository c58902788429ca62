// The window's file dialogs answered by the test: every question is recorded
// and answered with the name the test chose, and no real dialog opens.
#pragma once

#include <QList>
#include <QString>

class QWidget;
class Widget;

namespace testbench {

struct AnsweredDialogs {
    // One question put to a file dialog.
    struct Asked {
        QWidget *parent;
        QString caption;
        QString directory;
        QString filter;
    };

    // Answers the window's save and open dialogs from now on; the object must
    // outlive the window's use of them.
    void answer(Widget &window);

    QList<Asked> saves; // both kinds of save dialog, with or without a chosen file type
    QList<Asked> opens;
    QString saveAnswer; // empty: the dialog is cancelled
    QString openAnswer;
    // The file type chosen in a save dialog that offers several (the
    // filter's text); empty: the one the window preselected.
    QString chosenFilter;
};

} // namespace testbench
