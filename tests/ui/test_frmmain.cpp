#include "demoengine/demoengine.h"
#include "search/pagefetch.h"
#include "startup/modini.h"
#include "startup/modpub.h"
#include "startup/runtimeerror.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"

#include "modalwindow.h"
#include "recordingshell.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void layout_data();
    void layout();
    void windowOpens();
    void focusOrder();
    void loadFillsBoxes_data();
    void loadFillsBoxes();
    void closeSavesSettings_data();
    void closeSavesSettings();
    void statusLineDocks_data();
    void statusLineDocks();
    void altSSearchesFromAnyControl();
    void altAOpensAbout();
    void enterInABoxDoesNotSearch();
    void closeDuringSearch();
    void wholeSearchAgainstDemoEngine();
    void unhandledErrorEndsProgram_data();
    void unhandledErrorEndsProgram();

private:
    std::unique_ptr<frmMain> newWindow();
    template <typename T = QWidget> static T *control(const frmMain &window, const QString &name);
    static QString savedEntry(const QString &key);

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingShell m_shell;
    QStringList m_fetched;
    std::function<QString(const QString &)> m_onFetch;
    int m_ends = 0;
};

void TestFrmMain::initTestCase()
{
    modPub::setEndHandler([this] { ++m_ends; });
}

void TestFrmMain::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    modIni::strIniFile = m_dir->filePath(u"TLV.INI"_s);
    modPub::strKeyWord = u"电力"_s;
    modPub::lngMaxPage = 20;
    modPub::strKeyUrl = u"http://www.tolvaro-demo.example/"_s;
    modPub::strSearchHost.clear();
    m_shell.calls.clear();
    m_fetched.clear();
    m_onFetch = nullptr;
    m_ends = 0;
    MessageBox::clearShown();
}

std::unique_ptr<frmMain> TestFrmMain::newWindow()
{
    auto fetch = [this](const QString &url) {
        m_fetched.append(url);
        return m_onFetch ? m_onFetch(url) : QString();
    };
    return std::make_unique<frmMain>(fetch, m_shell);
}

template <typename T> T *TestFrmMain::control(const frmMain &window, const QString &name)
{
    T *found = window.findChild<T *>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

QString TestFrmMain::savedEntry(const QString &key)
{
    return modIni::GetIniValue(u"APPLICATION"_s, key);
}

void TestFrmMain::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    // In pixels. A label that sizes itself to its text has no width here: it
    // keeps its left edge and stays centred on its line of the given height.
    QTest::addColumn<QRect>("geometry");

    const auto row
        = [](const char16_t *name, const char *kind, const char16_t *text, QRect geometry) {
              QTest::newRow(QString::fromUtf16(name).toLatin1().constData())
                  << QString::fromUtf16(name) << QString::fromLatin1(kind)
                  << QString::fromUtf16(text) << geometry;
          };
    row(u"Label1", "QLabel", u"关键字:", QRect(8, 16, 0, 12));
    row(u"txtKeyWord", "QLineEdit", u"电力", QRect(56, 13, 289, 18));
    row(u"Label4", "QLabel", u"范\u3000围:", QRect(8, 40, 0, 12));
    row(u"txtPage", "QLineEdit", u"20", QRect(56, 37, 105, 18));
    row(u"Label5", "QLabel", u"页", QRect(168, 40, 0, 12));
    row(u"Label2", "QLabel", u"网\u3000址:", QRect(8, 64, 0, 12));
    row(u"txtUrl", "QLineEdit", u"http://www.tolvaro-demo.example/", QRect(56, 61, 289, 18));
    row(u"Check1", "QCheckBox", u"检索到时打开所在页", QRect(352, 64, 145, 15));
    row(u"Label3", "QLabel", u"位\u3000置:", QRect(8, 88, 0, 12));
    row(u"txtResult", "QLineEdit", u"", QRect(56, 85, 105, 18));
    row(u"Label6", "QLabel", u"名", QRect(168, 88, 0, 12));
    row(u"Command1", "QPushButton", u"检索(&S)", QRect(56, 136, 121, 25));
    row(u"Command2", "QPushButton", u"关于(&A)", QRect(192, 136, 121, 25));
    // Docked to the bottom edge over the full width at the first display.
    row(u"lblStatus", "QLabel", u"状态:就绪", QRect(0, 197, 510, 17));
}

