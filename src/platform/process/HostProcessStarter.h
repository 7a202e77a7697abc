#pragma once

#include "platform/ProcessStarter.h"

#include <QStringList>

class QProcess;

namespace umbraxis {

class FileSystem;

// Starts programs named by Windows-style command lines on the host. The
// program part is looked up through the file system; the process starts
// detached in the folder it is given, its output goes where the program's
// own goes, and nothing waits for it or is left behind when it ends.
//
// A file that begins with "MZ" is a Windows program and starts through
// `wine` when that is on the PATH; without wine it counts as not executable
// (11), since the host has no way to run it. Any other file starts directly
// when it may be executed. The show flag has no meaning on the host.
class HostProcessStarter : public ProcessStarter {
public:
    // The value returned when a program was started, as the classic call
    // returns a value above 31.
    static constexpr int Started = 33;
    static constexpr int FileNotFound = 2;
    static constexpr int PathNotFound = 3;
    static constexpr int NotExecutable = 11;
    static constexpr int Failed = 0;

    explicit HostProcessStarter(const FileSystem& files);

    int start(const QString& commandLine, const QString& folder, int showFlag) override;
    int startProgram(const QString& program, const QString& arguments, const QString& folder, int showFlag) override;
    int startHostProgram(const QString& hostProgram, const QStringList& arguments, const QString& folder) override;

    // The arguments of a command line after its program part: split on
    // blanks, a double-quoted stretch keeping its blanks, the quotes removed.
    static QStringList splitArguments(const QString& text);

private:
    // Starts `process` detached in the host folder of `folder`.
    int startIn(QProcess& process, const QString& folder) const;

    const FileSystem& m_files;
};

} // namespace umbraxis
