#include "fakes/RecordingProcessStarter.h"

#include "platform/FileSystem.h"

#include <QDir>

namespace umbraxis {

RecordingProcessStarter::RecordingProcessStarter(const FileSystem* files) : m_files(files) {}

int RecordingProcessStarter::start(const QString& commandLine, int showFlag)
{
    m_calls.push_back({commandLine, showFlag, m_files ? m_files->currentDirectory() : QDir::currentPath(), {}, {}});
    return m_result;
}

int RecordingProcessStarter::startProgram(const QString& program, const QString& arguments, int showFlag)
{
    m_calls.push_back(
        {program + arguments, showFlag, m_files ? m_files->currentDirectory() : QDir::currentPath(), program, {}});
    return m_result;
}

int RecordingProcessStarter::startHostProgram(const QString& hostProgram, const QStringList& arguments)
{
    m_calls.push_back({hostProgram + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')), 0,
                       m_files ? m_files->currentDirectory() : QDir::currentPath(), hostProgram, arguments});
    return m_result;
}

} // namespace umbraxis
