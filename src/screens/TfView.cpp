#include "screens/TfView.h"

#include "platform/AppError.h"
#include "platform/Desktop.h"
#include "platform/FileReading.h"
#include "platform/FileSystem.h"
#include "platform/SingleByteText.h"
#include "platform/windowing/KeyboardLayout.h"
#include "screens/DocumentText.h"
#include "screens/RtfReader.h"
#include "shell/Shell.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

namespace umbraxis {

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent)
    , m_text(new QLineEdit(this))
    , m_findNext(new QPushButton(QStringLiteral("&Find Next"), this))
    , m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("FindDialog1"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    label->setBuddy(m_text);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_findNext);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_text, 1);
    auto* column = new QVBoxLayout;
    column->addLayout(row);
    column->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(column, 1);
    layout->addLayout(buttons);
    m_findNext->setDefault(true);
    m_findNext->setEnabled(false);
    connect(m_text, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_findNext->setEnabled(!text.isEmpty()); });
    connect(m_findNext, &QPushButton::clicked, this, &FindDialog::find);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::hide);
    resize(360, 90);
}

QString FindDialog::findText() const
{
    return m_text->text();
}

void FindDialog::setFindText(const QString& text)
{
    m_text->setText(text);
}

TfView::TfView(const Services& services, Shell& shell, QWidget* parent)
    : Screen(services, &shell, QSize(640, 480), parent)
{
    setObjectName(QStringLiteral("fView"));
    setWindowTitle(QStringLiteral("Umbraxis"));
    createView();
    createButtons({
        {2, {158, 405, 134, 27}, "Display Help", "help", [this] { Image2Click(); }},
        {3, {351, 405, 134, 27}, "Return To Previous Screen", "main", [this] { Image3Click(); }},
    });
    FindDialog1 = new FindDialog(this);
    connect(FindDialog1, &FindDialog::find, this, [this] { guard([this] { FindDialog1Find(); }); });
}

void TfView::createView()
{
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setGeometry(32, 80, 569, 305);
    RichEdit1->setReadOnly(true);
    RichEdit1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(11);
    RichEdit1->setFont(font);
    RichEdit1->document()->setDefaultFont(font);
    // The selection shows only while the view has the keyboard focus.
    QPalette palette = RichEdit1->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Base));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, palette.color(QPalette::Active, QPalette::Text));
    RichEdit1->setPalette(palette);
    RichEdit1->installEventFilter(this);
    setFocusProxy(RichEdit1);
}

void TfView::FormCreate()
{
    setBlackBackground();
    DocumentFile.clear();
    setBackground(loadPicture(QStringLiteral("images\\fview.bmp")));
    loadPressedPicture(3);
    loadNormalPicture(3);
    loadPressedPicture(2);
    loadNormalPicture(2);
}

void TfView::FormShow()
{
    RichEdit1->setFocus();
    loadDocument(DocumentFile);
    showNormalPictures();
    PlaceOverMain();
}

void TfView::FormHide()
{
    FindDialog1->hide();
}

void TfView::FormDestroy()
{
    setBackground(QImage());
    freeButtonPictures();
}

void TfView::Image2Click()
{
    shell().PlayCue(QStringLiteral("guncock.wav"));
    loadDocument(QStringLiteral("help.rtf"));
    showNormalPictures();
}

void TfView::Image3Click()
{
    shell().PlayCue(QStringLiteral("guncock.wav"));
    Close();
}

void TfView::loadDocument(const QString& path)
{
    QTextDocument* document = RichEdit1->document();
    if (!services().files->fileExists(path)) {
        document->clear();
        return;
    }
    const QByteArray data = readFileBytes(*services().files, path);
    document->setDefaultFont(RichEdit1->font());
    if (readRtf(data, *document)) {
        RichEdit1->moveCursor(QTextCursor::Start);
        return;
    }
    const std::optional<QString> text = plainDocumentText(data);
    if (!text)
        throw AppError(QStringLiteral("Failed to Load Stream"));
    document->setPlainText(*text);
    RichEdit1->moveCursor(QTextCursor::Start);
}

bool TfView::RichEdit1KeyDown(const QKeyEvent& key)
{
    // The key that types "f" on the current layout, with exactly Ctrl held
    // and no mouse button down.
    const bool findKey = isKeyOfLetter(key, 'f') && key.modifiers() == Qt::ControlModifier
        && QGuiApplication::mouseButtons() == Qt::NoButton;
    if (!findKey)
        return false;
    // An open dialog is only brought to the front, its text as the user
    // left it.
    if (!FindDialog1->isVisible()) {
        FindDialog1->move(mapToGlobal(QPoint(140, 120)));
        FindDialog1->show();
        FindDialog1->textBox()->setFocus();
        FindDialog1->textBox()->selectAll();
    }
    FindDialog1->raise();
    FindDialog1->activateWindow();
    return true;
}

void TfView::FindDialog1Find()
{
    const QString wanted = FindDialog1->findText();
    // A repeated search goes on just after the match found last, or from the
    // caret; it never wraps round to the top.
    const int from = RichEdit1->textCursor().selectionEnd();
    QTextCursor found;
    if (!wanted.isEmpty())
        found = RichEdit1->document()->find(wanted, from, QTextDocument::FindCaseSensitively);
    if (found.isNull())
        services().desktop->beep();
    else
        RichEdit1->setTextCursor(found);
    RichEdit1->ensureCursorVisible();
    UpdateWindow();
}

bool TfView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == RichEdit1 && event->type() == QEvent::KeyPress) {
        bool handled = false;
        guard([&] { handled = RichEdit1KeyDown(*static_cast<QKeyEvent*>(event)); });
        if (handled)
            return true;
    }
    return Screen::eventFilter(watched, event);
}

} // namespace umbraxis
