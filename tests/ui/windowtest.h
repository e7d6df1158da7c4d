#pragma once

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs inspect on the next modal window as soon as it is shown (from inside
// its own event loop), then closes it unless inspect already did. inspect
// gets null when no modal window showed up.
inline void onNextModalWindow(std::function<void(QWidget *)> inspect)
{
    auto *poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, tries, inspect] {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        if ((!modal || !modal->isVisible()) && ++*tries < 500)
            return;
        poll->stop();
        poll->deleteLater();
        inspect(modal);
        if (modal && modal->isVisible())
            modal->close();
    });
    poll->start(10);
}

// A control's place, in pixels. A label that sizes itself to its text has no
// width here: it keeps its left edge and stays centred on its line of the
// given height. Every label shows its text as plain text.
inline void checkPlaced(const QWidget *widget, const QRect &geometry)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        QCOMPARE(label->textFormat(), Qt::PlainText);
    if (geometry.width() == 0) {
        QCOMPARE(widget->x(), geometry.x());
        QVERIFY(qAbs(widget->geometry().center().y() - geometry.center().y()) <= 1);
        QCOMPARE(widget->size(), widget->sizeHint());
    } else {
        QCOMPARE(widget->geometry(), geometry);
    }
}
