#pragma once

#include <QAccessible>
#include <QLabel>
#include <QRect>
#include <QString>

class QWidget;

// The windows' layouts are given in twips, 15 to a pixel at 96 dots per inch;
// Qt scales the pixels for screens of a higher density.
constexpr int twipsToPixels(int twips)
{
    return twips / 15;
}

QRect twipsRect(int left, int top, int width, int height);

// Gives a window the platform's user-interface font at 9 points, the size
// its layout was made for; its controls inherit it.
void useWindowFont(QWidget *window);

// A label that assistive technology sees in a role of its own, with its
// caption as its name: a status line, whose every new caption is announced,
// or a link, which can be pressed from there as with a click.
class RoleLabel : public QLabel
{
    Q_OBJECT

public:
    RoleLabel(QAccessible::Role role, QWidget *parent);

    QAccessible::Role accessibleRole() const { return m_role; }

private:
    QAccessible::Role m_role;
};

// A label that shows its text as plain text, never as markup, named by
// objectName; a role other than static text makes it a RoleLabel.
QLabel *newLabel(
    QWidget *parent, const QString &objectName, QAccessible::Role role = QAccessible::StaticText);

// A label that sizes itself to its caption, placed on its line of the layout
// (twips). The layout's lines are as high as a 9-point caption of the
// platform the windows were laid out on; a font with a taller line keeps the
// label's left edge and its caption centred on that line, so that captions
// stay level with the text of the boxes beside them.
QLabel *newAutoSizeLabel(QWidget *parent, const QString &objectName, int left, int top,
    int lineHeight, const QString &caption, QAccessible::Role role = QAccessible::StaticText);

// Gives a label its caption and sizes it to it: the left edge and the middle
// of the line stay where they are.
void setAutoSizeCaption(QLabel *label, const QString &caption);
