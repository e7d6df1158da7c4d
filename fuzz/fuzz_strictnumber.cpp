#include "startup/runtimeerror.h"
#include "startup/strictnumber.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

// Any text either gives a number or throws the run-time error; an accepted
// text written back in decimal reads as the same number.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const qint32 value = strictToLong(text);
        if (strictToLong(QString::number(value)) != value)
            std::abort();
    } catch (const RuntimeError &error) {
        if (error.number() != 13 && error.number() != 6)
            std::abort();
    }
    return 0;
}
