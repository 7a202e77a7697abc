#pragma once

#include "platform/Services.h"
#include "shell/ImageButton.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QMap>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>

class QEventLoop;
class QKeyEvent;
class QLabel;

namespace umbraxis {

class Shell;

// One row of a screen's button table: the button `Image<number>` at `place`
// (on a black panel `Panel<number>` of the same place, unless `bare`), its
// hint, the name its pictures are built from ("help" for "images\fbfhelp.bmp"
// and "images\fbnhelp.bmp") and its click handler.
struct ButtonRow {
    int number = 0;
    QRect place;
    const char* hint = nullptr;
    const char* picture = nullptr;
    std::function<void()> click;
    bool bare = false;
};

// How a label of a screen looks.
struct LabelStyle {
    const char* family;
    int pixels;
    QColor colour;
    bool bold = false;
};

// A borderless picture screen, the shape every screen of the program takes.
// The base paints the background picture at the top-left corner and runs the
// handlers FormCreate, FormShow, FormActivate, FormHide and FormDestroy, each
// under the error guard: an error shows the standard error box and the
// program carries on, so no screen catches errors of its own. Screens are made
// by createScreen() and shown with ShowModal().
class Screen : public QWidget {
    Q_OBJECT
public:
    Screen(const Services& services, Shell* shell, const QSize& size, QWidget* parent = nullptr);
    ~Screen() override;

    const Services& services() const { return m_services; }
    Shell& shell() const { return *m_shell; }
    // The background picture as its file holds it (a palettised picture
    // stays palettised, a quarter of the memory of a drawable one).
    const QImage& background() const { return m_background; }
    // Whether the screen holds a drawable copy of its background; it does
    // only while it is on view, so hidden screens stay small.
    bool holdsDrawnBackground() const { return !m_drawnBackground.isNull(); }

    virtual void FormCreate() { }
    virtual void FormShow() { }
    virtual void FormActivate() { }
    virtual void FormHide() { }
    virtual void FormDestroy() { }

    // Shows the screen application-modal and returns when it is closed; the
    // screen that was active before is active again.
    void ShowModal();
    // Ends the modal showing once the running handler returns (the screen is
    // then hidden); a screen not shown modally is hidden at once.
    void Close();
    bool isShownModal() const { return m_loop != nullptr; }

    ImageButton* image(int number) const { return m_images.value(number); }
    QWidget* panel(int number) const { return m_panels.value(number); }

    // Runs `handler` and shows its error, if any, in the error box; false
    // when it failed.
    bool guard(const std::function<void()>& handler);

    // The first part of destruction, which a destructor cannot do: the
    // screen's own FormDestroy, under the guard.
    void destroyScreen();

protected:
    // Loads a picture as its file holds it; raises "Cannot open file %s"
    // when it cannot.
    QImage loadPicture(const QString& path) const;
    // Loads a picture ready to be drawn (for the small pictures of buttons).
    QPixmap loadPixmap(const QString& path) const;
    void setBackground(const QImage& picture);
    void setBlackBackground();
    // Hints (tool tips) of the buttons made from now on.
    void setShowHints(bool show) { m_showHints = show; }

    // A label on the screen's picture (its ground stays transparent). A
    // place without a size makes the label fit its one line of text.
    QLabel* addLabel(const char* name, const QRect& place, const QString& text, const LabelStyle& style);
    static QFont fontOf(const LabelStyle& style);

    // Makes the buttons of a table, in its order.
    void createButtons(const std::vector<ButtonRow>& rows);
    // The two pictures of a button made from a table row.
    void loadNormalPicture(int number);
    void loadPressedPicture(int number);
    void showNormalPictures();
    void freeButtonPictures();

    void setShell(Shell* shell) { m_shell = shell; }
    // The window a modal showing stands over: the latest screen still shown
    // modally, else the main screen.
    QWidget* screenBeneath() const;
    void standOver(QWidget* beneath);
    bool showsAsPage() const;
    void enterMainWindow();
    static void focusFirstControl(QWidget& screen);
    // Moves the screen so that it covers the main screen exactly.
    void PlaceOverMain();
    // Paints at once every part of the screen that waits for a repaint.
    void UpdateWindow();

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    const Services& m_services;
    Shell* m_shell;
    QImage m_background;
    QPixmap m_drawnBackground;
    QMap<int, ImageButton*> m_images;
    QMap<int, QWidget*> m_panels;
    QMap<int, QString> m_pictureNames;
    bool m_showHints = true;
    bool m_destroyed = false;
    bool m_closeRequested = false;
    QEventLoop* m_loop = nullptr;
};

// Whether a key press types a character, as the keyboard of the system the
// program was made for does: Space, Enter, Escape, Backspace, Tab, letters
// and Ctrl+letter do; arrows, function keys and Delete do not.
bool typesCharacter(const QKeyEvent& event);

// Deletes a screen after its FormDestroy.
struct ScreenDeleter {
    void operator()(Screen* screen) const
    {
        if (!screen)
            return;
        screen->destroyScreen();
        delete screen;
    }
};

template <typename T>
using ScreenPtr = std::unique_ptr<T, ScreenDeleter>;

// Makes a screen: constructs it, then runs its FormCreate under the guard (a
// constructor cannot call the screen's own handlers).
template <typename T, typename... Args>
ScreenPtr<T> createScreen(Args&&... args)
{
    ScreenPtr<T> screen(new T(std::forward<Args>(args)...));
    screen->guard([&screen] { screen->FormCreate(); });
    return screen;
}

} // namespace umbraxis
