#pragma once

#include <QByteArray>
#include <QString>

namespace umbraxis {

// Writes a small world to try the front end in: a drive map under
// `demoDir`/config/Corvantide/drives.conf (c: = `demoDir`/c, d: = `cdDir`), a stand-in
// game in c:\quake (quake.exe as a shell script and id1\pak0.pak) and a few other
// folders for the drive search to walk. An existing Umbraxis.conf is left alone.
void writeDemoWorld(const QString& demoDir, const QString& cdDir);

// The stand-in quake.exe: runs a real engine when one is installed, else shows the
// command line it was given.
QByteArray standInGameScript();

// A valid, tiny PAK archive holding one text file.
QByteArray placeholderPak();

} // namespace umbraxis