void TestFrmMain::layout()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);

    const auto window = newWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QWidget *widget = control(*window, name);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), kind);
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->textFormat(), Qt::PlainText);
    } else if (auto *box = qobject_cast<QLineEdit *>(widget)) {
        QCOMPARE(box->text(), text);
        QCOMPARE(box->maxLength(), 32767);
        QVERIFY(!box->isReadOnly());
    } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        QCOMPARE(button->text(), text);
    }
    if (auto *button = qobject_cast<QPushButton *>(widget)) {
        QVERIFY(!button->autoDefault());
        QVERIFY(!button->isDefault());
    }

    if (geometry.isEmpty()) {
        QCOMPARE(widget->x(), geometry.x());
        QVERIFY(qAbs(widget->geometry().center().y() - geometry.center().y()) <= 1);
        QCOMPARE(widget->size(), widget->sizeHint());
        QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
    } else {
        QCOMPARE(widget->geometry(), geometry);
    }
}

void TestFrmMain::windowOpens()
{
    const auto window = newWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QCOMPARE(window->objectName(), u"frmMain"_s);
    QCOMPARE(window->size(), QSize(510, 214));
    QCOMPARE(window->windowTitle(), u"Tolvaro 网站排名查询"_s);
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(window->windowIcon().availableSizes().value(0), QSize(16, 16));
    QVERIFY(control<QCheckBox>(*window, u"Check1"_s)->isChecked());
    QCOMPARE(window->openPageOption(), 1);
    const QRect screen = window->screen()->availableGeometry();
    const QPoint offCentre = window->frameGeometry().center() - screen.center();
    QVERIFY(offCentre.manhattanLength() <= 1);
    QVERIFY(window->windowFlags() & Qt::WindowMaximizeButtonHint);
}

void TestFrmMain::focusOrder()
{
    const auto window = newWindow();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QCOMPARE(QApplication::focusWidget()->objectName(), u"txtKeyWord"_s);

    QStringList order;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(order,
        (QStringList { u"txtPage"_s, u"txtUrl"_s, u"txtResult"_s, u"Command1"_s, u"Command2"_s,
            u"Check1"_s, u"txtKeyWord"_s }));
}

void TestFrmMain::loadFillsBoxes_data()
{
    QTest::addColumn<qint32>("maxPage");
    QTest::addColumn<QString>("pageText");

    QTest::newRow("20") << 20 << u"20"_s;
    QTest::newRow("negative") << -5 << u"-5"_s;
    QTest::newRow("zero") << 0 << u"0"_s;
    QTest::newRow("largest") << 2147483647 << u"2147483647"_s;
}

void TestFrmMain::loadFillsBoxes()
{
    QFETCH(qint32, maxPage);
    QFETCH(QString, pageText);

    modPub::strKeyWord = u" 关键 字 "_s;
    modPub::lngMaxPage = maxPage;
    modPub::strKeyUrl = QString();
    const auto window = newWindow();

    QCOMPARE(window->keyWordText(), u" 关键 字 "_s);
    QCOMPARE(window->pageText(), pageText);
    QCOMPARE(window->urlText(), QString());
}

void TestFrmMain::closeSavesSettings_data()
{
    QTest::addColumn<QString>("pageText");
    QTest::addColumn<QString>("savedPage");

    QTest::newRow("30") << u"30"_s << u"30"_s;
    QTest::newRow("half down to even") << u"12.5"_s << u"12"_s;
    QTest::newRow("half up to even") << u"13.5"_s << u"14"_s;
    QTest::newRow("blanks around") << u" 30 "_s << u"30"_s;
    QTest::newRow("negative") << u"-3"_s << u"-3"_s;
    // A page count that cannot be read keeps the one in force (7, from the
    // load), and the other two settings are still saved.
    QTest::newRow("empty") << QString() << u"7"_s;
    QTest::newRow("letters") << u"abc"_s << u"7"_s;
    QTest::newRow("digits then letters") << u"12abc"_s << u"7"_s;
    QTest::newRow("eleven digits") << u"12345678901"_s << u"7"_s;
}

