#include "platform/scratchname.h"

#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace platform {

QString scratchName(const QString &path)
{
    return path + u'.' + QString::number(QRandomGenerator::global()->generate64(), 36) + u".tmp"_s;
}

} // namespace platform
