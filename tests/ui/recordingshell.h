#pragma once

#include "platform/shell.h"

#include <QList>
#include <QString>

// A shell that opens nothing and notes every call.
class RecordingShell : public platform::Shell
{
public:
    struct Call
    {
        platform::WindowHandle owner;
        QString verb;
        QString file;
        QString parameters;
        QString directory;
        int showCommand;
    };

    void execute(platform::WindowHandle owner, const QString &verb, const QString &file,
        const QString &parameters, const QString &directory, int showCommand) override
    {
        calls.append({ owner, verb, file, parameters, directory, showCommand });
    }

    QList<Call> calls;
};
