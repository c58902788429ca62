// The labels that show readings. The label refresh sets the meter's and the
// power supply's ten times a second; the boot line's poll hands its readings
// over 500 times a second, far more often than a screen shows them.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

class QLabel;
class RedrawPacer;

namespace readinglabel {

// Sets the label's text unless it shows that text already, so that an
// unchanged reading costs no layout pass and no repaint. Returns whether the
// text changed.
bool show(QLabel *label, const QString &text);

} // namespace readinglabel

// Readings shown at the display's rate: a poll hands over the texts of its
// labels, and the labels take the newest of them at most about 60 times a
// second (a RedrawPacer), each only when its text changes. The readings a poll
// stores in its state are not delayed, only what the labels show.
class ReadingLabels : public QObject {
    Q_OBJECT
public:
    explicit ReadingLabels(QObject *parent = nullptr);

    // `label` is to show `text` at the next redraw (at once with
    // RedrawPacing::EveryRequest). A text the label shows already, with no
    // other text waiting for it, asks for nothing.
    void show(QLabel *label, const QString &text);
    // Sets every text waiting now: for whoever must see the labels as the
    // last poll left them (a picture of the window, a test).
    void flush();
    bool isPending() const;

private:
    void apply();

    struct Waiting {
        QPointer<QLabel> label;
        QString text;
    };
    QVector<Waiting> mWaiting;
    RedrawPacer *mPacer;
};
