#include "platform/AppError.h"
#include "platform/IniSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace umbraxis;

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    QString path() const { return dir.path() + QStringLiteral("/Corvantide/Umbraxis.conf"); }

    void writeRaw(const QByteArray& text)
    {
        QDir().mkpath(dir.path() + QStringLiteral("/Corvantide"));
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QByteArray readRaw() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString errorOf(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const AppError& error) {
            return error.message();
        }
        return QString();
    }

    QTemporaryDir dir;
};

TEST_F(SettingsStoreTest, FirstRunCreatesTheStoreAndWritesDurably)
{
    IniSettingsStore store(path());
    EXPECT_EQ(store.ReadSetting("Main", "QuakeDir", ""), QString());
    EXPECT_TRUE(QFile::exists(dir.path() + "/Corvantide"));

    store.WriteSetting("Main", "Version", "1.0");
    // On disk when the call returns, readable by any other reader.
    QSettings other(path(), QSettings::IniFormat);
    EXPECT_EQ(other.value("Main/Version").toString(), "1.0");
    EXPECT_TRUE(readRaw().contains("[Main]"));

    store.WriteSetting("Main", "Version", "0.9-old");
    store.WriteSetting("Main", "Version", "1.0");
    EXPECT_EQ(store.ReadSetting("Main", "Version", ""), "1.0");
    EXPECT_EQ(store.ReadSetting("Main", "Missing", "fallback"), "fallback");
    EXPECT_EQ(store.ReadSetting("NoSuchSection", "Version", "fallback"), "fallback");
}

TEST_F(SettingsStoreTest, ValuesRoundTripExactly)
{
    IniSettingsStore store(path());
    const QStringList values{"c:\\quake\\",
                             "c:\\QUAKE\\Umbraxis\\maps\\umbx1.bsp",
                             "a, b, c",
                             "",
                             " leading and trailing ",
                             "quotes \"here\"",
                             "semi;colon=equals",
                             "Zoë's Fortress",
                             "@ByteArray(not really)"};
    int n = 0;
    for (const QString& value : values) {
        SCOPED_TRACE(value.toStdString());
        const QString name = QStringLiteral("File%1").arg(++n);
        store.WriteSetting("Rust Foundry, Part II", name, value);
        EXPECT_EQ(IniSettingsStore(path()).ReadSetting("Rust Foundry, Part II", name, "x"), value);
    }
}

TEST_F(SettingsStoreTest, SectionsAndNamesMatchRegardlessOfCase)
{
    IniSettingsStore store(path());
    store.WriteSetting("Rust Foundry", "LevelFileName", "umbx1");
    EXPECT_EQ(store.ReadSetting("RUST FOUNDRY", "levelfilename", ""), "umbx1");

    store.WriteSetting("rust foundry", "LEVELFILENAME", "umbx2");
    EXPECT_EQ(store.ReadSetting("Rust Foundry", "LevelFileName", ""), "umbx2");
    QSettings raw(path(), QSettings::IniFormat);
    EXPECT_EQ(raw.childGroups(), QStringList{"Rust Foundry"});
    raw.beginGroup("Rust Foundry");
    EXPECT_EQ(raw.childKeys(), QStringList{"LevelFileName"});

    // Sections are listed as stored, once each, while they hold values.
    store.WriteSetting("Main", "Version", "1.0");
    EXPECT_EQ(store.ReadSections(), (QStringList{"Rust Foundry", "Main"}));
    store.EraseSection("RUST FOUNDRY");
    EXPECT_EQ(store.ReadSections(), QStringList{"Main"});
}

