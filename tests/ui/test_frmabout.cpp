#include "startup/modini.h"
#include "startup/modpub.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"

#include "support/doubles.h"
#include "windowtest.h"

#include <QAccessible>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The version of this build, project(VERSION), as the About window names it:
// a third number of 0 is left out.
QString shownVersion()
{
    QString version = QStringLiteral(TOLVARO_VERSION);
    if (version.count(u'.') == 2 && version.endsWith(u".0"_s))
        version.chop(2);
    return version;
}

} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void layout();
    void openedTwice();
    void accessibility();

private:
    // Opens the About window with the main window's button, runs inspect on
    // it while it is shown, and returns once it is closed again.
    void openAbout(const std::function<void(QWidget *)> &inspect);

    QTemporaryDir m_dir;
    ShellDouble m_shell;
    std::unique_ptr<frmMain> m_main;
};

void TestFrmAbout::initTestCase()
{
    modIni::strIniFile = m_dir.filePath(u"TLV.INI"_s);
    modPub::setEndHandler([] {});
}

void TestFrmAbout::init()
{
    m_shell.calls.clear();
    MessageBox::clearShown();
    MessageBox::setDefaultAnswer(QMessageBox::Ok);
    m_main = std::make_unique<frmMain>([](const QString &) { return PageBody(); }, m_shell);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void TestFrmAbout::openAbout(const std::function<void(QWidget *)> &inspect)
{
    bool inspected = false;
    onNextModalWindow([&](QWidget *modal) {
        inspected = modal && modal->objectName() == u"frmAbout"_s;
        if (inspected)
            inspect(modal);
    });
    // The click returns once the About window is closed.
    QTest::mouseClick(m_main->findChild<QWidget *>(u"Command2"_s), Qt::LeftButton);
    QVERIFY2(inspected, "the About window did not open modally");
    QVERIFY(!QApplication::activeModalWidget());
}

void TestFrmAbout::layout()
{
    const struct
    {
        QString name;
        QString text;
        QRect geometry;
        bool contact;
    } controls[] = {
        { u"Image1"_s, QString(), QRect(16, 8, 37, 37), false },
        { u"Label1"_s, u"Tolvaro "_s + shownVersion(), QRect(72, 8, 0, 12), false },
        { u"Label2"_s, u"作者: Tolvaro 开发组"_s, QRect(72, 32, 0, 12), false },
        { u"Label3"_s, u"主页:"_s, QRect(72, 48, 0, 12), false },
        { u"Label4"_s, u"www.tolvaro.example"_s, QRect(104, 48, 0, 12), true },
        { u"Label5"_s, u"聊天:"_s, QRect(72, 64, 0, 12), false },
        { u"Label6"_s, u"help@im.tolvaro.example"_s, QRect(104, 64, 0, 12), true },
        { u"Label7"_s, u"邮箱:"_s, QRect(72, 80, 0, 12), false },
        { u"Label8"_s, u"support@tolvaro.example"_s, QRect(104, 80, 0, 12), true },
        { u"Label9"_s, u"2009-08-21"_s, QRect(72, 104, 0, 12), false },
        { u"Command1"_s, u"确定"_s, QRect(120, 128, 81, 22), false },
    };

    openAbout([&](QWidget *about) {
        QCOMPARE(about->windowTitle(), u"关于"_s);
        QCOMPARE(about->size(), QSize(326, 160));
        QCOMPARE(about->minimumSize(), about->maximumSize());
        QVERIFY(!(
            about->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(about->focusWidget()->objectName(), u"Command1"_s);
        QCOMPARE(about->findChildren<QWidget *>().size(), std::size(controls));

        for (const auto &c : controls) {
            const QWidget *widget = about->findChild<QWidget *>(c.name);
            QVERIFY2(widget, qPrintable(c.name));
            QCOMPARE(widget->property("text").toString(), c.text);
            QCOMPARE(widget->focusPolicy() == Qt::NoFocus, c.name != u"Command1"_s);
            checkPlaced(widget, c.geometry);

            // Blue, underlined Song face and the pointing hand (hot spot at the
            // fingertip) on the contact labels only.
            const QCursor cursor = widget->cursor();
            QCOMPARE(widget->testAttribute(Qt::WA_SetCursor), c.contact);
            QCOMPARE(widget->font().pointSize(), 9);
            QCOMPARE(widget->font().underline(), c.contact);
            QCOMPARE(widget->palette().color(QPalette::WindowText) == QColor(0, 0, 255), c.contact);
            if (c.contact) {
                QCOMPARE(cursor.shape(), Qt::BitmapCursor);
                QCOMPARE(cursor.hotSpot(), QPoint(6, 0));
                // 32 x 32 in the layout's pixels, with a pixel of the image
                // for each pixel of the screen.
                QCOMPARE(cursor.pixmap().deviceIndependentSize(), QSizeF(32, 32));
                QVERIFY(cursor.pixmap().devicePixelRatio() >= widget->devicePixelRatio());
                QCOMPARE(widget->font().families().value(0), u"宋体"_s);
            }
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(c.name));
        }
    });
    QVERIFY(MessageBox::shown().isEmpty());
}

// Each opening builds the controls anew with the same texts, and only the
// three contact labels open anything.
void TestFrmAbout::openedTwice()
{
    QList<QPointer<QWidget>> windows;
    QList<QPointer<QLabel>> labels;
    QList<QStringList> texts;
    QStringList expectedCalls;
    const auto inspect = [&](QWidget *about) {
        windows.append(about);
        labels.append(about->findChild<QLabel *>(u"Label1"_s));
        QStringList shown;
        for (const QLabel *label : about->findChildren<QLabel *>())
            shown.append(label->text());
        texts.append(shown);

        for (const QString &name :
            { u"Label4"_s, u"Label3"_s, u"Label6"_s, u"Label1"_s, u"Label8"_s })
            QTest::mouseClick(about->findChild<QWidget *>(name), Qt::LeftButton);
        const QString owner = QString::number(about->winId(), 16);
        expectedCalls << owner + u"|open|http://www.tolvaro.example/|||1"_s
                      << u"0||xmpp:help@im.tolvaro.example?message|||5"_s
                      << owner + u"|open|mailto:support@tolvaro.example|||1"_s;

        // Esc does nothing; the OK button holds the focus, so Enter (first
        // opening) or Space (second) presses it.
        QWidget *ok = about->findChild<QWidget *>(u"Command1"_s);
        QTest::keyClick(ok, Qt::Key_Escape);
        QVERIFY(about->isVisible());
        QTest::keyClick(ok, windows.size() == 1 ? Qt::Key_Return : Qt::Key_Space);
        QVERIFY(!about->isVisible());
    };
    openAbout(inspect);
    openAbout(inspect);

    QCOMPARE(texts.size(), 2);
    QCOMPARE(windows[1], windows[0]);
    QVERIFY(labels[0].isNull());
    QCOMPARE(texts[1], texts[0]);
    QVERIFY(texts[1].contains(u"help@im.tolvaro.example"_s));
    QCOMPARE(m_shell.calls, expectedCalls);
    QVERIFY(MessageBox::shown().isEmpty());
}

// The contact labels are links that tell their targets and open them when
// pressed from a screen reader; no other label is a link.
void TestFrmAbout::accessibility()
{
    const QStringList contacts { u"Label4"_s, u"Label6"_s, u"Label8"_s };
    QStringList targets;
    openAbout([&](QWidget *about) {
        for (QLabel *label : about->findChildren<QLabel *>()) {
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(label);
            if (!contacts.contains(label->objectName())) {
                QVERIFY(accessible->role() != QAccessible::Link);
                continue;
            }
            QCOMPARE(accessible->role(), QAccessible::Link);
            QCOMPARE(accessible->text(QAccessible::Name), label->text());
            targets.append(accessible->text(QAccessible::Description));
            QAccessibleActionInterface *actions = accessible->actionInterface();
            QVERIFY(actions);
            QCOMPARE(
                actions->actionNames(), QStringList(QAccessibleActionInterface::pressAction()));
            actions->doAction(QAccessibleActionInterface::pressAction());
        }
    });

    QCOMPARE(targets,
        (QStringList { u"http://www.tolvaro.example/"_s, u"xmpp:help@im.tolvaro.example?message"_s,
            u"mailto:support@tolvaro.example"_s }));
    QCOMPARE(m_shell.calls.size(), 3);
    for (int i = 0; i < 3; ++i)
        QVERIFY2(m_shell.calls[i].contains(u'|' + targets[i] + u'|'), qPrintable(m_shell.calls[i]));
}

QTEST_MAIN(TestFrmAbout)
#include "test_frmabout.moc"
