#include "cdgen/Levels.h"

#include "cdgen/ByteWriter.h"
#include "cdgen/Sounds.h"
#include "cdgen/Texts.h"
#include "cdgen/WavWriter.h"

#include <cmath>

namespace umbraxis {

namespace {

QString quotedIfNeeded(const QString& value)
{
    if (!value.contains(QLatin1Char(' ')) && !value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')))
        return value;
    QString escaped = value;
    escaped.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QByteArray readme(const PackLevel& level, const QString& modes)
{
    return crlfText({
        level.title,
        QString(level.title.size(), QLatin1Char('=')),
        QString(),
        QStringLiteral("Map name   : %1").arg(level.levelName),
        QStringLiteral("Game modes : %1").arg(modes),
        QStringLiteral("Requires   : registered Quake"),
        QString(),
        QStringLiteral("Install this level with the Umbraxis front end, which copies it into"),
        QStringLiteral("the Umbraxis game folder of your Quake installation."),
    });
}

// The notes that most level folders of such a pack carry under one shared
// name, so that levels installed side by side share that file.
QByteArray packNotes(const PackLevel& level)
{
    return crlfText({
        QStringLiteral("UMBRAXIS - %1").arg(level.title.toUpper()),
        QString(),
        QStringLiteral("This folder holds one level of the Umbraxis pack; %1.txt tells").arg(level.levelName),
        QStringLiteral("its story. Do not copy it by hand: the front end on this CD installs"),
        QStringLiteral("it, and removes it again without touching what other levels need."),
    });
}

constexpr double kPi = 3.14159265358979323846;

// A low hum for the gate level's own ambient sound.
QByteArray gateHum()
{
    const int rate = 11025;
    QVector<qint16> samples;
    const int n = rate * 3 / 4;
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / rate;
        const double v = 0.5 * std::sin(2 * kPi * 55 * t) + 0.25 * std::sin(2 * kPi * 110.5 * t)
            + 0.12 * std::sin(2 * kPi * 221 * t);
        samples.append(qint16(v * 20000 * (0.8 + 0.2 * std::sin(2 * kPi * 2 * t))));
    }
    WavFormat format;
    format.encoding = WavEncoding::Pcm8;
    format.sampleRate = rate;
    return encodeWav(samples, format);
}

} // namespace

qint64 PackLevel::dirSize() const
{
    qint64 total = 0;
    for (const LevelFile& f : files)
        total += f.content.size();
    return total;
}

QByteArray placeholderMap(int size, quint32 seed)
{
    const int lumps = 15;
    const int headerSize = 4 + lumps * 8;
    ByteWriter out;
    out.i32(29);
    const int body = std::max(0, size - headerSize);
    int offset = headerSize;
    for (int i = 0; i < lumps; ++i) {
        const int length = (i == lumps - 1) ? headerSize + body - offset : body / lumps;
        out.i32(offset);
        out.i32(length);
        offset += length;
    }
    quint32 state = seed ? seed : 1u;
    while (out.size() < size) {
        state = state * 1664525u + 1013904223u;
        out.u8(quint8(state >> 24));
    }
    return out.data().left(size);
}

QList<PackLevel> packLevels()
{
    struct Row {
        const char* title;
        const char* directory;
        const char* authorFile;
        const char* descFile;
        const char* levelName;
        const char* author;
        const char* email;
        const char* weeks;
        const char* modes;
        int mapSize;
        QStringList description;
    };
    const QList<Row> rows = {
        {"Rust Foundry",
         "foundry",
         "rfauth",
         "rfdesc",
         "umbx1",
         "Mara Quillon",
         "mara.quillon@riftrunners.example.org",
         "eleven",
         "Single player, cooperative",
         6140,
         {"The landing zone. A foundry that has not been fed for a",
          "century still glows in its furnaces, and the conveyors", "still carry something towards the crucibles.", "",
          "Grunts and Enforcers of the lost relief squads, Ogres", "in the casting halls. Two secret areas."}},
        {"The Ember Vaults",
         "vaults",
         "evauth",
         "evdesc",
         "umbx2",
         "Teodor Vask",
         "tvask@slipgate-central.example.net",
         "nine",
         "Single player, cooperative, deathmatch",
         7420,
         {"Vaults cut deep into a cooling lava flow. The walls", "are warm to the touch and the floors are not always",
          "floors. Watch the ember light: it moves when things", "move behind it.", "",
          "Fiends, Scrags and a Vore. Three secret areas."}},
        {"Cinder Keep",
         "cinder",
         "ckauth",
         "ckdesc",
         "umbx3",
         "Ilse Brannock",
         "ilse@brannock.example.com",
         "fourteen",
         "Single player, cooperative",
         8960,
         {"A fortress of black glass on an island of ash. The", "silver rune key lies in the keep's chapel, and its",
          "guardians have waited a long time for a visitor.", "",
          "Knights, Hell Knights and Zombies. Four secret areas."}},
        {"Hollow Spire",
         "spire",
         "hsauth",
         "hsdesc",
         "umbx4",
         "Devan Oakhurst",
         "devan@nailgunpress.example.com",
         "eight",
         "Single player, cooperative",
         5310,
         {"The spire that burns without a flame. Climb its hollow",
          "core along stairs that were not made for human feet,", "and do not look down.", "",
          "Scrags, Fiends and a Shambler at the top. One secret."}},
        {"Ashen Cistern",
         "cistern",
         "",
         "acdesc",
         "umbx5",
         "",
         "",
         "",
         "Single player",
         4380,
         {"The flooded cisterns under the Keep, found on the", "drive of one of the missing outpost scientists. Nobody",
          "knows who built it.", "", "Rotfish, Zombies and a lot of water. Bring a Biosuit."}},
        {"Blackwater Locks",
         "locks",
         "blauth",
         "bldesc",
         "umbx6",
         "Petra Lindqvist",
         "petra@emberforge.example.org",
         "twelve",
         "Single player, cooperative",
         9870,
         {"Giant locks hold back a black sea. Open them in the", "right order and the way to the gold rune key is dry;",
          "open them in the wrong order and you will swim.", "",
          "Shamblers nest below the lowest lock. Three secrets."}},
        {"Shatterpoint",
         "shatter",
         "spauth",
         "spdesc",
         "umbxdm1",
         "Rufus Kettering",
         "rufus@dmladder.example.net",
         "six",
         "Deathmatch (2 to 8 players)",
         4020,
         {"A deathmatch arena on a splinter of the rift-world,",
          "floating free in the storm. Three levels of walkways,", "one Quad Damage and a long way down.", "",
          "Built for 2 to 8 players."}},
        {"Umbral Gate",
         "gate",
         "ugauth",
         "ugdesc",
         "umbx8",
         "Nadia Varro",
         "nadia.varro@corvantide.example.com",
         "sixteen",
         "Single player, cooperative",
         11480,
         {"The heart of Umbraxis, where the rift began. Set the", "three rune keys into the gate and hold out until it",
          "seals. Everything that still lives on this side of the", "rift will try to stop you.", "",
          "The final level. Ships with its own ambient sound."}},
    };

    QList<PackLevel> levels;
    quint32 seed = 1001;
    for (const Row& row : rows) {
        PackLevel level;
        level.title = QLatin1String(row.title);
        level.directory = QLatin1String(row.directory);
        level.authorFile = QLatin1String(row.authorFile);
        level.descFile = QLatin1String(row.descFile);
        level.levelName = QLatin1String(row.levelName);
        if (!level.authorFile.isEmpty())
            level.authorText = {QLatin1String(row.author), QLatin1String(row.email),
                                QStringLiteral("Built in %1 weeks of evenings.").arg(QLatin1String(row.weeks)),
                                QStringLiteral("Thanks to the Rift Runners play testers.")};
        // One line a paragraph: the screen's description pane wraps the
        // text at its own width.
        QStringList paragraphs{QString()};
        for (const QString& line : row.description) {
            if (line.isEmpty()) {
                paragraphs << QString() << QString();
                continue;
            }
            QString& current = paragraphs.last();
            current += (current.isEmpty() ? QString() : QStringLiteral(" ")) + line;
        }
        level.descText = paragraphs;
        level.files.append({level.levelName + QStringLiteral(".bsp"), placeholderMap(row.mapSize, seed++)});
        level.files.append({level.levelName + QStringLiteral(".txt"), readme(level, QLatin1String(row.modes))});
        // The deathmatch arena came from another team, without the notes.
        if (level.directory != QLatin1String("shatter"))
            level.files.append({QStringLiteral("README.TXT"), packNotes(level)});
        if (level.directory == QLatin1String("gate"))
            level.files.append({QStringLiteral("sound/umbx/gatehum.wav"), gateHum()});
        levels.append(level);
    }
    return levels;
}

QByteArray catalogueCsv(const QList<PackLevel>& levels)
{
    QStringList lines = {QStringLiteral("Title,Directory,AuthorFile,DescFile,DirSize,LevelName")};
    for (const PackLevel& level : levels) {
        lines.append(QStringList{quotedIfNeeded(level.title), level.directory, level.authorFile, level.descFile,
                                 QString::number(level.dirSize()), level.levelName}
                         .join(QLatin1Char(',')));
    }
    return crlfText(lines);
}

} // namespace umbraxis
