#include "fakes/RecordingProcessStarter.h"

#include "platform/FileSystem.h"

#include <QDir>

namespace umbraxis {

RecordingProcessStarter::RecordingProcessStarter(const FileSystem* files)
    : m_files(files)
{
}

QString RecordingProcessStarter::currentDirectory() const
{
    return m_files ? m_files->currentDirectory() : QDir::currentPath();
}

int RecordingProcessStarter::start(const QString& commandLine, const QString& folder, int showFlag)
{
    m_calls.push_back({commandLine, showFlag, folder, currentDirectory(), {}, {}});
    return m_result;
}

int RecordingProcessStarter::startProgram(const QString& program, const QString& arguments, const QString& folder,
                                          int showFlag)
{
    m_calls.push_back({program + arguments, showFlag, folder, currentDirectory(), program, {}});
    return m_result;
}

int RecordingProcessStarter::startHostProgram(const QString& hostProgram, const QStringList& arguments,
                                              const QString& folder)
{
    m_calls.push_back({hostProgram + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')), 0, folder, currentDirectory(),
                       hostProgram, arguments});
    return m_result;
}

} // namespace umbraxis
