#include "shell/Screen.h"

#include <QKeyEvent>

#include "platform/Desktop.h"
#include "platform/PictureLoader.h"
#include "shell/Application.h"
#include "shell/Shell.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QPainter>
#include <QShowEvent>
#include <QWindow>

namespace umbraxis {

namespace {

// The screens now shown modally, the latest last.
QList<QPointer<Screen>>& shownModally()
{
    static QList<QPointer<Screen>> screens;
    return screens;
}

void paintBlack(QWidget& widget)
{
    widget.setAutoFillBackground(true);
    QPalette black = widget.palette();
    black.setColor(QPalette::Window, Qt::black);
    widget.setPalette(black);
}

} // namespace

Screen::Screen(const Services& services, Shell* shell, const QSize& size, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_services(services)
    , m_shell(shell)
{
    setFixedSize(size);
    setBlackBackground();
}

Screen::~Screen()
{
    // A screen destroyed while shown modally ends that showing.
    if (m_loop)
        m_loop->exit();
}

bool Screen::guard(const std::function<void()>& handler)
{
    return runGuarded(m_services.errors, handler);
}

void Screen::destroyScreen()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    guard([this] { FormDestroy(); });
}

QImage Screen::loadPicture(const QString& path) const
{
    return m_services.pictures->load(path);
}

QPixmap Screen::loadPixmap(const QString& path) const
{
    return QPixmap::fromImage(loadPicture(path));
}

void Screen::setBackground(const QImage& picture)
{
    m_background = picture;
    m_drawnBackground = QPixmap();
    update();
}

void Screen::setBlackBackground()
{
    paintBlack(*this);
}

QFont Screen::fontOf(const LabelStyle& style)
{
    QFont font(QString::fromLatin1(style.family));
    font.setPixelSize(style.pixels);
    font.setBold(style.bold);
    return font;
}

QLabel* Screen::addLabel(const char* name, const QRect& place, const QString& text, const LabelStyle& style)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(fontOf(style));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, style.colour);
    label->setPalette(palette);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setMargin(0);
    label->setIndent(0);
    if (place.width() > 0 && place.height() > 0) {
        label->setGeometry(place);
    } else {
        label->move(place.topLeft());
        label->adjustSize();
    }
    return label;
}

void Screen::createButtons(const std::vector<ButtonRow>& rows)
{
    for (const ButtonRow& row : rows) {
        QWidget* holder = this;
        QRect place = row.place;
        if (!row.bare) {
            auto* panel = new QWidget(this);
            panel->setObjectName(QStringLiteral("Panel%1").arg(row.number));
            panel->setGeometry(row.place);
            paintBlack(*panel);
            m_panels.insert(row.number, panel);
            holder = panel;
            place = QRect(QPoint(0, 0), row.place.size());
        }
        auto* image = new ImageButton(holder);
        image->setObjectName(QStringLiteral("Image%1").arg(row.number));
        image->setGeometry(place);
        image->setErrorBox(m_services.errors);
        if (row.hint && m_showHints)
            image->setToolTip(QString::fromUtf8(row.hint));
        image->onClick = row.click;
        m_images.insert(row.number, image);
        if (row.picture)
            m_pictureNames.insert(row.number, QString::fromLatin1(row.picture));
    }
}

void Screen::loadNormalPicture(int number)
{
    image(number)->setNormalPicture(loadPixmap(QStringLiteral("images\\fbf%1.bmp").arg(m_pictureNames.value(number))));
}

void Screen::loadPressedPicture(int number)
{
    image(number)->setPressedPicture(loadPixmap(QStringLiteral("images\\fbn%1.bmp").arg(m_pictureNames.value(number))));
}

void Screen::showNormalPictures()
{
    for (ImageButton* button : std::as_const(m_images))
        button->showNormalPicture();
}

void Screen::freeButtonPictures()
{
    for (ImageButton* button : std::as_const(m_images))
        button->freePictures();
}

void Screen::PlaceOverMain()
{
    if (!isWindow())
        move(0, 0);
    else if (m_shell)
        move(m_shell->mainPosition());
}

void Screen::UpdateWindow()
{
    repaint();
}

