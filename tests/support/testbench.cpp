#include "testbench.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QtTest>

namespace testbench {

ModalCloser::ModalCloser(int intervalMs)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalCloser::closeOpenBox);
    m_timer.start(intervalMs);
}

void ModalCloser::closeOpenBox()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box)
        return;
    boxes.append(
        {box->windowTitle(), box->text(), qobject_cast<Widget *>(box->parentWidget()) != nullptr});
    box->done(QMessageBox::Ok);
}

QStringList ModalCloser::texts() const
{
    QStringList result;
    for (const Box &box : boxes)
        result << box.text;
    return result;
}

QStringList ModalCloser::hintTexts() const
{
    QStringList result;
    for (const Box &box : boxes) {
        if (box.title != QStringLiteral("提示") || !box.parentIsWindow)
            result << QStringLiteral("unexpected box: ") + box.title;
        result << box.text;
    }
    return result;
}

bool hasSlot(const QObject *object, const char *slot)
{
    const QByteArray signature = QMetaObject::normalizedSignature(QByteArray(slot) + "()");
    return object->metaObject()->indexOfSlot(signature.constData()) >= 0;
}

void Window::invoke(const char *slot) const
{
    const bool found = hasSlot(widget.get(), slot);
    const QByteArray description = QByteArray("Widget has no slot ") + slot + "()";
    QTest::qVerify(found, "hasSlot(widget, slot)", description.constData(), __FILE__, __LINE__);
    if (found)
        QMetaObject::invokeMethod(widget.get(), slot);
}

QList<QTimer *> windowTimers(const Widget &widget)
{
    return {widget.meterPollTimer,        widget.displayTimer,       widget.accumulateTimer,
            widget.programTimer,          widget.discoveryTimer,     widget.adjPower->pollTimer,
            widget.oneKeyLine->pollTimer, widget.stopConditionsTimer};
}

Window makeWindow()
{
    sim::bus().reset();
    startup::initResources();
    Window w{std::make_unique<Widget>()};
    for (QTimer *timer : windowTimers(*w.widget))
        timer->stop();
    return w;
}

int attachMeter(std::shared_ptr<sim::MeterModel> model)
{
    return sim::bus().attach(model);
}

} // namespace testbench
