#include "platform/IniDocument.h"

#include "support/QtPrinting.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace umbraxis;

namespace {

// The text of a value, or "<none>".
QString valueOf(IniDocument& document, const char* section, const char* name)
{
    const IniDocument::Value* value = document.find(QString::fromUtf8(section), QString::fromUtf8(name));
    QString text;
    if (!value)
        return QStringLiteral("<none>");
    return IniDocument::valueText(value->raw, text) ? text : QStringLiteral("<not text>");
}

// Every value of the document as "section|name=text", one a line, sorted.
QString contentOf(const IniDocument& document)
{
    QStringList content;
    for (const IniDocument::Section& section : document.sections()) {
        for (const IniDocument::Value& value : section.values) {
            QString text;
            IniDocument::valueText(value.raw, text);
            content << section.path + QLatin1Char('|') + value.name + QLatin1Char('=') + text;
        }
    }
    content.sort();
    return content.join(QLatin1Char('\n'));
}

TEST(IniDocument, ParsesSectionsNamesAndValues)
{
    IniDocument document = IniDocument::parse("Top=1\r\n"
                                              "; comment\n# comment\n\n"
                                              "[Rust%20Foundry]\r\nFile1=c:\\\\q\\\\a\r\nNested\\Deep=2\n"
                                              "[%General]\nx=3\n"
                                              "[main]\nVersion=0.9\n[Main]\nVersion=1.0\nversion=1.1\n"
                                              "words without an equals sign\n=no name\n"
                                              "[General]\nTop2=4\n"
                                              "[List]\nItems=a, b\nText=\"a, b\"\nCut=a\\0b\n");
    const struct {
        const char* section;
        const char* name;
        const char* value;
    } rows[] = {
        {"", "Top", "1"},
        {"", "Top2", "4"},
        {"Rust Foundry", "File1", "c:\\q\\a"},
        // A name below the section is a section of its own.
        {"Rust Foundry/Nested", "Deep", "2"},
        {"Rust Foundry", "Nested\\Deep", "<none>"},
        {"General", "x", "3"},
        // Sections and names match regardless of case; a later line of a
        // name replaces its value.
        {"Main", "Version", "1.1"},
        {"MAIN", "VERSION", "1.1"},
        {"Main", "Missing", "<none>"},
        {"List", "Items", "<not text>"},
        {"List", "Text", "a, b"},
        // Text ends at its first NUL.
        {"List", "Cut", "a"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.section) + " / " + row.name);
        EXPECT_EQ(valueOf(document, row.section, row.name), QString::fromUtf8(row.value));
    }
    // Either keeps the spelling it was first written with.
    const IniDocument::Section* main = document.find(QStringLiteral("MAIN"));
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->path, QStringLiteral("main"));
    ASSERT_EQ(main->values.size(), 1);
    EXPECT_EQ(main->values.first().name, QStringLiteral("Version"));
}

