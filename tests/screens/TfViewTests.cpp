#include "screens/ScreenFixture.h"
#include "screens/TfView.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

using namespace umbraxis;

namespace {

const QByteArray kHelp = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\fs36\\b Umbraxis Help\\b0\\fs20\\par "
                         "Press the arrow to install a level.\\par Quake needs the arrow.\\par}";

class TfViewTest : public umbraxis::testing::ScreenFixture {
protected:
    ScreenPtr<TfView> showViewer(const QString& document)
    {
        auto view = createScreen<TfView>(services, *shell);
        view->DocumentFile = document;
        view->show();
        return view;
    }

    // Runs the find dialog's search for `text`.
    static void findNext(TfView& view, const QString& text)
    {
        view.FindDialog1->setFindText(text);
        QTest::mouseClick(view.FindDialog1->findNextButton(), Qt::LeftButton);
    }

    static QString selected(const TfView& view) { return view.RichEdit1->textCursor().selectedText(); }
};

TEST_F(TfViewTest, CreationLoadsItsPicturesAndTheLayoutIsFixed)
{
    auto view = createScreen<TfView>(services, *shell);
    EXPECT_EQ(pictures.requests,
              (QStringList{"images\\fview.bmp", "images\\fbnmain.bmp", "images\\fbfmain.bmp", "images\\fbnhelp.bmp",
                           "images\\fbfhelp.bmp"}));
    EXPECT_TRUE(view->DocumentFile.isEmpty());
    EXPECT_EQ(view->size(), QSize(640, 480));
    EXPECT_EQ(view->RichEdit1->geometry(), QRect(32, 80, 569, 305));
    EXPECT_TRUE(view->RichEdit1->isReadOnly());
    EXPECT_EQ(view->RichEdit1->font().family(), "Courier New");
    EXPECT_EQ(view->RichEdit1->font().pixelSize(), 11);
    EXPECT_EQ(view->RichEdit1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(view->panel(2)->geometry(), QRect(158, 405, 134, 27));
    EXPECT_EQ(view->panel(3)->geometry(), QRect(351, 405, 134, 27));
    EXPECT_EQ(view->image(2)->toolTip(), "Display Help");
    EXPECT_EQ(view->image(3)->toolTip(), "Return To Previous Screen");
}

TEST_F(TfViewTest, ShowingLoadsTheDocumentResetsTheButtonsAndCoversTheMainScreen)
{
    write("help.rtf", kHelp);
    auto view = showViewer("help.rtf");
    EXPECT_EQ(view->pos(), mainPosition);
    EXPECT_EQ(shownColour(view->image(2)), normalColour.rgb());
    EXPECT_EQ(shownColour(view->image(3)), normalColour.rgb());
    QTextDocument* document = view->RichEdit1->document();
    EXPECT_TRUE(document->toPlainText().startsWith("Umbraxis Help\nPress the arrow"));
    // The heading is bold and large; the text after it is neither.
    const QTextCursor heading = document->find("Umbraxis Help");
    ASSERT_FALSE(heading.isNull());
    EXPECT_EQ(heading.charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(heading.charFormat().fontPointSize(), 18);
    EXPECT_NE(document->find("install").charFormat().fontWeight(), QFont::Bold);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(TfViewTest, PlainTextShowsInTheViewsOwnFontAndAMissingDocumentShowsNothing)
{
    write("text/websites.txt", "Quake sites\r\n  www.rift.example\r\nEditors\r\n\x93quoted\x94\r\n");
    auto view = showViewer("text\\websites.txt");
    QTextDocument* document = view->RichEdit1->document();
    EXPECT_EQ(document->toPlainText(), QString::fromUtf8("Quake sites\n  www.rift.example\nEditors\n“quoted”\n"));
    EXPECT_EQ(document->begin().charFormat().fontFamilies().toStringList().value(0, document->defaultFont().family()),
              "Courier New");

    view->hide();
    view->DocumentFile = "text\\missing.txt";
    view->show();
    EXPECT_TRUE(view->RichEdit1->document()->isEmpty());
    EXPECT_TRUE(errors.messages.isEmpty()) << "a missing document is no error";
}

TEST_F(TfViewTest, DataThatIsNeitherRichNorPlainTextIsReported)
{
    write("help.rtf",
          QByteArray("\x7f"
                     "ELF\0\0\0\x02\x01",
                     10));
    auto view = showViewer("help.rtf");
    EXPECT_EQ(errors.messages, QStringList{"Failed to Load Stream"});
    EXPECT_TRUE(view->isVisible()) << "the screen is shown all the same";
    EXPECT_NE(view->pos(), mainPosition) << "the steps after the failure do not run";
}

TEST_F(TfViewTest, TheHelpButtonShowsHelpButLeavesTheCallersDocument)
{
    write("help.rtf", kHelp);
    write("text/websites.txt", "Sites\r\n");
    auto view = showViewer("text\\websites.txt");
    media.clearLog();
    QTest::mouseClick(view->image(2), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(cues(), QStringList{"guncock.wav"});
    EXPECT_TRUE(view->RichEdit1->toPlainText().startsWith("Umbraxis Help"));
    EXPECT_EQ(view->DocumentFile, "text\\websites.txt");
    view->hide();
    view->show();
    EXPECT_EQ(view->RichEdit1->toPlainText(), "Sites\n");
}

TEST_F(TfViewTest, TheReturnButtonPlaysItsCueAndCloses)
{
    auto view = showViewer("help.rtf");
    media.clearLog();
    QTest::mouseClick(view->image(3), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(cues(), QStringList{"guncock.wav"});
    EXPECT_FALSE(view->isVisible());
}

TEST_F(TfViewTest, CtrlFAloneOpensTheFindDialog)
{
    write("help.rtf", kHelp);
    auto view = showViewer("help.rtf");
    const struct {
        Qt::KeyboardModifiers modifiers;
        Qt::Key key;
        bool opens;
    } rows[] = {
        {Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_F, false},
        {Qt::AltModifier, Qt::Key_F, false},
        {Qt::ControlModifier | Qt::AltModifier, Qt::Key_F, false},
        {Qt::NoModifier, Qt::Key_F, false},
        {Qt::ControlModifier, Qt::Key_G, false},
        {Qt::ControlModifier, Qt::Key_F, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(int(row.modifiers));
        QTest::keyClick(view->RichEdit1, row.key, row.modifiers);
        EXPECT_EQ(view->FindDialog1->isVisible(), row.opens);
    }
    // The key is the one that types "f" on the layout in use: on a layout
    // whose F key types another letter, Ctrl with that key finds nothing.
    QTest::mouseClick(view->FindDialog1->cancelButton(), Qt::LeftButton);
    const auto press = [&](quint32 symbol) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_F, Qt::ControlModifier, 41, symbol, 0x4);
        QApplication::sendEvent(view->RichEdit1, &event);
    };
    press(0x6c1); // the Cyrillic letter a, on the key where Latin layouts have F
    EXPECT_FALSE(view->FindDialog1->isVisible());
    press('f');
    EXPECT_TRUE(view->FindDialog1->isVisible());
    // Asked for again while open, the dialog keeps the text as it was being
    // edited.
    view->FindDialog1->textBox()->setText("Umbr");
    view->FindDialog1->textBox()->setCursorPosition(2);
    QTest::keyClick(view->RichEdit1, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(view->FindDialog1->isVisible());
    EXPECT_FALSE(view->FindDialog1->textBox()->hasSelectedText());
    EXPECT_EQ(view->FindDialog1->textBox()->cursorPosition(), 2);
    // The dialog offers a text box, Find Next and Cancel; Cancel hides it.
    EXPECT_FALSE(view->FindDialog1->isModal());
    QTest::mouseClick(view->FindDialog1->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(view->FindDialog1->isVisible());
}

TEST_F(TfViewTest, FindGoesForwardCaseSensitivelyAndNeverWraps)
{
    write("help.rtf", kHelp);
    auto view = showViewer("help.rtf");
    QTest::keyClick(view->RichEdit1, Qt::Key_F, Qt::ControlModifier);

    findNext(*view, "arrow");
    EXPECT_EQ(selected(*view), "arrow");
    const int first = view->RichEdit1->textCursor().selectionStart();
    findNext(*view, "arrow");
    const int second = view->RichEdit1->textCursor().selectionStart();
    EXPECT_GT(second, first) << "a repeated find continues after the last match";
    EXPECT_EQ(desktop.beeps, 0);

    findNext(*view, "arrow");
    EXPECT_EQ(desktop.beeps, 1) << "nothing after the last match";
    EXPECT_EQ(view->RichEdit1->textCursor().selectionStart(), second) << "the last match stays selected";

    findNext(*view, "quake");
    EXPECT_EQ(desktop.beeps, 2) << "the search is case-sensitive";
    QTest::keyClick(view->RichEdit1, Qt::Key_Home, Qt::ControlModifier);
    findNext(*view, "Quake");
    EXPECT_EQ(selected(*view), "Quake");
    EXPECT_EQ(desktop.beeps, 2);
}

TEST_F(TfViewTest, FindSearchesALongDocumentToItsEnd)
{
    QByteArray text;
    while (text.size() < 200000)
        text += "Plenty of text about rusted gates and dark water.\r\n";
    text += "The exit lies beyond the spire.\r\n";
    write("text/websites.txt", text);
    auto view = showViewer("text\\websites.txt");
    findNext(*view, "spire");
    EXPECT_EQ(selected(*view), "spire");
    EXPECT_GT(view->RichEdit1->textCursor().selectionStart(), 190000) << "past what a 16-bit length covers";
    EXPECT_EQ(desktop.beeps, 0);
    // The view scrolled to the match.
    EXPECT_GT(view->RichEdit1->verticalScrollBar()->value(), 0);
}

} // namespace
