#include "startup/modini.h"
#include "startup/modpub.h"
#include "ui/frmabout.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"

#include "modalwindow.h"
#include "recordingshell.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// What a test reads off one opening of the About window.
struct Opening
{
    QPointer<QWidget> window;
    QPointer<QWidget> firstLabel;
    QMap<QString, QString> texts;
};

} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void showsItsTexts();
    void layout_data();
    void layout();
    void contactLabelsLook();
    void contactLabelsOpenTargets_data();
    void contactLabelsOpenTargets();
    void keys_data();
    void keys();
    void rebuiltAtEveryOpening();

private:
    // Opens the About window from the main window's button, runs inspect on
    // it while it is shown, and returns once it is closed again.
    void openAbout(const std::function<void(QWidget *)> &inspect);
    template <typename T = QWidget> static T *control(QWidget *window, const QString &name);

    QTemporaryDir m_dir;
    RecordingShell m_shell;
    std::unique_ptr<frmMain> m_main;
};

void TestFrmAbout::initTestCase()
{
    QVERIFY(m_dir.isValid());
    modIni::strIniFile = m_dir.filePath(u"TLV.INI"_s);
    modPub::setEndHandler([] {});
}

void TestFrmAbout::init()
{
    m_shell.calls.clear();
    MessageBox::clearShown();
    m_main = std::make_unique<frmMain>([](const QString &) { return QString(); }, m_shell);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void TestFrmAbout::cleanup()
{
    m_main.reset();
}

void TestFrmAbout::openAbout(const std::function<void(QWidget *)> &inspect)
{
    bool inspected = false;
    onNextModalWindow([&](QWidget *modal) {
        inspected = true;
        if (!modal || modal->objectName() != u"frmAbout"_s)
            qWarning("the About window did not open modally");
        else
            inspect(modal);
    });
    QTest::mouseClick(m_main->findChild<QWidget *>(u"Command2"_s), Qt::LeftButton);
    // The click returns once the About window is closed.
    QVERIFY(inspected);
    QVERIFY(!QApplication::activeModalWidget());
}

template <typename T> T *TestFrmAbout::control(QWidget *window, const QString &name)
{
    T *found = window->findChild<T *>(name, Qt::FindDirectChildrenOnly);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

void TestFrmAbout::showsItsTexts()
{
    QMap<QString, QString> texts;
    QString caption;
    QSize clientSize;
    bool fixedSize = false;
    bool hasMinMax = true;
    QString focus;
    openAbout([&](QWidget *about) {
        for (const QLabel *label : about->findChildren<QLabel *>())
            texts[label->objectName()] = label->text();
        texts[u"Command1"_s] = control<QPushButton>(about, u"Command1"_s)->text();
        caption = about->windowTitle();
        clientSize = about->size();
        fixedSize = about->minimumSize() == about->maximumSize();
        hasMinMax
            = about->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
        focus = about->focusWidget() ? about->focusWidget()->objectName() : QString();
    });

    QCOMPARE(caption, u"关于"_s);
    QCOMPARE(clientSize, QSize(326, 160));
    QVERIFY(fixedSize);
    QVERIFY(!hasMinMax);
    QCOMPARE(focus, u"Command1"_s);
    QVERIFY(MessageBox::shown().isEmpty());
    const QMap<QString, QString> expected {
        { u"Image1"_s, QString() },
        { u"Label1"_s, u"Tolvaro 1.0"_s },
        { u"Label2"_s, u"作者: Tolvaro 开发组"_s },
        { u"Label3"_s, u"主页:"_s },
        { u"Label4"_s, u"www.tolvaro.example"_s },
        { u"Label5"_s, u"聊天:"_s },
        { u"Label6"_s, u"help@im.tolvaro.example"_s },
        { u"Label7"_s, u"邮箱:"_s },
        { u"Label8"_s, u"support@tolvaro.example"_s },
        { u"Label9"_s, u"2009-08-21"_s },
        { u"Command1"_s, u"确定"_s },
    };
    QCOMPARE(texts, expected);
}

void TestFrmAbout::layout_data()
{
    QTest::addColumn<QString>("name");
    // In pixels. A label that sizes itself to its text has no width here: it
    // keeps its left edge and stays centred on its line of the given height.
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("Image1") << u"Image1"_s << QRect(16, 8, 37, 37);
    QTest::newRow("Label1") << u"Label1"_s << QRect(72, 8, 0, 12);
    QTest::newRow("Label2") << u"Label2"_s << QRect(72, 32, 0, 12);
    QTest::newRow("Label3") << u"Label3"_s << QRect(72, 48, 0, 12);
    QTest::newRow("Label4") << u"Label4"_s << QRect(104, 48, 0, 12);
    QTest::newRow("Label5") << u"Label5"_s << QRect(72, 64, 0, 12);
    QTest::newRow("Label6") << u"Label6"_s << QRect(104, 64, 0, 12);
    QTest::newRow("Label7") << u"Label7"_s << QRect(72, 80, 0, 12);
    QTest::newRow("Label8") << u"Label8"_s << QRect(104, 80, 0, 12);
    QTest::newRow("Label9") << u"Label9"_s << QRect(72, 104, 0, 12);
    QTest::newRow("Command1") << u"Command1"_s << QRect(120, 128, 81, 22);
}

void TestFrmAbout::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);

    QRect actual;
    QSize sizeHint;
    Qt::FocusPolicy focusPolicy = Qt::NoFocus;
    openAbout([&](QWidget *about) {
        const QWidget *widget = control(about, name);
        actual = widget->geometry();
        sizeHint = widget->sizeHint();
        focusPolicy = widget->focusPolicy();
        if (const auto *label = qobject_cast<const QLabel *>(widget))
            QCOMPARE(label->textFormat(), Qt::PlainText);
    });

    if (geometry.isEmpty()) {
        QCOMPARE(actual.x(), geometry.x());
        QVERIFY(qAbs(actual.center().y() - geometry.center().y()) <= 1);
        QCOMPARE(actual.size(), sizeHint);
    } else {
        QCOMPARE(actual, geometry);
    }
    QCOMPARE(focusPolicy == Qt::NoFocus, name != u"Command1"_s);
}

