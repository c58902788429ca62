#include "readinglabel.h"

#include "charts/redrawpacer.h"

#include <QLabel>

namespace readinglabel {

bool show(QLabel *label, const QString &text)
{
    if (label->text() == text)
        return false;
    label->setText(text);
    return true;
}

} // namespace readinglabel

ReadingLabels::ReadingLabels(QObject *parent)
    : QObject(parent), mPacer(new RedrawPacer(this, [this] { apply(); }))
{
}

void ReadingLabels::show(QLabel *label, const QString &text)
{
    for (int i = 0; i < mWaiting.size(); ++i) {
        if (mWaiting[i].label != label)
            continue;
        if (label->text() == text)
            mWaiting.removeAt(i); // back to what it shows: nothing to set
        else
            mWaiting[i].text = text;
        return;
    }
    if (label->text() == text)
        return;
    mWaiting.append({label, text});
    mPacer->request();
}

void ReadingLabels::flush()
{
    mPacer->flush();
}

bool ReadingLabels::isPending() const
{
    return !mWaiting.isEmpty();
}

void ReadingLabels::apply()
{
    const QVector<Waiting> waiting = std::move(mWaiting);
    mWaiting.clear();
    for (const Waiting &w : waiting) {
        if (w.label)
            readinglabel::show(w.label, w.text);
    }
}
