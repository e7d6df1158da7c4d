#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box of the program goes through here, so that a test can
// answer a box in advance instead of waiting on a modal window, and can read
// back what the program asked to show.
class MessageBox
{
public:
    struct Shown
    {
        QMessageBox::Icon icon;
        QString caption;
        QString text;
    };

    // A modal box with one OK button.
    static QMessageBox::StandardButton warning(
        QWidget *parent, const QString &caption, const QString &text);
    static QMessageBox::StandardButton critical(
        QWidget *parent, const QString &caption, const QString &text);

    // The next box is not shown and returns this answer; calls queue up, one
    // answer per box.
    static void setNextAnswer(QMessageBox::StandardButton button);
    // Every later box without a queued answer returns this one instead of
    // being shown, so that a test that did not expect a box fails rather than
    // waits; NoButton shows them again.
    static void setDefaultAnswer(QMessageBox::StandardButton button);
    // Every box asked for since the last clearShown(), answered or not.
    static QList<Shown> shown();
    static void clearShown();

private:
    static QMessageBox::StandardButton show(
        QWidget *parent, QMessageBox::Icon icon, const QString &caption, const QString &text);
};
