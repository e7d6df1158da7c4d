#pragma once

#include "platform/shell.h"
#include "search/ranksearch.h"
#include "search/windowops.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class frmAbout;

// The program's working window: the three boxes that mirror the settings,
// the result box, the open-page option, Search and About, and the status
// line docked to the bottom edge. The rank search runs inside the Search
// click and works on this window through WindowOps.
class frmMain : public QWidget, public WindowOps
{
public:
    // The one main window of the program, created on first use.
    static frmMain &defaultInstance();

    // A window that fetches pages through GetBodyByXml and opens targets in
    // the desktop.
    frmMain();
    // A window with its own page fetch and shell (tests).
    frmMain(RankSearch::Fetch fetch, platform::Shell &shell);
    ~frmMain() override;

    QString keyWordText() const override;
    QString urlText() const override;
    QString pageText() const override;
    QString resultText() const override;
    void setResultText(const QString &text) override;
    void setStatus(const QString &text) override;
    int openPageOption() const override;
    platform::WindowHandle nativeHandle() const override;
    void doEvents() override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void load();
    void dockStatusLine();
    void unload();
    void showAbout();

    platform::Shell &m_shell;
    RankSearch m_search;
    frmAbout *m_about = nullptr;
    bool m_centred = false;

    QLabel *m_label1 = nullptr;
    QLineEdit *m_txtKeyWord = nullptr;
    QLabel *m_label4 = nullptr;
    QLineEdit *m_txtPage = nullptr;
    QLabel *m_label5 = nullptr;
    QLabel *m_label2 = nullptr;
    QLineEdit *m_txtUrl = nullptr;
    QCheckBox *m_check1 = nullptr;
    QLabel *m_label3 = nullptr;
    QLineEdit *m_txtResult = nullptr;
    QLabel *m_label6 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
    QLabel *m_lblStatus = nullptr;
};