void Screen::ShowModal()
{
    const QPointer<QWidget> beneath = screenBeneath();
    const bool asPage = showsAsPage();
    m_closeRequested = false;
    if (asPage) {
        enterMainWindow();
    } else {
        setWindowModality(Qt::ApplicationModal);
        standOver(beneath);
    }
    shownModally().append(this);
    show();
    raise();
    if (asPage)
        focusFirstControl(*this);
    else
        activateWindow();
    if (!m_closeRequested) {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec(QEventLoop::DialogExec);
        m_loop = nullptr;
    }
    shownModally().removeAll(this);
    hide();
    if (beneath && beneath->isVisible()) {
        beneath->raise();
        if (beneath->isWindow())
            beneath->activateWindow();
        else
            focusFirstControl(*beneath);
    }
}

QWidget* Screen::screenBeneath() const
{
    const auto& shown = shownModally();
    for (auto it = shown.crbegin(); it != shown.crend(); ++it) {
        if (*it && *it != this && (*it)->isVisible())
            return *it;
    }
    if (m_shell && m_shell->mainWindow() && m_shell->mainWindow() != this)
        return m_shell->mainWindow();
    return QApplication::activeWindow();
}

void Screen::standOver(QWidget* beneath)
{
    // A screen is a child window of the one beneath it: every window system
    // keeps it in front of its parent.
    if (!beneath || beneath == this)
        return;
    QWindow* parentWindow = beneath->window()->windowHandle();
    if (!parentWindow)
        return;
    create();
    if (QWindow* own = windowHandle())
        own->setTransientParent(parentWindow);
}

bool Screen::showsAsPage() const
{
    // Where the window system places windows itself, no window can be put
    // exactly over the menu: the screens are shown inside the menu's window
    // instead, each over the one beneath.
    return m_services.desktop && m_services.desktop->placesWindowsItself() && m_shell && m_shell->mainWindow()
        && m_shell->mainWindow() != this;
}

void Screen::enterMainWindow()
{
    QWidget* host = m_shell->mainWindow();
    if (parentWidget() == host)
        return;
    setParent(host, Qt::Widget);
}

void Screen::focusFirstControl(QWidget& screen)
{
    // As the window system's activation does for a window: the first control
    // that takes the focus by the Tab key gets it, else the screen itself.
    for (QWidget* next = screen.nextInFocusChain(); next && next != &screen; next = next->nextInFocusChain()) {
        if (screen.isAncestorOf(next) && next->isVisibleTo(&screen) && next->isEnabled()
            && (next->focusPolicy() & Qt::TabFocus)) {
            next->setFocus(Qt::ActiveWindowFocusReason);
            return;
        }
    }
    screen.setFocus(Qt::ActiveWindowFocusReason);
}

void Screen::Close()
{
    m_closeRequested = true;
    if (m_loop)
        m_loop->exit();
    else if (isVisible())
        hide();
}

void Screen::paintEvent(QPaintEvent*)
{
    if (m_background.isNull())
        return;
    // The drawable copy is made when the screen is first painted and let go
    // when it is hidden.
    if (m_drawnBackground.isNull())
        m_drawnBackground = QPixmap::fromImage(m_background);
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_drawnBackground);
}

void Screen::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    // A screen shown inside the menu's window keeps its clicks to itself:
    // they never reach the menu beneath.
    if (!isWindow())
        event->accept();
}

void Screen::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (!isWindow())
        event->accept();
}

void Screen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        guard([this] { FormShow(); });
}

void Screen::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous()) {
        guard([this] { FormHide(); });
        m_drawnBackground = QPixmap();
    }
}

void Screen::closeEvent(QCloseEvent* event)
{
    // A modal screen closed by the window system ends its showing like its
    // own way out would.
    if (m_loop) {
        event->ignore();
        Close();
        return;
    }
    QWidget::closeEvent(event);
}

bool Screen::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate)
        guard([this] { FormActivate(); });
    return handled;
}

bool typesCharacter(const QKeyEvent& event)
{
    const QString text = event.text();
    return !text.isEmpty() && text != QStringLiteral("\x7f");
}

} // namespace umbraxis
