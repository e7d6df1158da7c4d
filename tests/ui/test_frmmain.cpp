#include "demoengine/demoengine.h"
#include "platform/http.h"
#include "search/pagefetch.h"
#include "search/searchprefix.h"
#include "startup/modini.h"
#include "startup/modpub.h"
#include "startup/runtimeerror.h"
#include "ui/application.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"

#include "support/doubles.h"
#include "support/testserver.h"
#include "windowtest.h"

#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <qpa/qwindowsysteminterface.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>
#include <stdexcept>

#ifdef Q_OS_WIN
#include <windows.h>
// The system's macro would rename the program's own message box.
#undef MessageBox
#endif

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// How the system asks the program to end: on Windows the end of the session
// (WM_ENDSESSION, as every top-level window receives it; `ends` false when
// the session goes on after all), elsewhere a signal.
struct EndRequest
{
    int code = 0; // the signal, or the WM_ENDSESSION flags
    bool ends = true;
};

void requestEnd(const EndRequest &request)
{
#ifdef Q_OS_WIN
    MSG message = {};
    message.message = WM_ENDSESSION;
    message.wParam = request.ends;
    message.lParam = request.code;
    qintptr result = 0;
    QAbstractEventDispatcher::instance()->filterNativeEvent(
        "windows_generic_MSG", &message, &result);
#else
    ::raise(request.code);
#endif
}

// One result entry, not the site's: a result page without a hit.
const char otherResult[] = "<li class=g><h3 class=r><a href=\"http://other.example/\">x</a>";

// An engine whose first page is held back until released or until the hold
// runs out; every page lists one result, not the site's.
struct HeldEngine
{
    explicit HeldEngine(std::chrono::milliseconds hold)
        : hold(hold)
    {
    }

    QString origin() const { return server.url(QString()); }

    const std::chrono::milliseconds hold;
    std::atomic<bool> holding = false;
    std::atomic<bool> released = false;
    TestServer server { [this](httplib::Server &http, TestServer &self) {
        http.Get("/search", [this, &self](const httplib::Request &request, httplib::Response &r) {
            if (request.get_param_value("start") == "0") {
                holding = true;
                const auto end = std::chrono::steady_clock::now() + hold;
                while (!released && std::chrono::steady_clock::now() < end
                    && !self.waitForShutdown(10ms)) { }
                holding = false;
            }
            r.set_content(otherResult, "text/html");
        });
    } };
};

// Calls back for every event that reaches the object it watches.
class EventSpy : public QObject
{
public:
    EventSpy(QObject *watched, std::function<void(QEvent *)> onEvent)
        : m_onEvent(std::move(onEvent))
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        m_onEvent(event);
        return false;
    }

private:
    std::function<void(QEvent *)> m_onEvent;
};

} // namespace

Q_DECLARE_METATYPE(EndRequest)

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void layout();
    void closeSavesSettings_data();
    void closeSavesSettings();
    void endRequestClosesAndSaves_data();
    void endRequestClosesAndSaves();
    void statusLineDocks();
    void keyboard();
    void windowPaintsWhileAPageLoads();
    void inputDuringAFetchArrivesAfterThePage();
    void closeDuringAFetchSavesAtOnce();
    void clicksDuringASearchNeverNest();
    void wholeSearchOpensThePageItFetched_data();
    void wholeSearchOpensThePageItFetched();
    void unhandledError_data();
    void unhandledError();
    void accessibility();

private:
    // Shows m_window, whose searches fetch through fetch, by default through
    // m_onFetch; false when it never becomes the active window.
    bool openWindow(RankSearch::Fetch fetch = {});
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
    m_onFetch = [] { return QByteArray(otherResult); };
    MessageBox::clearShown();
    MessageBox::setDefaultAnswer(QMessageBox::Ok);
}

bool TestFrmMain::openWindow(RankSearch::Fetch fetch)
{
    if (!fetch) {
        // Called off the window's thread, while the window thread waits.
        fetch = [this](const QString &url) {
            m_fetched.append(url);
            return PageBody { m_onFetch(), 200, QString() };
        };
    }
    m_window = std::make_unique<frmMain>(std::move(fetch), m_shell);
    m_window->show();
    m_window->activateWindow();
    return QTest::qWaitForWindowActive(m_window.get());
}

