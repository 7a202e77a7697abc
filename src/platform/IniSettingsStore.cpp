#include "platform/IniSettingsStore.h"

#include "platform/AppError.h"
#include "platform/FileReplace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace umbraxis {

namespace {

const QString kCreateKeyFailed = QStringLiteral("Failed to create key %s");
const QString kSetDataFailed = QStringLiteral("Failed to set data for '%s'");
const QString kInvalidType = QStringLiteral("Invalid data type for '%s'");

QString userStorePath()
{
    // Where the toolkit's native user settings of "Corvantide"/"Umbraxis"
    // live on Linux.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Corvantide/Umbraxis.conf");
}

IniSettingsStore::Identity identityOf(const struct stat& st)
{
    return {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), std::int64_t(st.st_size),
            std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

} // namespace

IniSettingsStore::IniSettingsStore()
    : IniSettingsStore(userStorePath())
{
}

IniSettingsStore::IniSettingsStore(const QString& filePath)
    : m_fileName(filePath)
    , m_hostName(QFile::encodeName(filePath))
{
}

IniDocument& IniSettingsStore::open(const QString& section, Access access)
{
    const auto fail = [&](const QString& why) {
        QString text = formatMessage(kCreateKeyFailed, section);
        if (!why.isEmpty())
            text += QStringLiteral(" (") + why + QLatin1Char(')');
        throw AppError(text);
    };
    struct stat st { };
    if (::stat(m_hostName.constData(), &st) != 0) {
        if (errno != ENOENT)
            fail(QStringLiteral("cannot read %1").arg(m_fileName));
        const QString folder = QFileInfo(m_fileName).absolutePath();
        if (!QDir().mkpath(folder))
            fail(QStringLiteral("cannot create the folder %1").arg(folder));
        if (access == Access::Write && ::access(QFile::encodeName(folder).constData(), W_OK) != 0)
            fail(QStringLiteral("the folder %1 is not writable").arg(folder));
        closeAppending();
        m_document = IniDocument();
        m_loaded = true;
        m_seen = Identity();
        return m_document;
    }
    const Identity now = identityOf(st);
    if (m_loaded && now == m_seen)
        return m_document;

    closeAppending();
    QFile in(m_fileName);
    if (!S_ISREG(st.st_mode) || !in.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(m_fileName));
    const QByteArray text = in.readAll();
    if (!isReadableSettingsText(text)) {
        m_loaded = false;
        fail(QStringLiteral("the settings file %1 is damaged and was left unchanged").arg(m_fileName));
    }
    m_document = IniDocument::parse(text);
    m_loaded = true;
    m_seen = now;
    m_endsWithNewline = text.isEmpty() || text.endsWith('\n');
    return m_document;
}

IniSettingsStore::~IniSettingsStore()
{
    closeAppending();
}

void IniSettingsStore::closeAppending()
{
    m_appendFd.reset();
}

bool IniSettingsStore::append(const QByteArray& text)
{
    // The file stays open for adding while it is the one this store last
    // saw; open() has just made sure of that.
    if (!m_appendFd) {
        m_appendFd.reset(::open(m_hostName.constData(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW));
        if (!m_appendFd)
            return false;
    }
    // One write: a crash lets it happen whole or not at all.
    ssize_t n;
    do
        n = ::write(m_appendFd.get(), text.constData(), size_t(text.size()));
    while (n < 0 && errno == EINTR);
    struct stat st { };
    if (n != text.size() || ::fstat(m_appendFd.get(), &st) != 0) {
        // Whatever reached the file, it is what the next read goes by.
        closeAppending();
        m_loaded = false;
        return false;
    }
    m_seen = identityOf(st);
    m_appended += text.size();
    return true;
}

void IniSettingsStore::save(const QString& section, const QString& name)
{
    closeAppending();
    const QString folder = QFileInfo(m_fileName).absolutePath();
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0)
        throw AppError(formatMessage(kCreateKeyFailed, section)
                       + QStringLiteral(" (the folder %1 is not writable)").arg(folder));
    const QByteArray& target = m_hostName;
    const ReplaceResult result = replaceFileWhole(target, m_document.serialize());
    if (result != ReplaceResult::Done) {
        // What is on disk is the truth from now on.
        m_loaded = false;
        throw AppError(result == ReplaceResult::CannotCreate ? formatMessage(kCreateKeyFailed, section)
                                                             : formatMessage(kSetDataFailed, name));
    }
    struct stat st { };
    if (::stat(target.constData(), &st) == 0)
        m_seen = identityOf(st);
    else
        m_loaded = false;
    m_appended = 0;
    m_endsWithNewline = true;
}

QString IniSettingsStore::ReadSetting(const QString& section, const QString& name, const QString& defaultValue)
{
    IniDocument& document = open(section, Access::Read);
    const IniDocument::Value* value = document.find(IniDocument::sectionPath(section), name);
    if (!value)
        return defaultValue;
    QString text;
    if (!IniDocument::valueText(value->raw, text))
        throw AppError(formatMessage(kInvalidType, name));
    return text;
}

void IniSettingsStore::WriteSetting(const QString& section, const QString& name, const QString& value)
{
    IniDocument& document = open(section, Access::Write);
    const QByteArray line = document.set(IniDocument::sectionPath(section), name, value);
    if (m_seen.size >= 0 && !IniDocument::wantsRewrite(m_appended, m_seen.size, m_endsWithNewline)) {
        if (append(line)) {
            m_endsWithNewline = true;
            return;
        }
        if (!m_loaded)
            throw AppError(formatMessage(kSetDataFailed, name));
    }
    save(section, name);
}

void IniSettingsStore::EraseSection(const QString& section)
{
    IniDocument& document = open(section, Access::Write);
    const QString path = IniDocument::sectionPath(section);
    // An empty name would erase the whole store.
    if (path.isEmpty())
        return;
    if (document.erase(path))
        save(section, QString());
}

QStringList IniSettingsStore::ReadSections()
{
    QStringList names;
    for (const IniDocument::Section& section : open(QString(), Access::Read).sections())
        if (!section.path.isEmpty() && !section.values.isEmpty())
            names << section.path;
    return names;
}

} // namespace umbraxis
