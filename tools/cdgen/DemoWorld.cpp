#include "cdgen/DemoWorld.h"

#include "cdgen/ByteWriter.h"
#include "cdgen/SampleCd.h"
#include "platform/AppError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace umbraxis {

QByteArray standInGameScript()
{
    return QByteArrayLiteral(
        "#!/bin/sh\n"
        "# Stand-in for the game: the front end starts it exactly as it would start the real one.\n"
        "here=$(cd \"$(dirname \"$0\")\" && pwd)\n"
        "if command -v quakespasm >/dev/null 2>&1; then\n"
        "    exec quakespasm -basedir \"$here\" \"$@\"\n"
        "fi\n"
        "message=\"Quake would start now, in the folder\n"
        "    $(pwd)\n"
        "with the command line\n"
        "    $0 $*\n"
        "\n"
        "Install a Quake engine (for example quakespasm) to play the level.\"\n"
        "if command -v xmessage >/dev/null 2>&1 && [ -n \"$DISPLAY\" ]; then\n"
        "    exec xmessage -center -title \"Quake (stand-in)\" \"$message\"\n"
        "fi\n"
        "printf '%s\\n' \"$message\"\n");
}

QByteArray placeholderPak()
{
    const QByteArray content = QByteArrayLiteral("// Placeholder game data for the Umbraxis demo world.\n");
    ByteWriter out;
    out.bytes("PACK");
    out.i32(12 + int(content.size()));
    out.i32(64);
    out.bytes(content);
    QByteArray name("default.cfg");
    name.resize(56, '\0');
    out.bytes(name);
    out.i32(12);
    out.i32(int(content.size()));
    return out.data();
}

void writeDemoWorld(const QString& demoDir, const QString& cdDir)
{
    const QString demo = QFileInfo(demoDir).absoluteFilePath();
    const QString cd = QFileInfo(cdDir).absoluteFilePath();
    const QString c = demo + QStringLiteral("/c");

    const QString config = demo + QStringLiteral("/config/Corvantide");
    if (!QDir().mkpath(config))
        throw AppError(formatMessage(QStringLiteral("Cannot create folder %s"), config));
    {
        QSettings drives(config + QStringLiteral("/drives.conf"), QSettings::IniFormat);
        drives.clear();
        drives.beginGroup(QStringLiteral("Drives"));
        drives.setValue(QStringLiteral("c"), c);
        drives.setValue(QStringLiteral("d"), cd);
        drives.endGroup();
        drives.sync();
        if (drives.status() != QSettings::NoError)
            throw AppError(formatMessage(QStringLiteral("Cannot create file %s"), drives.fileName()));
    }

    const QString game = c + QStringLiteral("/quake/quake.exe");
    writeFileAtomically(game, standInGameScript());
    if (!QFile::setPermissions(game,
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                   | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther))
        throw AppError(formatMessage(QStringLiteral("Cannot create file %s"), game));
    writeFileAtomically(c + QStringLiteral("/quake/id1/pak0.pak"), placeholderPak());

    // Folders for the drive search to walk before it reaches the game, including one
    // that holds a quake.exe without the id1 folder beside it.
    const char* const decoys[][2] = {
        {"games/oldquake/quake.exe", "MZ placeholder of an incomplete installation\r\n"},
        {"games/oldquake/readme.txt", "This copy lost its id1 folder.\r\n"},
        {"games/chess/chess.ini", "[Board]\r\nTheme=Walnut\r\n"},
        {"games/racer/tracks/track01.dat", "track data\r\n"},
        {"games/racer/tracks/track02.dat", "track data\r\n"},
        {"tools/editor/maps/test.map", "// empty test map\r\n"},
        {"tools/editor/textures/readme.txt", "Texture folder.\r\n"},
        {"tools/archiver/archiver.txt", "Archiver notes.\r\n"},
        {"documents/letters/letter.txt", "Dear Sir,\r\n"},
        {"documents/photos/2024/notes.txt", "Holiday.\r\n"},
        {"documents/photos/2025/notes.txt", "Work.\r\n"},
        {"temp/install.log", "setup finished\r\n"},
    };
    for (const auto& decoy : decoys)
        writeFileAtomically(c + QLatin1Char('/') + QLatin1String(decoy[0]), QByteArray(decoy[1]));
}

} // namespace umbraxis
