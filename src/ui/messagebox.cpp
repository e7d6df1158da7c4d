#include "ui/messagebox.h"

#include <QQueue>

namespace {

QQueue<QMessageBox::StandardButton> &answers()
{
    static QQueue<QMessageBox::StandardButton> queue;
    return queue;
}

QMessageBox::StandardButton defaultAnswer = QMessageBox::NoButton;

QList<MessageBox::Shown> &shownBoxes()
{
    static QList<MessageBox::Shown> list;
    return list;
}

} // namespace

QMessageBox::StandardButton MessageBox::warning(
    QWidget *parent, const QString &caption, const QString &text)
{
    return show(parent, QMessageBox::Warning, caption, text);
}

QMessageBox::StandardButton MessageBox::critical(
    QWidget *parent, const QString &caption, const QString &text)
{
    return show(parent, QMessageBox::Critical, caption, text);
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton button)
{
    answers().enqueue(button);
}

void MessageBox::setDefaultAnswer(QMessageBox::StandardButton button)
{
    defaultAnswer = button;
}

QList<MessageBox::Shown> MessageBox::shown()
{
    return shownBoxes();
}

void MessageBox::clearShown()
{
    shownBoxes().clear();
}

QMessageBox::StandardButton MessageBox::show(
    QWidget *parent, QMessageBox::Icon icon, const QString &caption, const QString &text)
{
    shownBoxes().append({ icon, caption, text });
    if (!answers().isEmpty())
        return answers().dequeue();
    if (defaultAnswer != QMessageBox::NoButton)
        return defaultAnswer;

    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    return QMessageBox::StandardButton(box.exec());
}
