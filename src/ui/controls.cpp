#include "ui/controls.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QVariant>

namespace {

class RoleLabelAccessible : public QAccessibleWidget
{
public:
    explicit RoleLabelAccessible(RoleLabel *label)
        : QAccessibleWidget(label, label->accessibleRole())
    {
    }

    // The caption is the name, so that the label's own notice of a new
    // caption (a name change) is what a screen reader announces.
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<const QLabel *>(widget())->text();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        if (role() == QAccessible::Link)
            return { pressAction() };
        return QAccessibleWidget::actionNames();
    }

    // A link takes no focus, so pressing it from a screen reader is a click
    // in its middle, handled where a mouse click is.
    void doAction(const QString &actionName) override
    {
        if (role() != QAccessible::Link || actionName != pressAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        QWidget *label = widget();
        const QPointF middle = QRectF(label->rect()).center();
        for (const QEvent::Type type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease }) {
            QMouseEvent click(type, middle, label->mapToGlobal(middle), Qt::LeftButton,
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(label, &click);
        }
    }
};

QAccessibleInterface *roleLabelFactory(const QString &className, QObject *object)
{
    if (className == QLatin1StringView(RoleLabel::staticMetaObject.className()))
        return new RoleLabelAccessible(static_cast<RoleLabel *>(object));
    return nullptr;
}

} // namespace

RoleLabel::RoleLabel(QAccessible::Role role, QWidget *parent)
    : QLabel(parent)
    , m_role(role)
{
    static const bool factoryInstalled = (QAccessible::installFactory(roleLabelFactory), true);
    Q_UNUSED(factoryInstalled);
}

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

QLabel *newLabel(QWidget *parent, const QString &objectName, QAccessible::Role role)
{
    QLabel *label
        = role == QAccessible::StaticText ? new QLabel(parent) : new RoleLabel(role, parent);
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
    int lineHeight, const QString &caption, QAccessible::Role role)
{
    QLabel *label = newLabel(parent, objectName, role);
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
