#include "shell/Shell.h"

namespace umbraxis {

Shell::Shell(MediaPlayer& cuePlayer, const FileSystem& files)
    : m_player(cuePlayer)
    , m_cues(cuePlayer, files)
{
}

void Shell::PlayCue(const QString& name)
{
    m_cues.PlayCue(name);
}

void Shell::ShowDocument(const QString& documentFile)
{
    if (m_viewer)
        m_viewer(documentFile);
}

} // namespace umbraxis
