#pragma once

#include "platform/shell.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The About window: the program's icon, title and version, credit line, the
// three contact links, the build date and OK. One object lives for the whole
// run; each opening builds the controls anew and decodes the texts again.
class frmAbout : public QDialog
{
public:
    frmAbout(platform::Shell &shell, QWidget *parent);

    // Builds the controls, runs the load sequence and shows the window
    // modally; returns once it is closed, with its controls destroyed.
    void showModal();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void load();
    void destroyControls();
    void openContact(const QLabel *label);

    platform::Shell &m_shell;
    QLabel *m_image1 = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_label2 = nullptr;
    QLabel *m_label4 = nullptr;
    QLabel *m_label6 = nullptr;
    QLabel *m_label8 = nullptr;
    QPushButton *m_command1 = nullptr;
};