void TestFrmAbout::contactLabelsLook()
{
    QMap<QString, QString> looks;
    openAbout([&](QWidget *about) {
        for (const QLabel *label : about->findChildren<QLabel *>()) {
            const QCursor cursor = label->cursor();
            const bool hand = label->testAttribute(Qt::WA_SetCursor)
                && cursor.shape() == Qt::BitmapCursor && cursor.hotSpot() == QPoint(6, 0)
                && cursor.pixmap().size() == QSize(32, 32);
            const QFont font = label->font();
            const bool contactFont = font.underline() && font.pointSize() == 9
                && font.weight() == QFont::Normal && font.families().value(0) == u"宋体"_s;
            const bool blue = label->palette().color(QPalette::WindowText) == QColor(0, 0, 255);
            looks[label->objectName()] = u"%1 %2 %3"_s.arg(hand ? u"hand"_s : u"-"_s,
                contactFont ? u"song"_s : u"-"_s, blue ? u"blue"_s : u"-"_s);
        }
        looks[u"Command1"_s]
            = control(about, u"Command1"_s)->testAttribute(Qt::WA_SetCursor) ? u"cursor"_s : u"-"_s;
    });

    for (const QString &name : looks.keys()) {
        const bool contact = name == u"Label4"_s || name == u"Label6"_s || name == u"Label8"_s;
        const QString expected = contact ? u"hand song blue"_s
            : name == u"Command1"_s      ? u"-"_s
                                         : u"- - -"_s;
        QVERIFY2(looks[name] == expected, qPrintable(name + u": "_s + looks[name]));
    }
    QCOMPARE(looks.size(), 11);
}

void TestFrmAbout::contactLabelsOpenTargets_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("ownedByAbout");
    QTest::addColumn<QString>("verb");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("showCommand");

    QTest::newRow("web") << u"Label4"_s << true << u"open"_s << u"http://www.tolvaro.example/"_s
                         << platform::SW_SHOWNORMAL;
    QTest::newRow("messenger") << u"Label6"_s << false << QString()
                               << u"xmpp:help@im.tolvaro.example?message"_s << platform::SW_SHOW;
    QTest::newRow("mail") << u"Label8"_s << true << u"open"_s << u"mailto:support@tolvaro.example"_s
                          << platform::SW_SHOWNORMAL;
}

void TestFrmAbout::contactLabelsOpenTargets()
{
    QFETCH(QString, label);
    QFETCH(bool, ownedByAbout);
    QFETCH(QString, verb);
    QFETCH(QString, target);
    QFETCH(int, showCommand);

    platform::WindowHandle aboutHandle = 0;
    bool stillOpen = false;
    openAbout([&](QWidget *about) {
        aboutHandle = platform::WindowHandle(about->winId());
        QTest::mouseClick(control(about, label), Qt::LeftButton);
        // Clicks on the plain labels open nothing.
        QTest::mouseClick(control(about, u"Label3"_s), Qt::LeftButton);
        QTest::mouseClick(control(about, u"Label1"_s), Qt::LeftButton);
        stillOpen = about->isVisible();
    });

    QVERIFY(stillOpen);
    QCOMPARE(m_shell.calls.size(), 1);
    const RecordingShell::Call call = m_shell.calls[0];
    QVERIFY(aboutHandle != 0);
    QCOMPARE(call.owner, ownedByAbout ? aboutHandle : platform::WindowHandle(0));
    QCOMPARE(call.verb, verb);
    QCOMPARE(call.file, target);
    QCOMPARE(call.parameters, QString());
    QCOMPARE(call.directory, QString());
    QCOMPARE(call.showCommand, showCommand);
}

void TestFrmAbout::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");

    QTest::newRow("Esc") << int(Qt::Key_Escape) << false;
    QTest::newRow("Enter") << int(Qt::Key_Return) << true;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << true;
    QTest::newRow("Space") << int(Qt::Key_Space) << true;
}

void TestFrmAbout::keys()
{
    QFETCH(int, key);
    QFETCH(bool, closes);

    bool open = false;
    openAbout([&](QWidget *about) {
        QWidget *ok = control(about, u"Command1"_s);
        QTest::keyClick(ok, Qt::Key(key));
        open = about->isVisible();
    });
    QCOMPARE(open, !closes);
}

void TestFrmAbout::rebuiltAtEveryOpening()
{
    QList<Opening> openings;
    const auto inspect = [&openings](QWidget *about) {
        Opening opening { about, about->findChild<QLabel *>(u"Label1"_s), {} };
        for (const QLabel *label : about->findChildren<QLabel *>())
            opening.texts[label->objectName()] = label->text();
        openings.append(opening);
    };
    openAbout(inspect);
    QVERIFY(openings[0].firstLabel.isNull());
    openAbout(inspect);

    QCOMPARE(openings.size(), 2);
    QCOMPARE(openings[1].window, openings[0].window);
    QCOMPARE(openings[1].texts, openings[0].texts);
    QCOMPARE(openings[1].texts.value(u"Label6"_s), u"help@im.tolvaro.example"_s);
    QVERIFY(MessageBox::shown().isEmpty());
}

QTEST_MAIN(TestFrmAbout)
#include "test_frmabout.moc"
