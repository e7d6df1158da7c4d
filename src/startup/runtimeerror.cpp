#include "startup/runtimeerror.h"

RuntimeError::RuntimeError(int number, QString description)
    : m_number(number)
    , m_description(std::move(description))
    , m_what(message().toUtf8())
{
}

RuntimeError RuntimeError::typeMismatch()
{
    return RuntimeError(13, QStringLiteral("类型不匹配"));
}

RuntimeError RuntimeError::overflow()
{
    return RuntimeError(6, QStringLiteral("溢出"));
}

QString RuntimeError::message() const
{
    return QStringLiteral("运行时错误 '%1':\n\n%2").arg(m_number).arg(m_description);
}
