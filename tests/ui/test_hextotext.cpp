#include "platform/codepage.h"
#include "ui/displaytexts.h"
#include "ui/hextotext.h"
#include "ui/messagebox.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestHexToText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { MessageBox::clearShown(); }
    void decodes_data();
    void decodes();
    void displayTextsInEveryCodePage();
};

void TestHexToText::decodes_data()
{
    QTest::addColumn<QString>("encoded");
    QTest::addColumn<QString>("cleaned"); // what is left of the argument
    QTest::addColumn<QString>("decoded"); // the empty text: refused with the warning

    QTest::newRow("pairs") << u"4A4B"_s << u"4A4B"_s << u"JK"_s;
    QTest::newRow("noise inside a pair") << u"4%A4%B"_s << u"4A4B"_s << u"JK"_s;
    QTest::newRow("lower-case digits") << u"%%6a%%"_s << u"6a"_s << u"j"_s;
    QTest::newRow("lone third digit ignored") << u"4A4"_s << u"4A4"_s << u"J"_s;
    QTest::newRow("lone fifth digit is a byte") << u"4A%4B%4"_s << u"4A4B4"_s << u"JK\x04"_s;
    QTest::newRow("lone seventh digit ignored") << u"4A4B4C4"_s << u"4A4B4C4"_s << u"JKL"_s;
    QTest::newRow("one digit") << u"4"_s << u"4"_s << u"\x04"_s;
    // A character that stands alone at an ignored position is never read.
    QTest::newRow("ignored lone non-digit") << u"4AX"_s << u"4AX"_s << u"J"_s;
    QTest::newRow("double-byte character") << u"B0A1"_s << u"B0A1"_s << u"啊"_s;
    QTest::newRow("mixed text") << u"%54%6F6C%7661726F20CDF8D5BE"_s << u"546F6C7661726F20CDF8D5BE"_s
                                << u"Tolvaro 网站"_s;

    QTest::newRow("empty") << QString() << QString() << QString();
    QTest::newRow("only noise") << u"%%%"_s << QString() << QString();
    QTest::newRow("non-digit in a pair") << u"4X4B"_s << u"4X4B"_s << QString();
    QTest::newRow("non-digit in the last pair") << u"4A4X"_s << u"4A4X"_s << QString();
    QTest::newRow("blank next to a digit") << u"4A 4B"_s << u"4A 4B"_s << QString();
    QTest::newRow("blank inside a pair") << u"4 "_s << u"4 "_s << QString();
    QTest::newRow("sign") << u"-4A4B"_s << u"-4A4B"_s << QString();
    QTest::newRow("full-width digits") << u"４Ａ"_s << u"４Ａ"_s << QString();
    QTest::newRow("lead byte without its trail") << u"4AB0"_s << u"4AB0"_s << QString();
    QTest::newRow("byte the code page lacks") << u"FF4A"_s << u"FF4A"_s << QString();
}

void TestHexToText::decodes()
{
    QFETCH(QString, encoded);
    QFETCH(QString, cleaned);
    QFETCH(QString, decoded);

    MessageBox::setNextAnswer(QMessageBox::Ok);
    QCOMPARE(ui::HexToText(encoded), decoded);
    QCOMPARE(encoded, cleaned);
    const QList<MessageBox::Shown> shown = MessageBox::shown();
    if (!decoded.isEmpty()) {
        QVERIFY(shown.isEmpty());
        return;
    }
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].icon, QMessageBox::Warning);
    QCOMPARE(shown[0].caption, u"Tolvaro"_s);
    QCOMPARE(shown[0].text, u"要解密的内容不合法！"_s);
}

// The display texts the build encodes read the same in code page 936 and in
// UTF-8, the ANSI code page of a Windows system set to UTF-8, and none shows
// the warning on either.
void TestHexToText::displayTextsInEveryCodePage()
{
    using Text = QString (*)(platform::CodePage);
    for (const Text text : { Text(displayTexts::mainTitle), Text(displayTexts::aboutProduct),
             Text(displayTexts::aboutCredit), Text(displayTexts::aboutWeb),
             Text(displayTexts::aboutMessenger), Text(displayTexts::aboutMail) }) {
        const auto decode = [&text](platform::CodePage codePage) {
            const QByteArray digits = text(codePage).remove(u'%').toLatin1();
            return platform::fromAnsi(QByteArray::fromHex(digits), codePage);
        };
        const QString wording = decode(936);
        QVERIFY(!wording.isEmpty());
        QCOMPARE(decode(platform::utf8CodePage), wording);
        QString encoded = text(platform::ansiCodePage());
        QCOMPARE(ui::HexToText(encoded), wording);
    }
    QVERIFY(MessageBox::shown().isEmpty());
}

QTEST_MAIN(TestHexToText)
#include "test_hextotext.moc"
