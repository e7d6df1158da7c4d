#include "ui/controls.h"

#include <QLabel>
#include <QVariant>

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(
        twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

void useWindowFont(QWidget *window)
{
    QFont font = window->font();
    font.setPointSize(9);
    window->setFont(font);
}

QLabel *newLabel(QWidget *parent, const QString &objectName)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

namespace {

// Twice the y of the middle of a label's line, kept with the label so that
// re-sizing it never drifts by rounding.
constexpr char lineMiddleProperty[] = "lineMiddleTimesTwo";

} // namespace

QLabel *newAutoSizeLabel(QWidget *parent, const QString &objectName, int left, int top,
    int lineHeight, const QString &caption)
{
    QLabel *label = newLabel(parent, objectName);
    const QRect line = twipsRect(left, top, 0, lineHeight);
    label->move(line.topLeft());
    label->setProperty(lineMiddleProperty, 2 * line.y() + line.height());
    setAutoSizeCaption(label, caption);
    return label;
}

void setAutoSizeCaption(QLabel *label, const QString &caption)
{
    label->setText(caption);
    const QSize size = label->sizeHint();
    const QVariant lineMiddle = label->property(lineMiddleProperty);
    const int top = lineMiddle.isValid() ? (lineMiddle.toInt() - size.height()) / 2 : label->y();
    label->setGeometry(label->x(), top, size.width(), size.height());
}
