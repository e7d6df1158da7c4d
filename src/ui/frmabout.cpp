#include "ui/frmabout.h"

#include "ui/controls.h"
#include "ui/displaytexts.h"
#include "ui/hextotext.h"
#include "ui/unhandlederror.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

const QString webTarget = u"http://www.tolvaro.example/"_s;
const QString messengerTarget = u"xmpp:help@im.tolvaro.example?message"_s;
const QString mailTarget = u"mailto:support@tolvaro.example"_s;

// The look of the three contact labels: blue, underlined, the Song face of
// the Chinese system at 9 points, or the nearest CJK face where it is missing.
void styleContactLabel(QLabel *label)
{
    QFont contactFont(
        QStringList { u"宋体"_s, u"SimSun"_s, u"Noto Serif CJK SC"_s, u"Noto Sans CJK SC"_s }, 9,
        QFont::Normal);
    contactFont.setUnderline(true);
    label->setFont(contactFont);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(palette);
}

// The pointing hand, its fingertip the hot spot, from the image drawn for
// the screen's density: the doubled one wherever a pixel of the layout is
// more than one pixel of the screen. Qt's X11 back end shows a cursor image
// pixel for pixel and reads the hot spot in the image's own pixels; the
// others take it in the layout's pixels.
QCursor handCursor(qreal screenRatio)
{
    const int scale = screenRatio > 1.0 ? 2 : 1;
    QPixmap hand(scale == 2 ? u":/ui/hand@2x.png"_s : u":/ui/hand.png"_s);
    hand.setDevicePixelRatio(scale);
    const int hotSpotScale = QGuiApplication::platformName() == u"xcb"_s ? scale : 1;
    return QCursor(hand, 6 * hotSpotScale, 0);
}

} // namespace

frmAbout::frmAbout(platform::Shell &shell, QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
            | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_shell(shell)
{
    setObjectName(u"frmAbout"_s);
    useWindowFont(this);
    setWindowTitle(u"关于"_s);
    setFixedSize(twipsToPixels(4890), twipsToPixels(2400));
}

void frmAbout::showModal()
{
    createControls();
    load();
    exec();
    destroyControls();
}

void frmAbout::createControls()
{
    m_image1 = newLabel(this, u"Image1"_s);
    m_image1->setGeometry(twipsRect(240, 120, 555, 555));
    m_image1->setFrameShape(QFrame::Box);
    m_image1->setLineWidth(1);
    m_image1->setScaledContents(true);
    m_image1->setPixmap(QPixmap(u":/ui/tolvaro.png"_s));

    m_label1 = newAutoSizeLabel(this, u"Label1"_s, 1080, 120, 180, QString());
    m_label2 = newAutoSizeLabel(this, u"Label2"_s, 1080, 480, 180, QString());
    newAutoSizeLabel(this, u"Label3"_s, 1080, 720, 180, u"主页:"_s);
    m_label4 = newAutoSizeLabel(this, u"Label4"_s, 1560, 720, 180, QString(), QAccessible::Link);
    newAutoSizeLabel(this, u"Label5"_s, 1080, 960, 180, u"聊天:"_s);
    m_label6 = newAutoSizeLabel(this, u"Label6"_s, 1560, 960, 180, QString(), QAccessible::Link);
    newAutoSizeLabel(this, u"Label7"_s, 1080, 1200, 180, u"邮箱:"_s);
    m_label8 = newAutoSizeLabel(this, u"Label8"_s, 1560, 1200, 180, QString(), QAccessible::Link);
    newAutoSizeLabel(this, u"Label9"_s, 1080, 1560, 180, u"2009-08-21"_s);

    // Only the web label carries the pointing hand; the load sequence hands it
    // on to the other two.
    m_label4->setCursor(handCursor(devicePixelRatioF()));
    // A screen reader tells where each link leads.
    const std::pair<QLabel *, QString> contacts[] = {
        { m_label4, webTarget },
        { m_label6, messengerTarget },
        { m_label8, mailTarget },
    };
    for (const auto &[contact, target] : contacts) {
        styleContactLabel(contact);
        contact->setAccessibleDescription(target);
        contact->installEventFilter(this);
    }

    // The only control that takes the focus; while it has it, Enter presses
    // it, and the window has no cancel button.
    m_command1 = new QPushButton(u"确定"_s, this);
    m_command1->setObjectName(u"Command1"_s);
    m_command1->setGeometry(twipsRect(1800, 1920, 1215, 330));
    m_command1->setAutoDefault(true);
    m_command1->setDefault(false);
    m_command1->setFocus();
    connect(
        m_command1, &QPushButton::clicked, this, [this] { ui::runHandler([this] { accept(); }); });
}

void frmAbout::load()
{
    if (parentWidget())
        setWindowIcon(parentWidget()->windowIcon());
    m_label6->setCursor(m_label4->cursor());
    m_label8->setCursor(m_label4->cursor());

    // Each text is decoded right before its label takes it; one that fails
    // leaves its label empty and the others still load.
    const std::pair<QLabel *, QString (*)(platform::CodePage)> texts[] = {
        { m_label1, displayTexts::aboutProduct },
        { m_label2, displayTexts::aboutCredit },
        { m_label4, displayTexts::aboutWeb },
        { m_label6, displayTexts::aboutMessenger },
        { m_label8, displayTexts::aboutMail },
    };
    for (const auto &[label, encoded] : texts) {
        QString text = encoded(platform::ansiCodePage());
        setAutoSizeCaption(label, ui::HexToText(text));
    }
}

void frmAbout::destroyControls()
{
    const QList<QWidget *> controls = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    qDeleteAll(controls);
    m_image1 = m_label1 = m_label2 = m_label4 = m_label6 = m_label8 = nullptr;
    m_command1 = nullptr;
}

void frmAbout::openContact(const QLabel *label)
{
    const platform::WindowHandle self = platform::WindowHandle(winId());
    if (label == m_label4)
        m_shell.execute(
            self, u"open"_s, webTarget, QString(), QString(), platform::ShowCommand::Normal);
    else if (label == m_label6)
        m_shell.execute(
            0, QString(), messengerTarget, QString(), QString(), platform::ShowCommand::Show);
    else if (label == m_label8)
        m_shell.execute(
            self, u"open"_s, mailTarget, QString(), QString(), platform::ShowCommand::Normal);
}

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    // No cancel button: Esc leaves the window open.
    if (event->matches(QKeySequence::Cancel) || event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *label = qobject_cast<QLabel *>(watched);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (label && mouse->button() == Qt::LeftButton
            && label->rect().contains(mouse->position().toPoint()))
            ui::runHandler([this, label] { openContact(label); });
    }
    return QDialog::eventFilter(watched, event);
}
