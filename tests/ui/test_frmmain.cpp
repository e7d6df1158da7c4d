#include "demoengine/demoengine.h"
#include "search/pagefetch.h"
#include "startup/modini.h"
#include "startup/modpub.h"
#include "startup/runtimeerror.h"
#include "ui/application.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"

#include "support/doubles.h"
#include "windowtest.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void layout();
    void closeSavesSettings_data();
    void closeSavesSettings();
    void statusLineDocks();
    void keyboard();
    void closeDuringSearch();
    void wholeSearchAgainstDemoEngine();
    void unhandledError_data();
    void unhandledError();
    void accessibility();

private:
    // A shown main window whose searches fetch through m_onFetch.
    std::unique_ptr<frmMain> newWindow();
    template <typename T = QWidget> T *control(const QString &name) const
    {
        return m_window->findChild<T *>(name);
    }
    static QString saved(const QString &key) { return modIni::GetIniValue(u"APPLICATION"_s, key); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_window;
    ShellDouble m_shell;
    QStringList m_fetched;
    std::function<QByteArray()> m_onFetch;
    int m_ends = 0;
};

void TestFrmMain::init()
{
    m_window.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    modIni::strIniFile = m_dir->filePath(u"TLV.INI"_s);
    modPub::strKeyWord = u"电力"_s;
    modPub::lngMaxPage = 20;
    modPub::strKeyUrl = u"http://www.tolvaro-demo.example/"_s;
    modPub::strSearchHost.clear();
    modPub::setEndHandler([this] { ++m_ends; });
    m_ends = 0;
    m_shell.calls.clear();
    m_fetched.clear();
    m_onFetch = [] { return QByteArray(); };
    MessageBox::clearShown();
    MessageBox::setDefaultAnswer(QMessageBox::Ok);
}

std::unique_ptr<frmMain> TestFrmMain::newWindow()
{
    auto window = std::make_unique<frmMain>(
        [this](const QString &url) {
            m_fetched.append(url);
            return m_onFetch();
        },
        m_shell);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        qFatal("the main window did not become active");
    return window;
}

void TestFrmMain::layout()
{
    // A page count that is no page count is shown as it was loaded.
    modPub::lngMaxPage = -5;
    m_window = newWindow();

    QCOMPARE(m_window->size(), QSize(510, 214));
    QCOMPARE(m_window->windowTitle(), u"Tolvaro 网站排名查询"_s);
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(m_window->windowIcon().availableSizes().value(0), QSize(16, 16));
    // On a denser screen the title bar's icon comes from an image with the
    // pixels for it, not from the 16 x 16 one enlarged.
    const qreal ratio = m_window->devicePixelRatio();
    const QPixmap titleIcon = m_window->windowIcon().pixmap(QSize(16, 16), ratio);
    QCOMPARE(titleIcon.size(), QSize(16, 16) * ratio);
    const QPoint offCentre
        = m_window->frameGeometry().center() - m_window->screen()->availableGeometry().center();
    QVERIFY(offCentre.manhattanLength() <= 1);
    QVERIFY(control<QCheckBox>(u"Check1"_s)->isChecked());

    const struct
    {
        QString name;
        QString text;
        QRect geometry;
    } controls[] = {
        { u"Label1"_s, u"关键字:"_s, QRect(8, 16, 0, 12) },
        { u"txtKeyWord"_s, u"电力"_s, QRect(56, 13, 289, 18) },
        { u"Label4"_s, u"范\u3000围:"_s, QRect(8, 40, 0, 12) },
        { u"txtPage"_s, u"-5"_s, QRect(56, 37, 105, 18) },
        { u"Label5"_s, u"页"_s, QRect(168, 40, 0, 12) },
        { u"Label2"_s, u"网\u3000址:"_s, QRect(8, 64, 0, 12) },
        { u"txtUrl"_s, u"http://www.tolvaro-demo.example/"_s, QRect(56, 61, 289, 18) },
        { u"Check1"_s, u"检索到时打开所在页"_s, QRect(352, 64, 145, 15) },
        { u"Label3"_s, u"位\u3000置:"_s, QRect(8, 88, 0, 12) },
        { u"txtResult"_s, QString(), QRect(56, 85, 105, 18) },
        { u"Label6"_s, u"名"_s, QRect(168, 88, 0, 12) },
        { u"Command1"_s, u"检索(&S)"_s, QRect(56, 136, 121, 25) },
        { u"Command2"_s, u"关于(&A)"_s, QRect(192, 136, 121, 25) },
        // Docked to the bottom edge over the full width at the first display.
        { u"lblStatus"_s, u"状态:就绪"_s, QRect(0, 197, 510, 17) },
    };
    for (const auto &c : controls) {
        const QWidget *widget = control(c.name);
        QVERIFY2(widget, qPrintable(c.name));
        QCOMPARE(widget->property("text").toString(), c.text);
        checkPlaced(widget, c.geometry);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(c.name));
    }

    // Focus order, starting in the keyword box; labels take no focus.
    QStringList order { QApplication::focusWidget()->objectName() };
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(order,
        (QStringList { u"txtKeyWord"_s, u"txtPage"_s, u"txtUrl"_s, u"txtResult"_s, u"Command1"_s,
            u"Command2"_s, u"Check1"_s, u"txtKeyWord"_s }));
}

