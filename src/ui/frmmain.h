#pragma once

#include <QWidget>

// Placeholder of the main window until the window work lands.
class frmMain : public QWidget
{
public:
    static frmMain &defaultInstance();
};
