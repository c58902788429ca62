#include "app/alerts.h"

#include <QAudioDeviceInfo>
#include <QAudioFormat>
#include <QAudioOutput>
#include <QBuffer>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>
#include <QtEndian>

#include <cmath>

namespace alerts {

namespace {

constexpr int kSampleRate = 22050;
constexpr double kAmplitude = 0.3 * 32767;
constexpr int kFadeMs = 5;

const char kService[] = "org.freedesktop.Notifications";
const char kPath[] = "/org/freedesktop/Notifications";

// One tone playing: the sound and the bytes it reads, gone when it ends.
class Player : public QObject {
public:
    Player(const QAudioDeviceInfo &device, const QAudioFormat &format, const QByteArray &pcm)
        : QObject(QCoreApplication::instance()), mOutput(device, format, this), mPcm(pcm)
    {
        mBuffer.setData(mPcm);
        mBuffer.open(QIODevice::ReadOnly);
        connect(&mOutput, &QAudioOutput::stateChanged, this, [this](QAudio::State state) {
            if (state == QAudio::IdleState || state == QAudio::StoppedState) {
                mOutput.stop();
                deleteLater();
            }
        });
        mOutput.start(&mBuffer);
    }

private:
    QAudioOutput mOutput;
    QByteArray mPcm;
    QBuffer mBuffer;
};

} // namespace

QByteArray tonePcm(int sampleRate, int hertz, int ms)
{
    const int count = int(qint64(sampleRate) * ms / 1000);
    const int fade = qMax(1, sampleRate * kFadeMs / 1000);
    QByteArray pcm(count * 2, Qt::Uninitialized);
    auto *out = reinterpret_cast<uchar *>(pcm.data());
    for (int n = 0; n < count; ++n) {
        double gain = 1;
        if (n < fade)
            gain = double(n) / fade;
        else if (count - 1 - n < fade)
            gain = double(count - 1 - n) / fade;
        const double value = kAmplitude * gain * std::sin(2 * M_PI * hertz * n / sampleRate);
        qToLittleEndian<qint16>(qint16(std::lround(value)), out + 2 * n);
    }
    return pcm;
}

void playTone()
{
    QAudioFormat format;
    format.setSampleRate(kSampleRate);
    format.setChannelCount(1);
    format.setSampleSize(16);
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setByteOrder(QAudioFormat::LittleEndian);
    format.setSampleType(QAudioFormat::SignedInt);
    const QAudioDeviceInfo device = QAudioDeviceInfo::defaultOutputDevice();
    if (device.isNull() || !device.isFormatSupported(format))
        return;
    const QByteArray silence(kSampleRate / 20 * 2, '\0');
    new Player(device, format,
               tonePcm(kSampleRate, 880, 180) + silence + tonePcm(kSampleRate, 1320, 260));
}

void notifyDesktop(const QDBusConnection &bus, const QString &summary, const QString &body,
                   std::function<void(bool)> delivered)
{
    if (!bus.isConnected()) {
        delivered(false);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                       QLatin1String(kService), QStringLiteral("Notify"));
    // Critical urgency and no expiry: it stays until the user dismisses it,
    // as the window's banner stays until acknowledged.
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(2)));
    call << QStringLiteral("QUORVALINE") << uint(0) << QStringLiteral("quorvaline") << summary
         << body << QStringList() << hints << int(0);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [delivered = std::move(delivered)](QDBusPendingCallWatcher *call) {
                         delivered(!call->isError());
                         call->deleteLater();
                     });
}

void notifyDesktop(const QString &summary, const QString &body, std::function<void(bool)> delivered)
{
    notifyDesktop(QDBusConnection::sessionBus(), summary, body, std::move(delivered));
}

} // namespace alerts
