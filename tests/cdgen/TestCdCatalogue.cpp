#include "CdFixture.h"

#include "cdgen/Levels.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace umbraxis;
using namespace umbraxis::test;

namespace {

// Splits one catalogue line into values the way the front end reads them.
QStringList splitValues(const QByteArray& line)
{
    QStringList values;
    const qsizetype n = line.size();
    auto blank = [&](qsizetype i) { return quint8(line[i]) >= 1 && quint8(line[i]) <= 32; };
    qsizetype i = 0;
    while (i < n && blank(i))
        ++i;
    if (i >= n)
        return values;
    while (true) {
        QByteArray value;
        if (i < n && line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        value.append('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value.append(line[i++]);
            }
        } else {
            const qsizetype from = i;
            while (i < n && quint8(line[i]) > 32 && line[i] != ',')
                value.append(line[i++]);
            if (i == from && i < n && line[i] != ',')
                ++i; // a NUL byte: neither blank nor part of a value
        }
        values.append(QString::fromLatin1(value));
        while (i < n && blank(i))
            ++i;
        if (i < n && line[i] == ',') {
            ++i;
            while (i < n && blank(i))
                ++i;
            if (i >= n) {
                values.append(QString());
                break;
            }
            continue;
        }
        if (i >= n)
            break;
    }
    return values;
}

QList<QByteArray> catalogueLines(const QByteArray& file)
{
    QList<QByteArray> lines;
    QByteArray current;
    const qsizetype end = file.contains('\x1a') ? file.indexOf('\x1a') : file.size();
    for (qsizetype i = 0; i < end; ++i) {
        if (file[i] == '\r') {
            lines.append(current.left(512));
            current.clear();
            if (i + 1 < end && file[i + 1] == '\n')
                ++i;
        } else {
            current.append(file[i]);
        }
    }
    if (!current.isEmpty())
        lines.append(current.left(512));
    return lines;
}

qint64 treeSize(const QString& folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

} // namespace

TEST(CatalogueSplitting, FollowsTheFrontEndsRules)
{
    const struct {
        const char* line;
        QStringList values;
    } rows[] = {
        {"\"Iron Keep\",keep,ikauth,ikdesc,800,ikeep", {"Iron Keep", "keep", "ikauth", "ikdesc", "800", "ikeep"}},
        {"Iron Keep,keep", {"Iron", "Keep", "keep"}},
        {"a,,b", {"a", "", "b"}},
        {"a,b,", {"a", "b", ""}},
        {"a b", {"a", "b"}},
        {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
        {"   ", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(splitValues(row.line), row.values);
    }
}

TEST(CdCatalogue, ListsEveryLevelWithItsFilesAndTrueSize)
{
    const QDir cd(sampleCdRoot());
    const QByteArray file = readAll(cd.filePath(QStringLiteral("levels.csv")));
    ASSERT_FALSE(file.isEmpty());
    EXPECT_EQ(file.count('\n'), file.count("\r\n"));
    EXPECT_EQ(file.count('\r'), file.count("\r\n"));
    const QList<QByteArray> lines = catalogueLines(file);
    ASSERT_GE(lines.size(), 2);
    const QStringList header = splitValues(lines.first());
    EXPECT_EQ(header, (QStringList{"Title", "Directory", "AuthorFile", "DescFile", "DirSize", "LevelName"}));

    QStringList titles;
    int anonymous = 0;
    int withSubfolders = 0;
    for (qsizetype r = 1; r < lines.size(); ++r) {
        const QStringList values = splitValues(lines[r]);
        SCOPED_TRACE(lines[r].toStdString());
        ASSERT_EQ(values.size(), header.size());
        const QString title = values[0];
        const QString directory = values[1];
        const QString author = values[2];
        const QString desc = values[3];
        const QString levelName = values[5];
        EXPECT_FALSE(title.isEmpty());
        EXPECT_FALSE(titles.contains(title));
        titles.append(title);
        if (title.contains(QLatin1Char(' '))) {
            EXPECT_TRUE(lines[r].startsWith('"'));
        }

        const QString folder = cd.filePath(QStringLiteral("levels/") + directory);
        ASSERT_TRUE(QFileInfo(folder).isDir());
        EXPECT_EQ(directory, directory.toLower());
        EXPECT_TRUE(QFileInfo::exists(folder + QLatin1Char('/') + levelName + QStringLiteral(".bsp")));
        if (author.isEmpty()) {
            ++anonymous;
        } else {
            EXPECT_TRUE(QFileInfo(cd.filePath(QStringLiteral("levels/desc/%1.txt").arg(author))).size() > 0);
        }
        ASSERT_FALSE(desc.isEmpty());
        EXPECT_TRUE(QFileInfo(cd.filePath(QStringLiteral("levels/desc/%1.txt").arg(desc))).size() > 0);

        bool ok = false;
        const qint64 dirSize = values[4].toLongLong(&ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(dirSize, treeSize(folder));
        if (!QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty())
            ++withSubfolders;
    }
    EXPECT_GE(titles.size(), 6);
    EXPECT_LE(titles.size(), 12);
    EXPECT_GE(anonymous, 1);
    EXPECT_GE(withSubfolders, 1);
}

TEST(CdCatalogue, PlaceholderMapsHaveTheirSizeAndAConsistentLumpDirectory)
{
    for (int size : {200, 4021, 11480}) {
        SCOPED_TRACE(size);
        const QByteArray map = placeholderMap(size, 7);
        ASSERT_EQ(map.size(), size);
        EXPECT_EQ(le32(map, 0), 29u);
        quint32 expectedOffset = 4 + 15 * 8;
        for (int lump = 0; lump < 15; ++lump) {
            EXPECT_EQ(le32(map, 4 + 8 * lump), expectedOffset);
            expectedOffset += le32(map, 8 + 8 * lump);
        }
        EXPECT_EQ(expectedOffset, quint32(size));
    }
}