void TestFrmMain::closeSavesSettings_data()
{
    QTest::addColumn<QString>("pageText");
    QTest::addColumn<QString>("savedPage");

    QTest::newRow("30") << u"30"_s << u"30"_s;
    QTest::newRow("half down to even") << u"12.5"_s << u"12"_s;
    QTest::newRow("half up to even") << u"13.5"_s << u"14"_s;
    QTest::newRow("blanks around") << u" 30 "_s << u"30"_s;
    // A page count that cannot be read keeps the one in force (7, from the
    // load); the other settings are still saved and the program ends normally.
    QTest::newRow("empty") << QString() << u"7"_s;
    QTest::newRow("letters") << u"12abc"_s << u"7"_s;
    QTest::newRow("eleven digits") << u"12345678901"_s << u"7"_s;
}

void TestFrmMain::closeSavesSettings()
{
    QFETCH(QString, pageText);
    QFETCH(QString, savedPage);

    modPub::lngMaxPage = 7;
    m_window = newWindow();
    control<QLineEdit>(u"txtKeyWord"_s)->setText(u" 网站 排名"_s);
    control<QLineEdit>(u"txtPage"_s)->setText(pageText);
    control<QLineEdit>(u"txtUrl"_s)->setText(u"http://www.tolvaro.example/"_s);

    QVERIFY(m_window->close());

    QCOMPARE(m_ends, 1);
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(modPub::strKeyWord, u" 网站 排名"_s);
    QCOMPARE(saved(u"KeyWord"_s), u"网站 排名"_s); // blanks around a value are not read back
    QCOMPARE(saved(u"MaxPage"_s), savedPage);
    QCOMPARE(saved(u"KeyUrl"_s), u"http://www.tolvaro.example/"_s);
}

void TestFrmMain::statusLineDocks()
{
    m_window = newWindow();
    const QRect searchGeometry = control(u"Command1"_s)->geometry();

    // Larger, then lower than the status line itself.
    m_window->resize(700, 400);
    QTRY_COMPARE(control(u"lblStatus"_s)->geometry(), QRect(0, 383, 700, 17));
    m_window->resize(250, 10);
    QTRY_COMPARE(control(u"lblStatus"_s)->geometry(), QRect(0, -7, 250, 17));
    QCOMPARE(control(u"Command1"_s)->geometry(), searchGeometry);
}