void TestFrmMain::closeSavesSettings()
{
    QFETCH(QString, pageText);
    QFETCH(QString, savedPage);

    modPub::lngMaxPage = 7;
    const auto window = newWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    control<QLineEdit>(*window, u"txtKeyWord"_s)->setText(u"网站 排名"_s);
    control<QLineEdit>(*window, u"txtPage"_s)->setText(pageText);
    control<QLineEdit>(*window, u"txtUrl"_s)->setText(u"http://www.tolvaro.example/"_s);

    QVERIFY(window->close());

    QCOMPARE(m_ends, 1);
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(savedEntry(u"KeyWord"_s), u"网站 排名"_s);
    QCOMPARE(savedEntry(u"MaxPage"_s), savedPage);
    QCOMPARE(savedEntry(u"KeyUrl"_s), u"http://www.tolvaro.example/"_s);
}

void TestFrmMain::statusLineDocks_data()
{
    QTest::addColumn<QSize>("clientSize");
    QTest::addColumn<QRect>("statusGeometry");

    QTest::newRow("larger") << QSize(700, 400) << QRect(0, 383, 700, 17);
    QTest::newRow("smaller") << QSize(300, 120) << QRect(0, 103, 300, 17);
    QTest::newRow("as high as the line") << QSize(300, 17) << QRect(0, 0, 300, 17);
    QTest::newRow("lower than the line") << QSize(250, 10) << QRect(0, -7, 250, 17);
}

void TestFrmMain::statusLineDocks()
{
    QFETCH(QSize, clientSize);
    QFETCH(QRect, statusGeometry);

    const auto window = newWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const auto *status = control(*window, u"lblStatus"_s);
    const auto *keyWord = control(*window, u"txtKeyWord"_s);
    const auto *search = control(*window, u"Command1"_s);
    const QRect keyWordGeometry = keyWord->geometry();
    const QRect searchGeometry = search->geometry();

    window->resize(clientSize);
    QTRY_COMPARE(window->size(), clientSize);
    QTRY_COMPARE(status->geometry(), statusGeometry);
    QCOMPARE(keyWord->geometry(), keyWordGeometry);
    QCOMPARE(search->geometry(), searchGeometry);

    window->resize(510, 214);
    QTRY_COMPARE(status->geometry(), QRect(0, 197, 510, 17));
}

void TestFrmMain::altSSearchesFromAnyControl()
{
    const auto window = newWindow();
    control<QLineEdit>(*window, u"txtPage"_s)->setText(u"1"_s);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));

    const QStringList controls { u"txtKeyWord"_s, u"txtPage"_s, u"txtUrl"_s, u"txtResult"_s,
        u"Command1"_s, u"Command2"_s, u"Check1"_s };
    for (const QString &name : controls) {
        QWidget *widget = control(*window, name);
        widget->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), widget);
        m_fetched.clear();
        QTest::keyClick(widget, Qt::Key_S, Qt::AltModifier);
        // The access key presses the button as a click does, a moment later.
        // A page count of 1 asks for two pages.
        QTRY_COMPARE(m_fetched.size(), 2);
        QCOMPARE(window->findChild<QLabel *>(u"lblStatus"_s)->text(), u"状态:未发现"_s);
    }
}

void TestFrmMain::altAOpensAbout()
{
    const auto window = newWindow();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));

    QString opened;
    onNextModalWindow(
        [&opened](QWidget *modal) { opened = modal ? modal->objectName() : u"none"_s; });
    QTest::keyClick(control(*window, u"txtUrl"_s), Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(opened, u"frmAbout"_s);
}

void TestFrmMain::enterInABoxDoesNotSearch()
{
    const auto window = newWindow();
    control<QLineEdit>(*window, u"txtPage"_s)->setText(u"1"_s);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));

    for (const QString &name : { u"txtKeyWord"_s, u"txtPage"_s, u"txtUrl"_s, u"txtResult"_s }) {
        QTest::keyClick(control(*window, name), Qt::Key_Return);
        QTest::keyClick(control(*window, name), Qt::Key_Enter);
    }
    QVERIFY(m_fetched.isEmpty());
    QCOMPARE(control<QLabel>(*window, u"lblStatus"_s)->text(), u"状态:就绪"_s);
}

