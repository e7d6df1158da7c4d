#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

// The windows' layouts are given in twips, 15 to a pixel at 96 dots per inch;
// Qt scales the pixels for screens of a higher density.
constexpr int twipsToPixels(int twips)
{
    return twips / 15;
}

QRect twipsRect(int left, int top, int width, int height);

// A label that shows its text as plain text, never as markup, named by
// objectName.
QLabel *newLabel(QWidget *parent, const QString &objectName);

// Gives a label its caption and sizes it to that caption; its top-left
// corner stays where it is.
void setAutoSizeCaption(QLabel *label, const QString &caption);
