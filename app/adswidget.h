#pragma once

#include <QPixmap>
#include <QStringList>
#include <QWidget>

class QTimer;

// The image banner of the navigation bar: shows one picture at a time, scaled
// into the widget with its aspect ratio kept, and moves on to the next picture
// of the list every interval.
class AdsWidget : public QWidget {
    Q_OBJECT
public:
    explicit AdsWidget(QWidget *parent = nullptr);

    // Picture resource names, separated by ';'.
    void setImageNames(const QString &names);
    // A fixed banner size; an empty size lets the banner follow its container.
    void setBannerFixedSize(const QSize &size);
    // 0: stretch the picture over the banner; 1: fit it, centred.
    void setBannerStyle(int style);
    void setInterval(int milliseconds);

    int currentIndex() const { return m_current; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void showNext();

    QList<QPixmap> m_images;
    int m_current = 0;
    int m_style = 1;
    QTimer *m_timer;
};
