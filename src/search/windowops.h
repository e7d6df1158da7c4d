#pragma once

#include "platform/shell.h"

#include <QString>

// What the rank search needs from the main window. The main window
// implements it; tests implement it with a double.
class WindowOps
{
public:
    virtual ~WindowOps() = default;

    virtual QString keyWordText() const = 0; // txtKeyWord
    virtual QString urlText() const = 0; // txtUrl
    virtual QString pageText() const = 0; // txtPage
    virtual QString resultText() const = 0; // txtResult
    virtual void setResultText(const QString &text) = 0;
    // lblStatus; shown as plain text.
    virtual void setStatus(const QString &text) = 0;
    // Check1: 0 is unticked, any other value ticked.
    virtual int openPageOption() const = 0;
    virtual platform::WindowHandle nativeHandle() const = 0;
    // Lets the window system deliver every pending event, then returns.
    virtual void doEvents() = 0;
};
