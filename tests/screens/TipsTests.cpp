#include "screens/Tips.h"

#include "platform/AppError.h"
#include "platform/files/HostFileSystem.h"
#include "support/QtPrinting.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

using namespace umbraxis;

namespace {

struct Line {
    char letter; // the tip's text is this letter repeated
    int length;
    const char* end = "\r\n";
};

QString tip(char letter, int length)
{
    return QString(length, QChar(letter));
}

// The lines in order, then one unterminated line of 'Z' up to `total` bytes.
QByteArray tipsBytes(std::initializer_list<Line> lines, int total)
{
    QByteArray bytes;
    for (const Line& line : lines)
        bytes += QByteArray(line.length, line.letter) + line.end;
    return bytes + QByteArray(qMax(0, total - int(bytes.size())), 'Z');
}

} // namespace

TEST(TipPicker, ChoosesTheLineThatNeedsTheBlockStart)
{
    // The first line holds an LF without a CR and a Latin-1 letter.
    const QByteArray oneBlock = tipsBytes({{'A', 5}, {'B', 30}}, 128).replace(2, 3, "\n\xE9\t");
    const QString oneBlockTip = QString::fromLatin1("AA\n\xE9\t");
    struct Row {
        const char* name;
        QByteArray bytes;
        double r;
        QString expected;
    };
    const Row rows[] = {
        {"one block, r tiny", oneBlock, 1e-9, oneBlockTip},
        {"one block, r near 1", oneBlock, 0.999999, oneBlockTip},
        {"one block, r = 0", oneBlock, 0.0, QString()},
        // 1,000 bytes are seven blocks; r = 0.5 needs four, so byte 384.
        {"byte 384 inside a line", tipsBytes({{'A', 100}, {'B', 100}, {'C', 100}, {'D', 100}}, 1000), 0.5,
         tip('D', 100)},
        {"CR at 383, LF at 384", tipsBytes({{'A', 200}, {'B', 181}}, 1000), 0.5, tip('B', 181)},
        {"CR at 383 alone", tipsBytes({{'A', 200}, {'B', 181, "\r"}}, 1000), 0.5, tip('B', 181)},
        {"CR LF ending at 383", tipsBytes({{'A', 200}, {'B', 180}, {'C', 10}}, 1000), 0.5, tip('C', 10)},
        // Shorter than a block: one block. An early byte 26: the last line read.
        {"short file, r > 0", tipsBytes({{'A', 10}, {'B', 10}}, 100), 0.7, tip('A', 10)},
        {"short file, r = 0", tipsBytes({{'A', 10}, {'B', 10}}, 100), 0.0, QString()},
        {"empty file", QByteArray(), 0.7, QString()},
        {"byte 26 after a line", tipsBytes({{'A', 20}, {'B', 20}, {'\x1A', 1}}, 1000), 0.9, tip('B', 20)},
        {"byte 26 inside a line", tipsBytes({{'A', 20}, {'B', 5, "\x1A"}}, 1000), 0.9, tip('B', 5)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(pickTipFromBytes(row.bytes, row.r), row.expected);
    }
}

TEST(TipPicker, TwoBlocksShowOnlyTwoLines)
{
    // Lines of 32 bytes: E fetches the second block, B to D lie inside the
    // first, and F to I are never reached.
    const QByteArray bytes = tipsBytes(
        {{'A', 30}, {'B', 30}, {'C', 30}, {'D', 30}, {'E', 30}, {'F', 30}, {'G', 30}, {'H', 30}, {'I', 30}}, 300);
    QSet<QString> seen;
    for (int i = 1; i < 1000; ++i) {
        const double r = i / 1000.0;
        seen.insert(pickTipFromBytes(bytes, r));
        ASSERT_EQ(pickTipFromBytes(bytes, r), r <= 0.5 ? tip('A', 30) : tip('E', 30)) << "r = " << r;
    }
    EXPECT_EQ(seen.size(), 2);
}

TEST(TipRandom, IsRepeatableAndStaysInRange)
{
    TipRandom a(42), b(42), other(43);
    double sum = 0;
    int same = 0;
    for (int i = 0; i < 10000; ++i) {
        const double r = a.next();
        ASSERT_TRUE(r >= 0.0 && r < 1.0) << r;
        ASSERT_EQ(r, b.next());
        same += r == other.next();
        sum += r;
    }
    EXPECT_LT(same, 10);
    EXPECT_NEAR(sum / 10000, 0.5, 0.02);
}

TEST(TipFile, RereadsTheFileForEachNumberAndReportsFailures)
{
    QTemporaryDir cd;
    const QString previousDirectory = QDir::currentPath();
    const auto restore = qScopeGuard([&] { QDir::setCurrent(previousDirectory); });
    ASSERT_TRUE(QDir::setCurrent(cd.path()) && QDir().mkpath("text"));
    HostFileSystem files(DriveMap({{QChar('c'), QStringLiteral("/")}}));
    const auto failure = [&files]() {
        try {
            return pickTipWith(files, 0.5);
        } catch (const AppError& error) {
            return error.message();
        }
    };
    EXPECT_EQ(failure(), "File not found");

    TipRandom random(7), expected(7);
    for (const char letter : {'A', 'K'}) {
        QFile file("text/tips.txt");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(tipsBytes({{letter, 30}, {'B', 30}, {'C', 30}, {'D', 30}, {'E', 30}}, 300));
        file.close();
        for (int i = 0; i < 10; ++i) {
            const double r = expected.next();
            EXPECT_EQ(PickTip(files, random), r <= 0.5 ? tip(letter, 30) : tip('E', 30)) << "r = " << r;
        }
    }

    ASSERT_TRUE(QFile::remove("text/tips.txt") && QDir().mkpath("text/tips.txt"));
    EXPECT_EQ(failure(), QStringLiteral("I/O error %1").arg(EISDIR));
}
