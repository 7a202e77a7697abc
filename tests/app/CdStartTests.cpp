// Where the program settles before anything else: the CD's root, wherever
// it was started; and the window that asks for the CD.

#include "app/CdStart.h"
#include "platform/files/CdFinder.h"
#include "screens/TfInsertCd.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace umbraxis;

namespace {

class FakeFinder : public CdFinder {
public:
    QByteArray mountTable() const override
    {
        ++tableReads;
        return table;
    }
    bool isRemovable(const QString&) const override { return false; }

    QByteArray table;
    mutable int tableReads = 0;
};

QByteArray discAt(const QString& point)
{
    return "40 25 11:0 / " + QFile::encodeName(point).replace(" ", "\\040") + " ro - iso9660 /dev/sr0 ro\n";
}

class CdStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        start = QDir::currentPath();
        ASSERT_TRUE(QDir().mkpath(dir.path() + "/home"));
        ASSERT_TRUE(QDir().mkpath(dir.path() + "/not a cd/images"));
        makeCd("CD ONE");
        makeCd("cd two");
    }
    void TearDown() override { QDir::setCurrent(start); }

    void makeCd(const QString& name)
    {
        ASSERT_TRUE(QDir().mkpath(dir.path() + '/' + name + "/IMAGES"));
        QFile catalogue(dir.path() + '/' + name + "/LEVELS.CSV");
        ASSERT_TRUE(catalogue.open(QIODevice::WriteOnly));
    }
    QString at(const QString& name) const { return dir.path() + '/' + name; }

    QTemporaryDir dir;
    QString start;
    FakeFinder finder;
};

TEST_F(CdStart, StartedInACdRootItStaysThereAndReadsNoMountTable)
{
    finder.table = discAt(at("cd two"));
    ASSERT_TRUE(QDir::setCurrent(at("CD ONE")));
    int asked = 0;
    EXPECT_TRUE(enterCdRoot(finder, [&] {
        ++asked;
        return QString();
    }));
    EXPECT_EQ(QDir::currentPath(), at("CD ONE"));
    EXPECT_EQ(finder.tableReads, 0);
    EXPECT_EQ(asked, 0);
}

TEST_F(CdStart, StartedElsewhereItMovesToTheMountedCdOrAsksForOne)
{
    ASSERT_TRUE(QDir::setCurrent(at("home")));
    int asked = 0;
    finder.table = discAt(at("not a cd")) + discAt(at("cd two"));
    EXPECT_TRUE(enterCdRoot(finder, [&] {
        ++asked;
        return QString();
    }));
    EXPECT_EQ(QDir::currentPath(), at("cd two"));
    EXPECT_EQ(asked, 0);

    // Nothing mounted: the answer to the question is taken...
    ASSERT_TRUE(QDir::setCurrent(at("home")));
    finder.table = discAt(at("not a cd"));
    EXPECT_TRUE(enterCdRoot(finder, [&] {
        ++asked;
        return at("CD ONE");
    }));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(QDir::currentPath(), at("CD ONE"));

    // ... and no answer ends the program where it stands.
    ASSERT_TRUE(QDir::setCurrent(at("home")));
    EXPECT_FALSE(enterCdRoot(finder, [&] {
        ++asked;
        return QString();
    }));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(QDir::currentPath(), at("home"));

    // A copy already running is brought forward instead of asking; one
    // started in a CD root is left to the menu's own check.
    int othersAsked = 0;
    EXPECT_FALSE(enterCdRoot(
        finder,
        [&] {
            ++asked;
            return at("CD ONE");
        },
        [&] {
            ++othersAsked;
            return true;
        }));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(QDir::currentPath(), at("home"));
    ASSERT_TRUE(QDir::setCurrent(at("CD ONE")));
    EXPECT_TRUE(enterCdRoot(
        finder,
        [&] {
            ++asked;
            return QString();
        },
        [&] {
            ++othersAsked;
            return true;
        }));
    EXPECT_EQ(othersAsked, 1);
}

TEST_F(CdStart, TheInsertCdWindowRefusesAFolderThatIsNoCdAndTakesOneThatIs)
{
    QStringList answers = {QString(), at("not a cd"), at("home/missing"), at("CD ONE")};
    TfInsertCd window(finder, [&](QWidget*) { return answers.takeFirst(); });
    window.show();

    // Changed their mind: nothing happens.
    window.bChoose->click();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.lReason->isHidden());

    const QStringList refusals = {
        at("not a cd") + " is not the Umbraxis CD: it holds no levels.csv.",
        at("home/missing") + " cannot be read.",
    };
    for (const QString& reason : refusals) {
        window.bChoose->click();
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(window.lReason->isHidden());
        EXPECT_EQ(window.lReason->text(), reason);
    }

    window.bChoose->click();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.cdRoot(), at("CD ONE"));
}

TEST_F(CdStart, TheInsertCdWindowTakesACdMountedWhileItWaitsAndCancelEndsIt)
{
    {
        finder.table = discAt(at("not a cd"));
        TfInsertCd window(finder, [](QWidget*) { return QString(); });
        window.show();
        QTest::qWait(1500);
        EXPECT_TRUE(window.isVisible()) << "a folder that is no CD was taken";
        finder.table += discAt(at("cd two"));
        QElapsedTimer clock;
        clock.start();
        while (window.isVisible() && clock.elapsed() < 5000)
            QTest::qWait(50);
        EXPECT_EQ(window.result(), QDialog::Accepted);
        EXPECT_EQ(window.cdRoot(), at("cd two"));
        // The table was read about once a second, and nothing more.
        EXPECT_LE(finder.tableReads, 5);
    }
    {
        finder.table.clear();
        TfInsertCd window(finder, [](QWidget*) { return QString(); });
        window.show();
        window.bCancel->click();
        EXPECT_EQ(window.result(), QDialog::Rejected);
        EXPECT_FALSE(window.isVisible());
        EXPECT_TRUE(window.cdRoot().isEmpty());
    }
}

} // namespace
