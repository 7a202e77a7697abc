#include "CdFixture.h"

#include "cdgen/Levels.h"
#include "levels/LevelCatalogue.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace umbraxis;
using namespace umbraxis::test;

namespace {

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

TEST(CdCatalogue, ListsEveryLevelWithItsFilesAndTrueSize)
{
    const QDir cd(sampleCdRoot());
    const QByteArray file = readAll(cd.filePath(QStringLiteral("levels.csv")));
    ASSERT_FALSE(file.isEmpty());
    EXPECT_EQ(file.count('\n'), file.count("\r\n"));
    EXPECT_EQ(file.count('\r'), file.count("\r\n"));
    // Read as the program reads it.
    const CatalogueData data = parseCatalogue(file);
    const QStringList& header = data.columns;
    EXPECT_EQ(header, (QStringList{"Title", "Directory", "AuthorFile", "DescFile", "DirSize", "LevelName"}));
    ASSERT_GE(data.records.size(), 1);

    QStringList titles;
    int anonymous = 0;
    int withSubfolders = 0;
    for (const QStringList& values : data.records) {
        SCOPED_TRACE(values.join(QLatin1Char(',')).toStdString());
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
            EXPECT_TRUE(file.contains("\r\n\"" + title.toLatin1() + "\","));
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
    // Most levels bring a file of one shared name, as such packs did.
    int withNotes = 0;
    for (const QStringList& values : data.records)
        withNotes += QFileInfo::exists(cd.filePath(QStringLiteral("levels/%1/README.TXT").arg(values[1]))) ? 1 : 0;
    EXPECT_GE(withNotes, 2);
    EXPECT_LT(withNotes, titles.size());
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
