#pragma once

#include <QString>
#include <QStringList>

namespace umbraxis {

// Starts a program from a command line such as
// "c:\quake\quake.exe -game umbraxis +map e1m1" without waiting for it, in
// the folder `folder` (a program path; empty: the program's own working
// directory, which a start never changes).
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;

    // Like the classic WinExec: a value above 31 means the program was
    // started; 2 means the file was not found, 3 that its path (or the
    // folder) was not, 11 that it is not an executable, 0 that the system
    // could not start it.
    virtual int start(const QString& commandLine, const QString& folder, int showFlag) = 0;
    // The same with the program part given on its own, so that a path with
    // blanks in it is never taken apart; `arguments` is the rest of the line,
    // split at blanks.
    virtual int startProgram(const QString& program, const QString& arguments, const QString& folder, int showFlag) = 0;
    // Starts a program given by its host path ("/usr/games/quakespasm") with
    // exactly these arguments; the same values as start().
    virtual int startHostProgram(const QString& hostProgram, const QStringList& arguments, const QString& folder) = 0;
};

} // namespace umbraxis
