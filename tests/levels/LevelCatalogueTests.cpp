#include "levels/LevelCatalogue.h"

#include "fakes/Fakes.h"
#include "platform/AppError.h"
#include "platform/files/HostFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace umbraxis;

namespace {

const QByteArray kHeader = "Title,Directory,AuthorFile,DescFile,DirSize,LevelName\r\n";

// A temporary CD root made the current directory, seen through the real file system.
class CatalogueFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cd.isValid());
        previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(cd.path()));
        ASSERT_TRUE(QDir(cd.path()).mkpath("levels/desc"));
    }
    void TearDown() override { QDir::setCurrent(previous); }

    void put(const QString& relative, const QByteArray& content)
    {
        QFile file(cd.path() + "/" + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    void open(const QByteArray& csv)
    {
        put("levels.csv", csv);
        catalogue.CatalogueOpen(files, QStringLiteral("levels.csv"));
    }

    QTemporaryDir cd;
    QString previous;
    HostFileSystem files{DriveMap({{QChar('c'), QStringLiteral("/")}})};
    LevelCatalogue catalogue;
    MemorySettingsStore settings;
};

} // namespace

TEST(ParseCatalogue, SplitsValues)
{
    const struct {
        QByteArray line;
        QStringList values;
    } rows[] = {
        {"\"Iron Keep\",keep,ikauth,ikdesc,800,ikeep", {"Iron Keep", "keep", "ikauth", "ikdesc", "800", "ikeep"}},
        {"Iron Keep,keep,ikauth", {"Iron", "Keep", "keep", "ikauth"}},
        {"a,,b", {"a", "", "b"}},
        {"a,b,", {"a", "b", ""}},
        {"a, \t", {"a", ""}},
        {",a", {"", "a"}},
        {"a b", {"a", "b"}},
        {"  a  ,\t b\x01"
         "c  ",
         {"a", "b", "c"}},
        {"a\nb", {"a", "b"}},
        {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
        {"\"a\"b,c", {"a", "b", "c"}},
        {"\"\",\"\"\"\"", {"", "\""}},
        {"\"open, never \"\"closed", {"open, never \"closed"}},
        {QByteArray("a\0b,c", 5), {QString::fromLatin1("a\0b", 3), "c"}},
        {"   ", {}},
        {"", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line.toStdString());
        const CatalogueData data = parseCatalogue("h\r" + row.line + "\r");
        ASSERT_EQ(data.records.size(), 1);
        EXPECT_EQ(data.records[0], row.values);
    }
}

TEST(ParseCatalogue, SplitsLines)
{
    using Records = QList<QStringList>;
    const struct {
        QByteArray bytes;
        QStringList columns;
        Records records;
    } rows[] = {
        {"T\r\nA\r\nB\r\n", {"T"}, {{"A"}, {"B"}}},
        {"T\rA\rB", {"T"}, {{"A"}, {"B"}}},
        {"T\r\nA\r\n\r\nB\r", {"T"}, {{"A"}, {}, {"B"}}},
        {"T\r\r\nA", {"T"}, {{}, {"A"}}},
        {"T\nA\nB\n", {"T", "A", "B"}, {}},
        {"T\r\nA\r\n\x1a"
         "B\r\n",
         {"T"},
         {{"A"}}},
        {"T\r\nA\x1a"
         "B\r\n",
         {"T"},
         {{"A"}}},
        {"\x1aT\r\nA", {}, {}},
        {"", {}, {}},
        {"\r\n\r\n", {}, {{}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QString::fromLatin1(row.bytes).toStdString());
        const CatalogueData data = parseCatalogue(row.bytes);
        EXPECT_EQ(data.columns, row.columns);
        EXPECT_EQ(data.records, row.records);
    }
}

TEST(ParseCatalogue, KeepsOnly512CharactersOfALine)
{
    const QByteArray a510(510, 'a');
    const struct {
        QByteArray line;
        QStringList values;
    } rows[] = {
        {a510 + ",b" + "cdef,g" + QByteArray(80, 'x'), {QString(a510), "b"}},
        {"\"" + a510 + "\"" + ",x", {QString(a510)}},
        {a510 + ",\"" + QByteArray(88, 'q') + "\"", {QString(a510), ""}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line.size());
        const CatalogueData data = parseCatalogue("h\r\n" + row.line + "\r\nnext\r\n");
        ASSERT_EQ(data.records.size(), 2);
        EXPECT_EQ(data.records[0], row.values);
        EXPECT_EQ(data.records[1], QStringList{"next"});
    }
}

TEST_F(CatalogueFixture, LooksUpFieldsOfTheCurrentRecord)
{
    open("title,Extra,Title\r\nOne,x,shadowed\r\nTwo\r\n\r\n");
    ASSERT_EQ(catalogue.recordCount(), 3);
    EXPECT_EQ(catalogue.cursor(), 0);
    EXPECT_EQ(catalogue.CatalogueField("TITLE"), "One");
    EXPECT_EQ(catalogue.CatalogueField("Missing"), "");
    catalogue.CatalogueNext();
    EXPECT_EQ(catalogue.CatalogueField("Title"), "Two");
    EXPECT_EQ(catalogue.CatalogueField("Extra"), "");
    catalogue.CatalogueLocate("Title", "two");
    EXPECT_TRUE(catalogue.CatalogueAtEnd());
    EXPECT_EQ(catalogue.cursor(), 3);
    EXPECT_EQ(catalogue.CatalogueField("Title"), "");

    // A record asked for by its title, wherever the cursor stands.
    catalogue.CatalogueFirst();
    EXPECT_EQ(catalogue.record("TITLE", "Two").field("title"), "Two");
    EXPECT_EQ(catalogue.record("Title", "One").field("Extra"), "x");
    EXPECT_EQ(catalogue.record("Title", "two").field("Title"), "") << "titles match exactly";
    EXPECT_EQ(catalogue.cursor(), 0);
}

TEST_F(CatalogueFixture, ReadsAndWalksMoreThan255Records)
{
    QByteArray csv = "Title\r\n";
    for (int i = 0; i < 300; ++i)
        csv += "L" + QByteArray::number(i) + "\r\n";
    open(csv);
    int walked = 0;
    for (catalogue.CatalogueFirst(); !catalogue.CatalogueAtEnd() && walked <= 300; catalogue.CatalogueNext()) {
        EXPECT_EQ(catalogue.CatalogueField("Title"), "L" + QString::number(walked));
        ++walked;
    }
    EXPECT_EQ(walked, 300);
    catalogue.CatalogueNext();
    EXPECT_EQ(catalogue.cursor(), 300);
    catalogue.CatalogueLocate("Title", "L299");
    EXPECT_EQ(catalogue.cursor(), 299);
}

TEST_F(CatalogueFixture, NeverOpenedOrClosedIsEmpty)
{
    try {
        catalogue.CatalogueOpen(files, "levels.csv");
        ADD_FAILURE() << "a missing catalogue was opened";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), "Cannot open file levels.csv");
    }
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass ? "closed" : "never opened");
        EXPECT_TRUE(catalogue.CatalogueAtEnd());
        EXPECT_EQ(catalogue.CatalogueField("Title"), "");
        catalogue.CatalogueLocate("Title", "");
        EXPECT_EQ(catalogue.cursor(), 0);
        const CatalogueLists lists = sortCatalogue(catalogue, settings);
        EXPECT_TRUE(lists.available.isEmpty() && lists.installed.isEmpty());
        open("Title\r\nA\r\n");
        catalogue.CatalogueClose();
        EXPECT_TRUE(catalogue.columns().isEmpty());
    }
}

