// The settings store over a real file: a damaged or hand-edited file to
// start from, then a list of reads, writes and erasures of the kinds the
// program makes (with titles and values as a CD may give them), restarts in
// between, and runs of writes long enough to make the file be written whole
// again. After every step, a store that reads the file afresh (the program's
// next run) must read every value touched so far as the running store does.

#include "FuzzSupport.h"

#include "platform/AppError.h"
#include "platform/IniSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

using namespace umbraxis;

namespace {

const char* const kNames[] = {"LevelFileName", "File1",   "File2",         "Stamp1",
                              "QuakeDir",      "Version", "levelfilename", "FILE1"};

QString settingsFile()
{
    static const QString file = [] {
        QByteArray folder = QDir::tempPath().toLocal8Bit() + "/umbraxis-fuzz-XXXXXX";
        if (!::mkdtemp(folder.data()))
            std::abort();
        return QFile::decodeName(folder) + QStringLiteral("/Umbraxis.conf");
    }();
    return file;
}

// What a read gives: the text, or the error's message.
QString readOf(SettingsStore& store, const QString& section, const QString& name)
{
    try {
        return QStringLiteral("value:") + store.ReadSetting(section, name, QStringLiteral("<none>"));
    } catch (const AppError& error) {
        return QStringLiteral("error:") + error.message();
    }
}

template <typename Step>
bool attempt(Step step)
{
    try {
        step();
        return true;
    } catch (const AppError&) {
        return false;
    }
}

// Sections are paths whose parts "\" and "/" separate; one of no parts is
// the store's top level.
bool namesASection(QString section)
{
    section.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return !section.split(QLatin1Char('/'), Qt::SkipEmptyParts).isEmpty();
}

QString textOf(const QByteArray& bytes, bool wide)
{
    return wide ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const QString file = settingsFile();
    QFile::remove(file);
    QFile::remove(file + QStringLiteral(".new"));
    const std::uint8_t start = input.byte();
    if (start & 1) {
        QFile initial(file);
        if (!initial.open(QIODevice::WriteOnly))
            std::abort();
        initial.write(input.bytes(2048));
    }

    // UMBRAXIS_FUZZ_VERBOSE=1 tells what differed.
    static const bool verbose = qEnvironmentVariableIsSet("UMBRAXIS_FUZZ_VERBOSE");
    auto store = std::make_unique<IniSettingsStore>(file);
    QList<QPair<QString, QString>> touched;
    QStringList titles;
    for (int step = 0; step < 48 && !input.atEnd(); ++step) {
        const std::uint8_t op = input.byte();
        QString section;
        if ((op & 0x80) && !titles.isEmpty())
            section = titles[input.byte() % titles.size()];
        else
            section = textOf(input.bytes(24), op & 0x40);
        titles << section;
        const QString name = QString::fromLatin1(kNames[input.byte() % std::size(kNames)]);
        switch (op & 7) {
        case 0:
        case 1: {
            const QString value = textOf(input.bytes(64), op & 0x20);
            if (attempt([&] { store->WriteSetting(section, name, value); })) {
                // A value reads back as written, up to its first NUL.
                const QString expected = QStringLiteral("value:") + value.left(value.indexOf(QChar(0)));
                FUZZ_CHECK(readOf(*store, section, name) == expected);
            }
            touched << qMakePair(section, name);
            break;
        }
        case 2:
            // An erased section has no values left; a name that names no
            // section at all erases nothing.
            if (attempt([&] { store->EraseSection(section); }) && namesASection(section)) {
                for (const char* any : kNames)
                    FUZZ_CHECK(readOf(*store, section, QString::fromLatin1(any)) == QLatin1String("value:<none>"));
            }
            break;
        case 3: store = std::make_unique<IniSettingsStore>(file); break;
        case 4: {
            // Enough writes to grow the file past the point where it is
            // written whole again.
            const int count = 1 + input.byte() % 48;
            const QString value = QString(1 + input.byte() * 8, QLatin1Char('v'));
            for (int i = 0; i < count; ++i)
                attempt([&] { store->WriteSetting(section, name, value + QString::number(i)); });
            touched << qMakePair(section, name);
            break;
        }
        default:
            touched << qMakePair(section, name);
            (void)readOf(*store, section, name);
            break;
        }
        IniSettingsStore fresh(file);
        for (const auto& [where, what] : std::as_const(touched)) {
            const QString again = readOf(fresh, where, what);
            const QString now = readOf(*store, where, what);
            if (again != now && verbose)
                std::fprintf(stderr, "step %d (%d) [%s] %s: read afresh %s, running %s\n", step, op & 7,
                             qPrintable(where), qPrintable(what), qPrintable(again), qPrintable(now));
            FUZZ_CHECK(again == now);
        }
    }
    return 0;
}
