#include "support/files.h"

#include <QFile>

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size() && file.flush();
}

QDateTime distinctPastTime()
{
    static int calls = 0;
    return QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)).addSecs(++calls);
}

bool writePastFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size() && file.flush()
        && file.setFileTime(distinctPastTime(), QFileDevice::FileModificationTime);
}
