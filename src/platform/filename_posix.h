#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// File names between the file system's bytes and text, losing nothing: UTF-8
// sequences become their characters, and every other byte b becomes the lone
// surrogate U+DC00 + b (b >= 0x80), which no valid name's text holds; the way
// back turns exactly those into their bytes again.
namespace platform {

QString nameFromBytes(QByteArrayView bytes);
QByteArray nameToBytes(const QString &name);

} // namespace platform
