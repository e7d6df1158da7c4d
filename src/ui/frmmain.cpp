#include "ui/frmmain.h"

#include "search/pagefetch.h"
#include "startup/modpub.h"
#include "startup/runtimeerror.h"
#include "startup/strictnumber.h"
#include "ui/controls.h"
#include "ui/displaytexts.h"
#include "ui/frmabout.h"
#include "ui/hextotext.h"
#include "ui/unhandlederror.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

using namespace Qt::StringLiterals;

namespace {

// The 16 x 16 image is the icon as drawn; the larger ones of the same picture
// serve screens of a higher density and the window switchers.
QIcon programIcon()
{
    QIcon icon(u":/ui/tolvaro.png"_s);
    for (const int size : { 24, 32, 48, 64, 128, 256 })
        icon.addFile(u":/ui/icon/%1x%1/apps/example.tolvaro.Tolvaro.png"_s.arg(size));
    return icon;
}

QLineEdit *newTextBox(QWidget *parent, const QString &objectName)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(objectName);
    return box;
}

// A box is named after its caption as a screen reader should say it: without
// the ideographic space that spreads the caption and without the colon.
void nameAfterCaption(QLineEdit *box, QLabel *caption)
{
    caption->setBuddy(box);
    box->setAccessibleName(caption->text().remove(u'\u3000').remove(u':'));
}

// Neither button is the window's default: Enter in a box presses nothing.
QPushButton *newButton(QWidget *parent, const QString &objectName, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

frmMain &frmMain::defaultInstance()
{
    static frmMain *window = new frmMain;
    return *window;
}

frmMain::frmMain()
    : frmMain(&GetBodyByXml, platform::systemShell())
{
}

frmMain::frmMain(RankSearch::Fetch fetch, platform::Shell &shell)
    : m_shell(shell)
    , m_search(*this, std::move(fetch), shell)
{
    setObjectName(u"frmMain"_s);
    useWindowFont(this);
    setWindowIcon(programIcon());

    createControls();
    load();

    resize(twipsToPixels(7650), twipsToPixels(3210));
}

frmMain::~frmMain() = default;

void frmMain::createControls()
{
    m_label1 = newAutoSizeLabel(this, u"Label1"_s, 120, 240, 180, u"关键字:"_s);
    m_txtKeyWord = newTextBox(this, u"txtKeyWord"_s);
    m_txtKeyWord->setGeometry(twipsRect(840, 195, 4335, 270));

    m_label4 = newAutoSizeLabel(this, u"Label4"_s, 120, 600, 180, u"范\u3000围:"_s);
    m_txtPage = newTextBox(this, u"txtPage"_s);
    m_txtPage->setGeometry(twipsRect(840, 555, 1575, 270));
    m_label5 = newAutoSizeLabel(this, u"Label5"_s, 2520, 600, 180, u"页"_s);

    m_label2 = newAutoSizeLabel(this, u"Label2"_s, 120, 960, 180, u"网\u3000址:"_s);
    m_txtUrl = newTextBox(this, u"txtUrl"_s);
    m_txtUrl->setGeometry(twipsRect(840, 915, 4335, 270));
    m_check1 = new QCheckBox(u"检索到时打开所在页"_s, this);
    m_check1->setObjectName(u"Check1"_s);
    m_check1->setGeometry(twipsRect(5280, 960, 2175, 225));
    // The option is not saved: it is ticked at every start.
    m_check1->setChecked(true);

    m_label3 = newAutoSizeLabel(this, u"Label3"_s, 120, 1320, 180, u"位\u3000置:"_s);
    m_txtResult = newTextBox(this, u"txtResult"_s);
    m_txtResult->setGeometry(twipsRect(840, 1275, 1575, 270));
    m_label6 = newAutoSizeLabel(this, u"Label6"_s, 2520, 1320, 180, u"名"_s);

    m_command1 = newButton(this, u"Command1"_s, u"检索(&S)"_s);
    m_command1->setGeometry(twipsRect(840, 2040, 1815, 375));
    m_command2 = newButton(this, u"Command2"_s, u"关于(&A)"_s);
    m_command2->setGeometry(twipsRect(2880, 2040, 1815, 375));

    m_lblStatus = newLabel(this, u"lblStatus"_s, QAccessible::StatusBar);
    m_lblStatus->setText(u"状态:就绪"_s);
    m_lblStatus->setGeometry(twipsRect(0, 2760, 3615, 255));

    nameAfterCaption(m_txtKeyWord, m_label1);
    nameAfterCaption(m_txtPage, m_label4);
    nameAfterCaption(m_txtUrl, m_label2);
    nameAfterCaption(m_txtResult, m_label3);

    setTabOrder(m_txtKeyWord, m_txtPage);
    setTabOrder(m_txtPage, m_txtUrl);
    setTabOrder(m_txtUrl, m_txtResult);
    setTabOrder(m_txtResult, m_command1);
    setTabOrder(m_command1, m_command2);
    setTabOrder(m_command2, m_check1);
    m_txtKeyWord->setFocus();

    connect(m_command1, &QPushButton::clicked, this,
        [this] { ui::runHandler([this] { m_search.run(); }); });
    connect(m_command2, &QPushButton::clicked, this,
        [this] { ui::runHandler([this] { showAbout(); }); });
}

void frmMain::load()
{
    m_txtKeyWord->setText(modPub::strKeyWord);
    m_txtPage->setText(QString::number(modPub::lngMaxPage));
    m_txtUrl->setText(modPub::strKeyUrl);
    QString title = displayTexts::mainTitle();
    setWindowTitle(ui::HexToText(title));
}

void frmMain::dockStatusLine()
{
    const int statusHeight = m_lblStatus->height();
    m_lblStatus->setGeometry(0, height() - statusHeight, width(), statusHeight);
}

void frmMain::unload()
{
    modPub::strKeyWord = m_txtKeyWord->text();
    // A page count that cannot be read keeps the count in force, so that the
    // other settings are still saved and the program still ends normally.
    try {
        modPub::lngMaxPage = strictToLong(m_txtPage->text());
    } catch (const RuntimeError &) {
    }
    modPub::strKeyUrl = m_txtUrl->text();
    modPub::SaveSettings();
    m_search.abandon();
    modPub::End();
}

void frmMain::showAbout()
{
    if (!m_about)
        m_about = new frmAbout(m_shell, this);
    m_about->showModal();
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ui::runHandler([this] { dockStatusLine(); });
}

void frmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_centred || event->spontaneous())
        return;
    // The whole window, frame included, opens in the middle of the screen.
    m_centred = true;
    if (const QScreen *screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void frmMain::closeEvent(QCloseEvent *event)
{
    ui::runHandler([this] { unload(); });
    event->accept();
}

QString frmMain::keyWordText() const
{
    return m_txtKeyWord->text();
}

QString frmMain::urlText() const
{
    return m_txtUrl->text();
}

QString frmMain::pageText() const
{
    return m_txtPage->text();
}

QString frmMain::resultText() const
{
    return m_txtResult->text();
}

void frmMain::setResultText(const QString &text)
{
    m_txtResult->setText(text);
}

void frmMain::setStatus(const QString &text)
{
    m_lblStatus->setText(text);
}

int frmMain::openPageOption() const
{
    return m_check1->checkState() == Qt::Unchecked ? 0 : 1;
}

platform::WindowHandle frmMain::nativeHandle() const
{
    return platform::WindowHandle(winId());
}

void frmMain::doEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
