#pragma once

#include <QApplication>
#include <QPointer>
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