void TestFrmMain::keyboard()
{
    m_window = newWindow();
    control<QLineEdit>(u"txtPage"_s)->setText(u"1"_s);

    // Enter in a box presses no button.
    for (const QString &name : { u"txtKeyWord"_s, u"txtPage"_s, u"txtUrl"_s, u"txtResult"_s })
        QTest::keyClick(control(name), Qt::Key_Return);
    QVERIFY(m_fetched.isEmpty());

    // Alt+S searches from every control (a page count of 1 asks for two pages);
    // the access key presses the button a moment later, as a click would.
    for (const QString &name : { u"txtKeyWord"_s, u"txtPage"_s, u"txtUrl"_s, u"txtResult"_s,
             u"Command1"_s, u"Command2"_s, u"Check1"_s }) {
        m_fetched.clear();
        control(name)->setFocus();
        QTest::keyClick(control(name), Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(m_fetched.size(), 2);
    }
    QCOMPARE(control<QLabel>(u"lblStatus"_s)->text(), u"状态:未发现"_s);

    QString opened;
    onNextModalWindow([&opened](QWidget *modal) { opened = modal ? modal->objectName() : u"-"_s; });
    QTest::keyClick(control(u"txtUrl"_s), Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(opened, u"frmAbout"_s);
}

void TestFrmMain::closeDuringSearch()
{
    m_window = newWindow();
    control<QLineEdit>(u"txtKeyWord"_s)->setText(u"电力 工程"_s);
    control<QLineEdit>(u"txtPage"_s)->setText(u"5"_s);
    // The close request arrives while the first page is on its way; the
    // search delivers it at its next yield.
    m_onFetch = [this] {
        QMetaObject::invokeMethod(
            m_window.get(), [this] { m_window->close(); }, Qt::QueuedConnection);
        return QByteArray();
    };

    QTest::mouseClick(control(u"Command1"_s), Qt::LeftButton);

    QCOMPARE(m_ends, 1);
    QCOMPARE(m_fetched.size(), 1);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(saved(u"KeyWord"_s), u"电力 工程"_s);
    QCOMPARE(saved(u"MaxPage"_s), u"5"_s);
}

void TestFrmMain::wholeSearchAgainstDemoEngine()
{
    DemoEngineOptions options;
    options.siteRank = 25;
    DemoEngine engine(options);
    modPub::strSearchHost = engine.origin();
    frmMain window(&GetBodyByXml, m_shell);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QLineEdit *>(u"txtKeyWord"_s)->setText(u"tolvaro"_s);
    window.findChild<QLineEdit *>(u"txtUrl"_s)->setText(options.site);

    QTest::mouseClick(window.findChild<QWidget *>(u"Command1"_s), Qt::LeftButton);

    QCOMPARE(window.resultText(), u"25"_s);
    QCOMPARE(window.findChild<QLabel *>(u"lblStatus"_s)->text(), u"状态:已经发现，位置:25"_s);
    const QStringList requests = engine.requests();
    QCOMPARE(requests.size(), 3);
    QVERIFY(requests[2].endsWith(u"q=tolvaro&start=20"_s));
    QCOMPARE(m_shell.calls,
        QStringList(QString::number(window.winId(), 16) + u"|open|"_s + engine.origin()
            + requests[2] + u"|||1"_s));
}

void TestFrmMain::unhandledError_data()
{
    QTest::addColumn<bool>("inHandler");
    QTest::addColumn<bool>("runtimeError");
    QTest::addColumn<QString>("message");

    const QString mismatch = RuntimeError::typeMismatch().message();
    const QString other = RuntimeError(51, u"坏了"_s).message();
    QTest::newRow("run-time error in a click") << true << true << mismatch;
    QTest::newRow("other error in a click") << true << false << other;
    // Past every handler's guard, the application object is the last net.
    QTest::newRow("run-time error reaching the event loop") << false << true << mismatch;
    QTest::newRow("other error reaching the event loop") << false << false << other;
}

void TestFrmMain::unhandledError()
{
    QFETCH(bool, inHandler);
    QFETCH(bool, runtimeError);
    QFETCH(QString, message);

    const std::function<void()> fail = [runtimeError] {
        if (runtimeError)
            throw RuntimeError::typeMismatch();
        throw std::runtime_error("坏了");
    };
    if (inHandler) {
        m_window = newWindow();
        m_onFetch = [fail] { return fail(), QByteArray(); };
        QTest::mouseClick(control(u"Command1"_s), Qt::LeftButton);
    } else {
        QTimer::singleShot(0, this, fail);
    }

    QTRY_COMPARE(m_ends, 1);
    const QList<MessageBox::Shown> shown = MessageBox::shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].icon, QMessageBox::Critical);
    QCOMPARE(shown[0].caption, u"Tolvaro"_s);
    QCOMPARE(shown[0].text, message);
}

void TestFrmMain::accessibility()
{
    m_window = newWindow();
    const auto accessible = [this](const QString &name) {
        return QAccessible::queryAccessibleInterface(control(name));
    };

    // Each box is named after its caption, as a screen reader should say it.
    const struct
    {
        QString box;
        QString name;
    } boxes[] = {
        { u"txtKeyWord"_s, u"关键字"_s },
        { u"txtPage"_s, u"范围"_s },
        { u"txtUrl"_s, u"网址"_s },
        { u"txtResult"_s, u"位置"_s },
    };
    for (const auto &b : boxes) {
        QCOMPARE(accessible(b.box)->role(), QAccessible::EditableText);
        QCOMPARE(accessible(b.box)->text(QAccessible::Name), b.name);
    }

    // The buttons keep their access keys.
    QCOMPARE(accessible(u"Command1"_s)->text(QAccessible::Accelerator),
        QKeySequence(Qt::ALT | Qt::Key_S).toString(QKeySequence::NativeText));
    QCOMPARE(accessible(u"Command2"_s)->text(QAccessible::Accelerator),
        QKeySequence(Qt::ALT | Qt::Key_A).toString(QKeySequence::NativeText));

    // The status line is a status whose name is its caption as it changes:
    // a label tells a new caption as a change of name, which screen readers
    // announce. The name names each page of a search while it is requested.
    QAccessibleInterface *status = accessible(u"lblStatus"_s);
    QCOMPARE(status->role(), QAccessible::StatusBar);
    QCOMPARE(status->text(QAccessible::Name), u"状态:就绪"_s);
    QStringList namesAtFetch;
    m_onFetch = [&] { return namesAtFetch.append(status->text(QAccessible::Name)), QByteArray(); };
    control<QLineEdit>(u"txtPage"_s)->setText(u"1"_s);
    QTest::mouseClick(control(u"Command1"_s), Qt::LeftButton);
    QCOMPARE(m_fetched.size(), 2);
    QCOMPARE(namesAtFetch,
        (QStringList { u"状态:"_s + m_fetched[0] + u"..."_s, u"状态:"_s + m_fetched[1] + u"..."_s }));
    QCOMPARE(status->text(QAccessible::Name), u"状态:未发现"_s);
}

// The program's own application object, in place of the plain one of QTEST_MAIN.
int main(int argc, char *argv[])
{
    Application app(argc, argv);
    TestFrmMain test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_frmmain.moc"
