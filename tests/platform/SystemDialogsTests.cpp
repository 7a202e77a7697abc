#include "platform/windowing/SystemDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace umbraxis;

TEST(ErrorBox, ShowsTheMessageWithAFullStopUnderTheProgramsCaption)
{
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->buttons().size();
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        box->accept();
    });
    MessageErrorBox().show("Cannot open file images\\fmain.bmp");
    EXPECT_EQ(caption.toStdString(), "Umbraxis");
    EXPECT_EQ(text.toStdString(), "Cannot open file images\\fmain.bmp.");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, 1);
    // Ctrl+C copies what it says, as the box does on Windows.
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              "---------------------------\nUmbraxis\n---------------------------\n"
              "Cannot open file images\\fmain.bmp.\n---------------------------\nOK   \n---------------------------\n");
}

TEST(Desktop, TheWaitCursorIsOneApplicationWideSettingThatAlwaysComesBack)
{
    {
        QtDesktop desktop;
        desktop.setWaitCursor(true);
        desktop.setWaitCursor(true);
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        desktop.setWaitCursor(false);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "one clear undoes any number of sets";
        desktop.setWaitCursor(false);
        desktop.setWaitCursor(true);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "an hourglass never outlives its owner";
}