TEST_F(CatalogueFixture, SortsTitlesByInstalledState)
{
    open("Title\r\nbeta\r\nAlpha\r\nDone\r\nalpha\r\nhalf\r\nempty\r\nDone\r\ncell\r\n");
    settings.sections["done"]["LevelFileName"] = "done";
    settings.sections["Cell"]["levelfilename"] = "cell";
    settings.sections["empty"]["LevelFileName"] = "";
    settings.sections["half"]["File1"] = "c:\\quake\\umbraxis\\maps\\half.bsp";
    const CatalogueLists lists = sortCatalogue(catalogue, settings);
    EXPECT_EQ(lists.available, (QStringList{"Alpha", "alpha", "beta", "empty", "half"}));
    EXPECT_EQ(lists.installed, (QStringList{"cell", "Done", "Done"}));
    EXPECT_TRUE(catalogue.CatalogueAtEnd());
}

TEST_F(CatalogueFixture, GathersLevelDetails)
{
    open(kHeader
         + "\"Iron Keep\",Keep,ikauth,ikdesc,800,ikeep\r\n"
           "Plain,Plain,,,1,plain\r\n"
           "\"Iron Keep\",Second,,,2,second\r\n"
           "Lost,lost,nobody,gone,3,lost\r\n"
           "Half,half,ikauth,gone,4,half\r\n");
    put("levels/desc/ikauth.txt", "By Mira\r\nmira@example.org\r\n");
    put("levels/desc/ikdesc.txt", "Line one\rLine \xe9two\r\n\r\n");
    const struct {
        const char* title;
        const char* directory;
        QString author;
        QString description;
        int cursor;
    } rows[] = {
        {"Iron Keep", "d:\\levels\\keep", "By Mira\nmira@example.org", QString::fromLatin1("Line one\nLine \xe9two\n"),
         0},
        {"Plain", "d:\\levels\\plain", "Anonymous", "No description available.", 1},
        {"iron keep", "d:\\levels\\", "Anonymous", "No description available.", 5},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.title);
        const LevelDetails details = levelDetails(catalogue, files, "D:", "levels", row.title);
        EXPECT_EQ(details.directory, row.directory);
        EXPECT_EQ(details.author, row.author);
        EXPECT_EQ(details.description, row.description);
        EXPECT_EQ(catalogue.cursor(), row.cursor);
    }
    levelDetails(catalogue, files, "d:", "levels", "Iron Keep");
    EXPECT_EQ(catalogue.CatalogueField("LevelName"), "ikeep");
    EXPECT_EQ(catalogue.CatalogueField("DirSize"), "800");

    const struct {
        const char* title;
        const char* message;
    } failures[] = {
        {"Lost", "Cannot open file levels\\desc\\nobody.txt"},
        {"Half", "Cannot open file levels\\desc\\gone.txt"},
    };
    for (const auto& row : failures) {
        SCOPED_TRACE(row.title);
        try {
            levelDetails(catalogue, files, "d:", "levels", row.title);
            ADD_FAILURE() << "no error raised";
        } catch (const AppError& e) {
            EXPECT_EQ(e.message(), row.message);
        }
    }
}
