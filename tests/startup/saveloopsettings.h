#pragma once

#include <QString>

// The two sets of settings the save loop writes in turn. They differ in every
// entry and in length, so a file holding part of a write matches neither.
struct SaveLoopSettings
{
    QString keyWord;
    qint32 maxPage;
    QString keyUrl;
};

inline SaveLoopSettings saveLoopFirst()
{
    return { QStringLiteral("甲关键词"), 1, QStringLiteral("http://a.example/") };
}

inline SaveLoopSettings saveLoopSecond()
{
    return { QStringLiteral("乙").repeated(60), -2000000000,
        QStringLiteral("http://b.example/") + QString(600, u'x') };
}