void TestFrmMain::layout()
{
    // A page count that is no page count is shown as it was loaded.
    modPub::lngMaxPage = -5;
    QVERIFY(openWindow());

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
    QVERIFY(openWindow());
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

void TestFrmMain::endRequestClosesAndSaves_data()
{
    QTest::addColumn<EndRequest>("request");
#ifdef Q_OS_WIN
    QTest::newRow("log-off") << EndRequest { int(ENDSESSION_LOGOFF) };
    QTest::newRow("shut-down") << EndRequest { 0 };
    QTest::newRow("session goes on") << EndRequest { 0, false };
#else
    QTest::newRow("end of the desktop session") << EndRequest { SIGTERM };
    QTest::newRow("terminal closed") << EndRequest { SIGHUP };
    QTest::newRow("Ctrl+C") << EndRequest { SIGINT };
#endif
}

void TestFrmMain::endRequestClosesAndSaves()
{
    QFETCH(EndRequest, request);

    QVERIFY(openWindow());
    const QString before = saved(u"KeyWord"_s);
    control<QLineEdit>(u"txtKeyWord"_s)->setText(u"网站排名"_s);

    requestEnd(request);

    if (!request.ends) {
        QTest::qWait(50);
        QCOMPARE(m_ends, 0);
        QVERIFY(m_window->isVisible());
        QCOMPARE(saved(u"KeyWord"_s), before);
        return;
    }
    QTRY_COMPARE(m_ends, 1);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(saved(u"KeyWord"_s), u"网站排名"_s);
}

void TestFrmMain::statusLineDocks()
{
    QVERIFY(openWindow());
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
    QVERIFY(openWindow());
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

// A page held back for three seconds: the window thread goes on with its
// timers and paints the status line that names the page.
void TestFrmMain::windowPaintsWhileAPageLoads()
{
    HeldEngine engine(3s);
    modPub::strSearchHost = engine.origin();
    QVERIFY(openWindow(&GetBodyByXml));
    control<QLineEdit>(u"txtPage"_s)->setText(u"1"_s);
    auto *status = control<QLabel>(u"lblStatus"_s);
    int ticks = 0;
    QStringList painted;
    EventSpy paints(status, [&](QEvent *event) {
        if (event->type() == QEvent::Paint && engine.holding)
            painted.append(status->text());
    });
    QTimer timer;
    timer.callOnTimeout(this, [&] {
        if (engine.holding) {
            ++ticks;
            status->update();
        }
    });
    timer.start(50);

    QTest::mouseClick(control(u"Command1"_s), Qt::LeftButton);

    QVERIFY2(ticks >= 2, qPrintable(QString::number(ticks)));
    QVERIFY(!painted.isEmpty());
    QCOMPARE(painted.last(), u"状态:"_s + searchPrefix() + u"电力&start=0..."_s);
    QCOMPARE(status->text(), u"状态:未发现"_s);
}

// A click that the window system queues while a page is on its way waits
// for the page, then arrives, as it would on a window thread that fetched.
void TestFrmMain::inputDuringAFetchArrivesAfterThePage()
{
    HeldEngine engine(30s);
    modPub::strSearchHost = engine.origin();
    QVERIFY(openWindow(&GetBodyByXml));
    control<QLineEdit>(u"txtPage"_s)->setText(u"1"_s);
    auto *check = control<QCheckBox>(u"Check1"_s);
    QStringList statusAtToggle;
    bool toggledWhileHolding = false;
    connect(check, &QCheckBox::toggled, this, [&] {
        toggledWhileHolding = toggledWhileHolding || engine.holding;
        statusAtToggle.append(control<QLabel>(u"lblStatus"_s)->text());
    });
    int ticksSinceClick = -1;
    QTimer timer;
    timer.callOnTimeout(this, [&] {
        if (!engine.holding || engine.released)
            return;
        if (ticksSinceClick < 0) {
            QWindow *window = m_window->windowHandle();
            const QPointF at = check->mapTo(m_window.get(), QPoint(6, check->height() / 2));
            const QPointF global = m_window->mapToGlobal(at);
            QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, at, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
            QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, at, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
        }
        // The click has had its chances to slip in; now the page may come.
        if (++ticksSinceClick == 10)
            engine.released = true;
    });
    timer.start(20);

    QTest::mouseClick(control(u"Command1"_s), Qt::LeftButton);

    QVERIFY(!toggledWhileHolding);
    QCOMPARE(statusAtToggle, QStringList(u"状态:"_s + searchPrefix() + u"电力&start=10..."_s));
    QVERIFY(!check->isChecked());
}

// The window manager's close while a page is on its way: the settings are
// saved and the program ends then, not once the page is in, and nothing more
// is requested.
void TestFrmMain::closeDuringAFetchSavesAtOnce()
{
    HeldEngine engine(30s);
    modPub::strSearchHost = engine.origin();
    QVERIFY(openWindow(&GetBodyByXml));
    control<QLineEdit>(u"txtKeyWord"_s)->setText(u"电力 工程"_s);
    control<QLineEdit>(u"txtPage"_s)->setText(u"5"_s);
    bool closeSent = false;
    QString savedWhileHolding;
    QTimer timer;
    timer.callOnTimeout(this, [&] {
        if (!engine.holding || engine.released)
            return;
        if (!closeSent) {
            closeSent = true;
            QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(
                m_window->windowHandle());
        } else if (m_ends == 1) {
            savedWhileHolding = saved(u"KeyWord"_s) + u'|' + saved(u"MaxPage"_s);
            engine.released = true;
        }
    });
    timer.start(20);

    QTest::mouseClick(control(u"Command1"_s), Qt::LeftButton);

    QCOMPARE(savedWhileHolding, u"电力 工程|5"_s);
    QCOMPARE(m_ends, 1);
    QCOMPARE(engine.server.targets().size(), 1);
    QVERIFY(!m_window->isVisible());
}

// Thousands of Search clicks during a search: each gives the search a new
// start, none runs inside another, and the program stays up.
void TestFrmMain::clicksDuringASearchNeverNest()
{
    QVERIFY(openWindow());
    control<QLineEdit>(u"txtPage"_s)->setText(u"3"_s);
    int clicks = 0;
    quintptr lowest = ~quintptr(0);
    quintptr highest = 0;
    QTimer timer;
    timer.callOnTimeout(this, [&] {
        // The frame itself: the address sanitizer may keep locals elsewhere.
        const auto here = quintptr(__builtin_frame_address(0));
        lowest = std::min(lowest, here);
        highest = std::max(highest, here);
        if (++clicks <= 3000)
            QTest::mouseClick(control(u"Command1"_s), Qt::LeftButton);
    });
    timer.start(0);

    QTest::mouseClick(control(u"Command1"_s), Qt::LeftButton);
    timer.stop();

    QVERIFY(clicks > 3000);
    QVERIFY2(highest - lowest < 64 * 1024, qPrintable(QString::number(highest - lowest)));
    QCOMPARE(control<QLabel>(u"lblStatus"_s)->text(), u"状态:未发现"_s);
    QCOMPARE(m_ends, 0);
}

void TestFrmMain::wholeSearchOpensThePageItFetched_data()
{
    QTest::addColumn<QString>("keyWord");
    QTest::newRow("plain") << u"tolvaro"_s;
    QTest::newRow("hash and blank") << u"C# 教程"_s;
    QTest::newRow("percent") << u"100% 网站"_s;
    QTest::newRow("escape kept") << u"a%2Bb+c"_s;
}

// The browser is handed the page as the engine was asked for it.
void TestFrmMain::wholeSearchOpensThePageItFetched()
{
    QFETCH(QString, keyWord);

    DemoEngineOptions options;
    options.siteRank = 25;
    DemoEngine engine(options);
    modPub::strSearchHost = engine.origin();
    frmMain window(&GetBodyByXml, m_shell);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QLineEdit *>(u"txtKeyWord"_s)->setText(keyWord);
    window.findChild<QLineEdit *>(u"txtUrl"_s)->setText(options.site);

    QTest::mouseClick(window.findChild<QWidget *>(u"Command1"_s), Qt::LeftButton);

    QCOMPARE(window.resultText(), u"25"_s);
    QCOMPARE(window.findChild<QLabel *>(u"lblStatus"_s)->text(), u"状态:已经发现，位置:25"_s);
    const QStringList requests = engine.requests();
    QCOMPARE(requests.size(), 3);
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
        QVERIFY(openWindow());
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
    QVERIFY(openWindow());
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
    // The fetch runs off the window's thread; the name is read on it, which
    // goes on handling events while the page is on its way.
    QWidget *const label = control(u"lblStatus"_s);
    m_onFetch = [&] {
        QMetaObject::invokeMethod(
            label, [&] { namesAtFetch.append(status->text(QAccessible::Name)); },
            Qt::BlockingQueuedConnection);
        return QByteArray(otherResult);
    };
    control<QLineEdit>(u"txtPage"_s)->setText(u"1"_s);
    QTest::mouseClick(control(u"Command1"_s), Qt::LeftButton);
    QCOMPARE(m_fetched.size(), 2);
    QCOMPARE(namesAtFetch,
        (QStringList {
            u"状态:"_s + m_fetched[0] + u"..."_s, u"状态:"_s + m_fetched[1] + u"..."_s }));
    QCOMPARE(status->text(QAccessible::Name), u"状态:未发现"_s);
}

// The program's own application object, in place of the plain one of QTEST_MAIN.
int main(int argc, char *argv[])
{
    // The program keeps a signal ignored that it was started to ignore (a job
    // in the background of a script starts with Ctrl+C ignored); the end
    // requests are tested however the test was started.
#ifndef Q_OS_WIN
    for (const int signal : { SIGTERM, SIGHUP, SIGINT })
        std::signal(signal, SIG_DFL);
#endif
    Application app(argc, argv);
    TestFrmMain test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_frmmain.moc"
