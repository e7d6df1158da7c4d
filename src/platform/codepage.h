#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Conversion between the program's Unicode texts and the system's narrow
// (ANSI) code page, which is 936 on the systems the program is made for.
namespace platform {

// Each character the code page cannot hold becomes one "?".
QByteArray toAnsi(QStringView text);

// Throws std::runtime_error when the bytes are not valid in the code page.
QString fromAnsi(QByteArrayView bytes);

} // namespace platform