TEST(IniDocument, WhatItWritesReadsBackAsItWasRead)
{
    const struct {
        const char* what;
        QByteArray text;
        const char* content;
    } rows[] = {
        {"a path with doubled and trailing separators", "[Main]\nSub\\\\Deep\\p=1\n", "Main/Sub/Deep|p=1"},
        {"a name with a path but no name", "[Main]\nVersion\\=1.0\nA=2\n", "Main|A=2"},
        {"a character beyond the first 65536", "[Main]\nTitle=Gate \xf0\x9f\x94\xa5 \xc3\xa9\n",
         "Main|Title=Gate \xf0\x9f\x94\xa5 \xc3\xa9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        IniDocument read = IniDocument::parse(row.text);
        EXPECT_EQ(contentOf(read), QString::fromUtf8(row.content));
        const QByteArray written = read.serialize();
        IniDocument again = IniDocument::parse(written);
        EXPECT_EQ(contentOf(again), QString::fromUtf8(row.content));
        EXPECT_EQ(again.serialize(), written);
        // Written anew from its text, a value spells the same.
        for (const IniDocument::Section& section : read.sections())
            for (const IniDocument::Value& value : section.values) {
                QString text;
                ASSERT_TRUE(IniDocument::valueText(value.raw, text));
                EXPECT_EQ(IniDocument::escapeValue(text), value.raw);
            }
    }
}

TEST(IniDocument, EraseTakesTheSectionAndThoseBelowItOnly)
{
    IniDocument document = IniDocument::parse("[A]\nx=1\n[A\\B]\ny=2\n[AB]\nz=3\n[Other]\nw=4\n");
    EXPECT_TRUE(document.erase(QStringLiteral("a")));
    EXPECT_FALSE(document.erase(QStringLiteral("a")));
    EXPECT_EQ(valueOf(document, "A/B", "y"), QStringLiteral("<none>"));
    EXPECT_EQ(valueOf(document, "AB", "z"), QStringLiteral("3"));
    EXPECT_EQ(document.serialize(), QByteArray("[AB]\nz=3\n\n[Other]\nw=4\n"));
}

// The file the store keeps is the text written whole followed by the lines
// added since; read again, it must hold what the document holds.
TEST(IniDocument, AddedLinesReadBackAsTheDocument)
{
    const struct {
        const char* name;
        const char* file;
        const char* erase; // a section erased before the file is written whole
        const char* first; // the section first written to
    } rows[] = {
        {"empty file", "", nullptr, "Main"},
        {"values of the last section", "[Main]\nVersion=1.0\n", nullptr, "main"},
        {"values at the top", "Top=1\n[Main]\nVersion=1.0\n", nullptr, ""},
        {"a section with no values last", "[Main]\nVersion=1.0\n[Empty]\n", nullptr, "Empty"},
        {"an empty section left last by an erase", "[Main]\nA=1\n[Empty]\n[Other]\nB=2\n", "Other", "Empty"},
        {"a nested section's parent left empty", "[Main]\nA=1\n[Level]\nSub\\Deep=1\n", "Level/Sub", "Level"},
    };
    const char* const writes[][3] = {
        {"Main", "Version", "1.1"}, {"Empty", "File1", "c:\\q\\a"}, {"Empty", "File2", "b"},    {"", "Top", "2"},
        {"Level", "x", "y"},        {"main", "VERSION", "1.2"},     {"Main", "Version", "1.3"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        IniDocument document = IniDocument::parse(row.file);
        QByteArray file = row.file;
        if (row.erase) {
            ASSERT_TRUE(document.erase(QString::fromUtf8(row.erase)));
            file = document.serialize();
        }
        file += document.set(QString::fromUtf8(row.first), QStringLiteral("First"), QStringLiteral("1"));
        EXPECT_EQ(contentOf(IniDocument::parse(file)), contentOf(document)) << file.constData();
        for (const auto& write : writes) {
            file += document.set(QString::fromUtf8(write[0]), QString::fromUtf8(write[1]), QString::fromUtf8(write[2]));
            EXPECT_EQ(contentOf(IniDocument::parse(file)), contentOf(document))
                << "after " << write[0] << " / " << write[1] << " in:\n"
                << file.constData();
        }
    }
}

TEST(IniDocument, AFileIsWrittenWholeWhenSupersededLinesOutweighItOrItsEndIsCut)
{
    const struct {
        qint64 appended;
        qint64 size;
        bool endsWithNewline;
        bool rewrite;
    } rows[] = {
        {0, 0, true, false},
        {64 * 1024, 100 * 1024, true, false},
        {64 * 1024 + 1, 100 * 1024, true, true},
        {100 * 1024, 250 * 1024, true, false},
        {100 * 1024, 200 * 1024, true, false},
        {100 * 1024, 199 * 1024, true, true},
        {10, 1000, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.appended) + " of " + std::to_string(row.size));
        EXPECT_EQ(IniDocument::wantsRewrite(row.appended, row.size, row.endsWithNewline), row.rewrite);
    }
}

TEST(SettingsText, RecognisesWhatItCanSafelyRewrite)
{
    struct Row {
        const char* text;
        bool readable;
    } rows[] = {
        {"", true},
        {"[Main]\nVersion=1.0\n", true},
        {"; comment\n\n[Rust%20Foundry]\r\nFile1=c:\\\\q\r\n", true},
        {"[Main\nVersion=1.0\n", false},
        {"just words\n", false},
        {"=no name\n", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(isReadableSettingsText(row.text), row.readable);
    }
}

} // namespace