TEST_F(SettingsStoreTest, EraseSectionRemovesValuesAndSubkeysOnly)
{
    IniSettingsStore store(path());
    store.WriteSetting("Main", "QuakeDir", "c:\\quake\\");
    store.WriteSetting("Rust Foundry", "File1", "c:\\quake\\Umbraxis\\maps\\a.bsp");
    store.WriteSetting("Rust Foundry", "LevelFileName", "a");
    store.WriteSetting("Rust Foundry\\Nested", "Deep", "value");

    store.EraseSection("rust FOUNDRY");
    EXPECT_EQ(store.ReadSetting("Rust Foundry", "File1", ""), QString());
    EXPECT_EQ(store.ReadSetting("Rust Foundry\\Nested", "Deep", ""), QString());
    EXPECT_EQ(store.ReadSetting("Main", "QuakeDir", ""), "c:\\quake\\");
    EXPECT_FALSE(QSettings(path(), QSettings::IniFormat).childGroups().contains("Rust Foundry"));

    const QByteArray before = readRaw();
    store.EraseSection("Never Installed");
    EXPECT_EQ(readRaw(), before);
    store.EraseSection("");
    EXPECT_EQ(store.ReadSetting("Main", "QuakeDir", ""), "c:\\quake\\");
}

TEST_F(SettingsStoreTest, NonStringValuesAreRefused)
{
    writeRaw("[Main]\r\nList=one, two\r\nBytes=@ByteArray(abc)\r\nSize=@Size(1 2)\r\nPlain=42\r\n");
    IniSettingsStore store(path());
    for (const char* name : {"List", "Bytes", "Size"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(errorOf([&] { store.ReadSetting("Main", name, ""); }),
                  QStringLiteral("Invalid data type for '%1'").arg(name));
    }
    EXPECT_EQ(store.ReadSetting("Main", "Plain", ""), "42");
}

TEST_F(SettingsStoreTest, AStoreThatCannotBeCreatedIsReportedNotFatal)
{
    // A plain file where the settings folder should be: nothing can be created.
    QFile blocker(dir.path() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    IniSettingsStore store(dir.path() + "/blocker/Corvantide/Umbraxis.conf");

    EXPECT_TRUE(errorOf([&] { store.WriteSetting("Main", "Version", "1.0"); }).startsWith("Failed to create key Main"));
    EXPECT_TRUE(errorOf([&] { store.ReadSetting("Main", "QuakeDir", ""); }).startsWith("Failed to create key Main"));
}

TEST_F(SettingsStoreTest, ADamagedFileIsReportedAndLeftUntouched)
{
    static const char kDamaged[] = "[Main]\nQuakeDir=c:\\quake\\\n\0\x01\x02garbage without structure\n";
    const QByteArray damaged(kDamaged, sizeof kDamaged - 1);
    writeRaw(damaged);
    IniSettingsStore store(path());

    const QString error = errorOf([&] { store.WriteSetting("Main", "Version", "1.0"); });
    EXPECT_TRUE(error.startsWith("Failed to create key Main")) << error.toStdString();
    EXPECT_TRUE(error.contains(path())) << error.toStdString();
    EXPECT_EQ(readRaw(), damaged);
    EXPECT_FALSE(errorOf([&] { store.EraseSection("Main"); }).isEmpty());
    EXPECT_EQ(readRaw(), damaged);
}

TEST_F(SettingsStoreTest, ReadsAndWritesTheToolkitsOwnIniFormat)
{
    const QStringList sections{"Main", "Rust Foundry", "Zoë's \"Keep\", Part 2", "100% Pure", "General", "a/b"};
    const QStringList values{"c:\\quake\\", "",    " spaced ", "tab\there",     "line\nbreak",
                             "x=1;y=2",     "@at", "\"q\"",    "unicode ✓ ünï", "trailing\\"};
    // What the toolkit writes, this store reads.
    {
        QSettings toolkit(path(), QSettings::IniFormat);
        for (const QString& section : sections)
            for (int i = 0; i < values.size(); ++i)
                toolkit.setValue(section + "/File" + QString::number(i), values[i]);
    }
    {
        IniSettingsStore store(path());
        for (const QString& section : sections)
            for (int i = 0; i < values.size(); ++i) {
                SCOPED_TRACE((section + " " + values[i]).toStdString());
                EXPECT_EQ(store.ReadSetting(section, "File" + QString::number(i), "missing"), values[i]);
            }
    }
    // What this store writes, the toolkit reads.
    QFile::remove(path());
    {
        IniSettingsStore store(path());
        for (const QString& section : sections)
            for (int i = 0; i < values.size(); ++i)
                store.WriteSetting(section, "File" + QString::number(i), values[i]);
    }
    QSettings toolkit(path(), QSettings::IniFormat);
    for (const QString& section : sections)
        for (int i = 0; i < values.size(); ++i) {
            SCOPED_TRACE((section + " " + values[i]).toStdString());
            EXPECT_EQ(toolkit.value(section + "/File" + QString::number(i)).toString(), values[i]);
        }
}

TEST_F(SettingsStoreTest, ValuesAddedAtTheEndReplaceEarlierOnesForEveryReader)
{
    IniSettingsStore store(path());
    store.WriteSetting("Main", "QuakeDir", "c:\\old\\");
    for (int i = 1; i <= 50; ++i)
        store.WriteSetting("Rust Foundry", QStringLiteral("File%1").arg(i), QStringLiteral("c:\\q\\f%1").arg(i));
    store.WriteSetting("Main", "QuakeDir", "c:\\new\\");
    store.WriteSetting("rust foundry", "FILE7", "c:\\q\\seven");
    // A new store, and the toolkit, read the latest value of each name.
    EXPECT_EQ(IniSettingsStore(path()).ReadSetting("Main", "QuakeDir", ""), "c:\\new\\");
    QSettings toolkit(path(), QSettings::IniFormat);
    EXPECT_EQ(toolkit.value("Main/QuakeDir").toString(), "c:\\new\\");
    EXPECT_EQ(toolkit.value("Rust Foundry/File7").toString(), "c:\\q\\seven");
    EXPECT_EQ(toolkit.value("Rust Foundry/File50").toString(), "c:\\q\\f50");
    toolkit.beginGroup("Rust Foundry");
    EXPECT_EQ(toolkit.childKeys().size(), 50) << "names keep the spelling they were first written with";
    // Erasing writes the file whole again, without the section.
    store.EraseSection("Rust Foundry");
    EXPECT_FALSE(readRaw().contains("File"));
    EXPECT_EQ(readRaw().count("[Main]"), 1);
    // A file left empty is added to like any other.
    store.EraseSection("Main");
    ASSERT_EQ(readRaw(), QByteArray());
    store.WriteSetting("Main", "Version", "2");
    EXPECT_EQ(IniSettingsStore(path()).ReadSetting("Main", "Version", ""), "2");
    EXPECT_EQ(QSettings(path(), QSettings::IniFormat).value("Main/Version").toString(), "2");
}

TEST_F(SettingsStoreTest, ALastLineCutShortByACrashIsPassedOver)
{
    writeRaw("[Main]\nQuakeDir=c:\\\\quake\\\\\n[Rust%20Foundry]\nFile1=c:\\\\q\\\\a\nFil");
    IniSettingsStore store(path());
    EXPECT_EQ(store.ReadSetting("Rust Foundry", "File1", ""), "c:\\q\\a");
    store.WriteSetting("Rust Foundry", "File2", "c:\\q\\b");
    EXPECT_EQ(IniSettingsStore(path()).ReadSetting("Rust Foundry", "File2", ""), "c:\\q\\b");
    EXPECT_EQ(IniSettingsStore(path()).ReadSetting("Main", "QuakeDir", ""), "c:\\quake\\");
}

TEST_F(SettingsStoreTest, NoticesChangesMadeByOthers)
{
    IniSettingsStore store(path());
    store.WriteSetting("Main", "QuakeDir", "c:\\quake\\");
    {
        QSettings other(path(), QSettings::IniFormat);
        other.setValue("Main/QuakeDir", "d:\\games\\quake\\");
    }
    EXPECT_EQ(store.ReadSetting("Main", "QuakeDir", ""), "d:\\games\\quake\\");
    QFile::remove(path());
    EXPECT_EQ(store.ReadSetting("Main", "QuakeDir", ""), QString());
    store.WriteSetting("Main", "Version", "1.0");
    EXPECT_EQ(QSettings(path(), QSettings::IniFormat).childKeys(), QStringList());
    EXPECT_EQ(QSettings(path(), QSettings::IniFormat).value("Main/Version").toString(), "1.0");
}

} // namespace
