#pragma once

#include "platform/shell.h"
#include "search/windowops.h"

#include <QStringList>

#include <functional>

// The main window as the search sees it: boxes to fill, and a record of the
// status captions and yields.
class WindowDouble : public WindowOps
{
public:
    QString keyWord;
    QString url;
    QString page;
    QString result;
    int option = 0;
    QStringList statuses;
    int yields = 0;
    std::function<void()> onYield;

    QString keyWordText() const override { return keyWord; }
    QString urlText() const override { return url; }
    QString pageText() const override { return page; }
    QString resultText() const override { return result; }
    void setResultText(const QString &text) override { result = text; }
    void setStatus(const QString &text) override { statuses.append(text); }
    int openPageOption() const override { return option; }
    platform::WindowHandle nativeHandle() const override { return 0xC0FFEE; }
    void doEvents() override
    {
        ++yields;
        if (onYield)
            onYield();
    }
};

// Records every target handed to the shell as one line of its arguments.
class ShellDouble : public platform::Shell
{
public:
    QStringList calls;
    void execute(platform::WindowHandle owner, const QString &verb, const QString &file,
        const QString &parameters, const QString &directory, platform::ShowCommand show) override
    {
        calls.append(QString::number(owner, 16) + u'|' + verb + u'|' + file + u'|' + parameters
            + u'|' + directory + u'|' + QString::number(int(show)));
    }
};