void TestFrmMain::closeDuringSearch()
{
    const auto window = newWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    control<QLineEdit>(*window, u"txtKeyWord"_s)->setText(u"电力 工程"_s);
    control<QLineEdit>(*window, u"txtPage"_s)->setText(u"5"_s);
    // The close request arrives while the first page is on its way; the
    // search delivers it at its next yield.
    m_onFetch = [&window](const QString &) {
        QMetaObject::invokeMethod(
            window.get(), [&window] { window->close(); }, Qt::QueuedConnection);
        return QString();
    };

    QTest::mouseClick(control(*window, u"Command1"_s), Qt::LeftButton);

    QCOMPARE(m_ends, 1);
    QCOMPARE(m_fetched.size(), 1);
    QVERIFY(!window->isVisible());
    QCOMPARE(savedEntry(u"KeyWord"_s), u"电力 工程"_s);
    QCOMPARE(savedEntry(u"MaxPage"_s), u"5"_s);
    QVERIFY(m_shell.calls.isEmpty());
}

void TestFrmMain::wholeSearchAgainstDemoEngine()
{
    DemoEngineOptions options;
    options.site = u"http://www.tolvaro-demo.example/"_s;
    options.siteRank = 25;
    DemoEngine engine(options);
    modPub::strSearchHost = engine.origin();

    RecordingShell shell;
    frmMain window(&GetHtmlByXml, shell);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    control<QLineEdit>(window, u"txtKeyWord"_s)->setText(u"tolvaro"_s);
    control<QLineEdit>(window, u"txtPage"_s)->setText(u"20"_s);
    control<QLineEdit>(window, u"txtUrl"_s)->setText(options.site);

    QTest::mouseClick(control(window, u"Command1"_s), Qt::LeftButton);

    QCOMPARE(control<QLineEdit>(window, u"txtResult"_s)->text(), u"25"_s);
    QCOMPARE(control<QLabel>(window, u"lblStatus"_s)->text(), u"状态:已经发现，位置:25"_s);
    const QStringList requests = engine.requests();
    QCOMPARE(requests.size(), 3);
    QVERIFY(requests[2].endsWith(u"q=tolvaro&start=20"_s));
    QCOMPARE(shell.calls.size(), 1);
    QCOMPARE(shell.calls[0].owner, platform::WindowHandle(window.winId()));
    QCOMPARE(shell.calls[0].verb, u"open"_s);
    QCOMPARE(shell.calls[0].file, engine.origin() + requests[2]);
    QCOMPARE(shell.calls[0].showCommand, platform::SW_SHOWNORMAL);
}

void TestFrmMain::unhandledErrorEndsProgram_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");

    QTest::newRow("run-time error") << 0 << RuntimeError(13, u"类型不匹配"_s).message();
    QTest::newRow("standard exception") << 1 << RuntimeError(51, u"boom"_s).message();
    QTest::newRow("out of memory") << 2 << RuntimeError(7, u"内存溢出"_s).message();
}

void TestFrmMain::unhandledErrorEndsProgram()
{
    QFETCH(int, kind);
    QFETCH(QString, message);

    const auto window = newWindow();
    control<QLineEdit>(*window, u"txtPage"_s)->setText(u"3"_s);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    m_onFetch = [kind](const QString &) -> QString {
        if (kind == 0)
            throw RuntimeError::typeMismatch();
        if (kind == 1)
            throw std::runtime_error("boom");
        throw std::bad_alloc();
    };
    MessageBox::setNextAnswer(QMessageBox::Ok);

    QTest::mouseClick(control(*window, u"Command1"_s), Qt::LeftButton);

    QCOMPARE(m_fetched.size(), 1);
    QCOMPARE(m_ends, 1);
    const QList<MessageBox::Shown> shown = MessageBox::shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].icon, QMessageBox::Critical);
    QCOMPARE(shown[0].caption, u"Tolvaro"_s);
    QCOMPARE(shown[0].text, message);
}

QTEST_MAIN(TestFrmMain)
#include "test_frmmain.moc"
