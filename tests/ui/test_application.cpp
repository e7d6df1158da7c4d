#include "startup/modpub.h"
#include "startup/runtimeerror.h"
#include "ui/application.h"
#include "ui/messagebox.h"

#include <QTest>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// An object whose event handling fails without a guard of its own.
class Failing : public QObject
{
public:
    std::function<void()> fail;

    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            fail();
        return QObject::event(event);
    }
};

} // namespace

class TestApplication : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void errorReachingTheEventLoop_data();
    void errorReachingTheEventLoop();
};

void TestApplication::errorReachingTheEventLoop_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");

    QTest::newRow("run-time error") << 0 << RuntimeError::overflow().message();
    QTest::newRow("standard exception") << 1 << RuntimeError(51, u"坏了"_s).message();
}

void TestApplication::errorReachingTheEventLoop()
{
    QFETCH(int, kind);
    QFETCH(QString, message);

    int ends = 0;
    modPub::setEndHandler([&ends] { ++ends; });
    MessageBox::clearShown();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    Failing failing;
    failing.fail = [kind] {
        if (kind == 0)
            throw RuntimeError::overflow();
        throw std::runtime_error("坏了");
    };

    // Posted, so that the error reaches the event loop with nothing between.
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
    QTRY_COMPARE(ends, 1);

    const QList<MessageBox::Shown> shown = MessageBox::shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].icon, QMessageBox::Critical);
    QCOMPARE(shown[0].caption, u"Tolvaro"_s);
    QCOMPARE(shown[0].text, message);
}

// The program's own application object, in place of the plain one that
// QTEST_MAIN would make.
int main(int argc, char *argv[])
{
    Application app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_application.moc"
