#include "shell/CuePlayer.h"

#include "platform/FileSystem.h"
#include "platform/MediaPlayer.h"

namespace umbraxis {

CuePlayer::CuePlayer(MediaPlayer& player, const FileSystem& files)
    : m_player(player)
    , m_files(files)
{
}

void CuePlayer::PlayCue(const QString& name)
{
    if (m_player.isOpen() && m_player.mode() == MediaMode::Playing)
        m_player.stop();
    const QString path = QStringLiteral("sounds\\") + name;
    if (path != m_player.fileName() && m_files.fileExists(path)) {
        m_player.close();
        m_player.setFileName(path);
        m_player.open();
    }
    m_player.setWait(false);
    m_player.play();
}

} // namespace umbraxis
