#pragma once

#include <QCoreApplication>

// The search waits for each page in an event loop, which needs an
// application object; a test without a window makes a plain one, once, and
// keeps it to the end of the process.
inline void ensureCoreApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "test";
    static char *argv[] = { name, nullptr };
    new QCoreApplication(argc, argv);
}
