#include "fakes/RecordingMediaPlayer.h"

#include "platform/AppError.h"
#include "platform/MediaHeaders.h"

#include <algorithm>

namespace umbraxis {

struct RecordingMediaFactory::State {
    QStringList log;
    QHash<QString, qint64> lengths;
    QHash<QString, QString> failures;
    qint64 defaultLength = 1000;
    qint64 clock = 0;
    QList<RecordingMediaPlayer*> players;
};

RecordingMediaFactory::RecordingMediaFactory()
    : m_state(std::make_shared<State>())
{
}

RecordingMediaFactory::~RecordingMediaFactory() = default;

std::unique_ptr<MediaPlayer> RecordingMediaFactory::createPlayer()
{
    return std::make_unique<RecordingMediaPlayer>(m_state);
}

QStringList RecordingMediaFactory::log() const
{
    return m_state->log;
}

void RecordingMediaFactory::clearLog()
{
    m_state->log.clear();
}

void RecordingMediaFactory::setLength(const QString& fileName, qint64 ms)
{
    m_state->lengths.insert(fileName, ms);
}

void RecordingMediaFactory::setDefaultLength(qint64 ms)
{
    m_state->defaultLength = ms;
}

void RecordingMediaFactory::failOpen(const QString& fileName, const QString& message)
{
    m_state->failures.insert(fileName, message);
}

void RecordingMediaFactory::advance(qint64 ms)
{
    m_state->clock += std::max<qint64>(ms, 0);
    // A notification handler may destroy players, so each one is looked up
    // again before it is updated.
    const QList<RecordingMediaPlayer*> players = m_state->players;
    for (RecordingMediaPlayer* player : players) {
        if (m_state->players.contains(player))
            player->update();
    }
}

qint64 RecordingMediaFactory::now() const
{
    return m_state->clock;
}

QList<RecordingMediaPlayer*> RecordingMediaFactory::players() const
{
    return m_state->players;
}

RecordingMediaPlayer* RecordingMediaFactory::lastPlayer() const
{
    return m_state->players.isEmpty() ? nullptr : m_state->players.last();
}

RecordingMediaPlayer::RecordingMediaPlayer(std::shared_ptr<RecordingMediaFactory::State> state)
    : m_state(std::move(state))
    , m_transport(*this)
{
    m_state->players.append(this);
    m_transport.setOnNotify([this] {
        static const char* const names[] = {"successful", "superseded", "aborted", "failure"};
        record(QStringLiteral("notify ") + QLatin1String(names[int(m_transport.notifyResult())]));
        // A copy, because the handler may replace itself or destroy this player.
        const std::function<void()> handler = m_handler;
        if (handler)
            handler();
    });
}

RecordingMediaPlayer::~RecordingMediaPlayer()
{
    m_state->players.removeAll(this);
}

void RecordingMediaPlayer::finish()
{
    const qint64 remaining = m_transport.remaining();
    if (remaining < 0)
        return;
    m_state->clock += remaining;
    m_transport.update();
}

qint64 RecordingMediaPlayer::now() const
{
    return m_state->clock;
}

void RecordingMediaPlayer::sleep(qint64 ms)
{
    m_state->clock += std::max<qint64>(ms, 0);
}

void RecordingMediaPlayer::record(const QString& line)
{
    m_state->log.append(m_label.isEmpty() ? line : m_label + QStringLiteral(": ") + line);
}

QString RecordingMediaPlayer::requestSuffix() const
{
    QString suffix;
    if (m_wait)
        suffix += QStringLiteral(" wait");
    if (m_notify)
        suffix += QStringLiteral(" notify");
    return suffix;
}

template <typename Command, typename Describe>
void RecordingMediaPlayer::run(const QString& name, Command&& command, Describe&& describe)
{
    const QString suffix = requestSuffix();
    m_wait = false;
    m_notify = false;
    try {
        command();
    } catch (const AppError& error) {
        record(name + QStringLiteral(" failed: ") + error.message() + suffix);
        throw;
    }
    record(describe() + suffix);
}

void RecordingMediaPlayer::setFileName(const QString& path)
{
    m_fileName = path;
    record(QStringLiteral("setFileName ") + path);
}

void RecordingMediaPlayer::open()
{
    const QString suffix = requestSuffix();
    m_wait = false;
    m_notify = false;
    const QString line = QStringLiteral("open ") + m_fileName;
    QString failure;
    if (m_fileName.isEmpty())
        failure = QString::fromLatin1(MediaText::NotFound);
    else if (!mediaKindForPath(m_fileName))
        failure = QString::fromLatin1(MediaText::UnknownType);
    else if (m_state->failures.contains(m_fileName))
        failure = m_state->failures.value(m_fileName);
    else {
        m_transport.open(m_state->lengths.value(m_fileName, m_state->defaultLength));
        record(line + suffix);
        return;
    }
    // As with the real player, a failed open leaves no device open.
    m_transport.closeDevice();
    m_transport.openFailed();
    if (failure.isEmpty())
        failure = QString::fromLatin1(MediaText::UnknownError);
    record(line + QStringLiteral(" failed: ") + failure + suffix);
    throw AppError(failure);
}

void RecordingMediaPlayer::close()
{
    run(
        QStringLiteral("close"), [this] { m_transport.close(); }, [] { return QStringLiteral("close"); });
}

void RecordingMediaPlayer::play()
{
    run(
        QStringLiteral("play"), [this] { m_transport.play(); },
        [this] { return QStringLiteral("play from %1").arg(m_startedFrom); });
}

void RecordingMediaPlayer::stop()
{
    run(
        QStringLiteral("stop"), [this] { m_transport.stop(); },
        [this] { return QStringLiteral("stop at %1").arg(m_transport.position()); });
}

void RecordingMediaPlayer::rewind()
{
    run(
        QStringLiteral("rewind"), [this] { m_transport.rewind(); }, [] { return QStringLiteral("rewind"); });
}

void RecordingMediaPlayer::setPosition(qint64 ms)
{
    run(
        QStringLiteral("setPosition"), [this, ms] { m_transport.seek(ms); },
        [ms] { return QStringLiteral("setPosition %1").arg(ms); });
}

void RecordingMediaPlayer::setWait(bool wait)
{
    m_wait = wait;
    m_transport.setWait(wait);
}

void RecordingMediaPlayer::setNotify(bool notify)
{
    m_notify = notify;
    m_transport.setNotify(notify);
}

void RecordingMediaPlayer::setDisplay(QWidget* display)
{
    m_display = display;
    record(QStringLiteral("setDisplay"));
}

void RecordingMediaPlayer::setDisplayRect(const QRect& rect)
{
    m_displayRect = rect;
    record(
        QStringLiteral("setDisplayRect %1,%2 %3x%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height()));
}

} // namespace umbraxis
