#include "platform/QtSettingsStore.h"

#include "platform/AppError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace umbraxis {

namespace {

const QString kCreateKeyFailed = QStringLiteral("Failed to create key %s");
const QString kSetDataFailed = QStringLiteral("Failed to set data for '%s'");
const QString kGetDataFailed = QStringLiteral("Failed to get data for '%s'");
const QString kInvalidType = QStringLiteral("Invalid data type for '%s'");

QString userStorePath()
{
    // The same location QSettings(NativeFormat, UserScope, "Corvantide",
    // "Umbraxis") uses on Linux; spelled out so that open() can check and
    // create the folder before QSettings touches it.
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + QStringLiteral("/Corvantide/Umbraxis.conf");
}

// Finds `name` among `candidates`: exact first, else ignoring case.
QString matchName(const QStringList& candidates, const QString& name)
{
    if (candidates.contains(name))
        return name;
    for (const QString& candidate : candidates)
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    return name;
}

QString resolveKey(QSettings& settings, const QString& name)
{
    return matchName(settings.childKeys(), name);
}

} // namespace

QtSettingsStore::QtSettingsStore()
    : m_fileName(userStorePath())
{
}

QtSettingsStore::QtSettingsStore(const QString& filePath)
    : m_fileName(filePath)
{
}

bool isReadableSettingsText(const QByteArray& text)
{
    if (text.contains('\0'))
        return false;
    const QList<QByteArray> lines = text.split('\n');
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']'))
                return false;
            continue;
        }
        if (line.indexOf('=') <= 0)
            return false;
    }
    return true;
}

QString resolveSettingsGroup(QSettings& settings, const QString& section)
{
    // Sections may nest ("a\b"); each level is matched on its own.
    QString path = section;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QStringList resolved;
    int opened = 0;
    for (const QString& part : parts) {
        const QString name = matchName(settings.childGroups(), part);
        resolved << name;
        settings.beginGroup(name);
        ++opened;
    }
    for (int i = 0; i < opened; ++i)
        settings.endGroup();
    return resolved.join(QLatin1Char('/'));
}

std::unique_ptr<QSettings> QtSettingsStore::open(const QString& section, Access access)
{
    const QFileInfo file(m_fileName);
    const auto fail = [&](const QString& why) {
        QString text = formatMessage(kCreateKeyFailed, section);
        if (!why.isEmpty())
            text += QStringLiteral(" (") + why + QLatin1Char(')');
        throw AppError(text);
    };

    if (!QDir().mkpath(file.absolutePath()))
        fail(QStringLiteral("cannot create the folder %1").arg(file.absolutePath()));
    if (access == Access::Write && !QFileInfo(file.absolutePath()).isWritable())
        fail(QStringLiteral("the folder %1 is not writable").arg(file.absolutePath()));

    if (file.exists()) {
        QFile in(m_fileName);
        if (!in.open(QIODevice::ReadOnly))
            fail(QStringLiteral("cannot read %1").arg(m_fileName));
        if (!isReadableSettingsText(in.readAll()))
            fail(QStringLiteral("the settings file %1 is damaged and was left unchanged")
                     .arg(m_fileName));
        if (access == Access::Write && !file.isWritable())
            fail(QStringLiteral("%1 is not writable").arg(m_fileName));
    }

    auto settings = std::make_unique<QSettings>(m_fileName, QSettings::IniFormat);
    if (settings->status() != QSettings::NoError)
        fail(QStringLiteral("the settings file %1 cannot be read").arg(m_fileName));
    return settings;
}

QString QtSettingsStore::ReadSetting(const QString& section, const QString& name,
                                     const QString& defaultValue)
{
    auto settings = open(section, Access::Read);
    const QString group = resolveSettingsGroup(*settings, section);
    settings->beginGroup(group);
    const QString key = resolveKey(*settings, name);
    if (!settings->contains(key))
        return defaultValue;
    const QVariant value = settings->value(key);
    if (settings->status() != QSettings::NoError)
        throw AppError(formatMessage(kGetDataFailed, name));
    if (value.typeId() != QMetaType::QString)
        throw AppError(formatMessage(kInvalidType, name));
    QString text = value.toString();
    // Text ends at its first NUL, as the classic string values do.
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

void QtSettingsStore::WriteSetting(const QString& section, const QString& name,
                                   const QString& value)
{
    auto settings = open(section, Access::Write);
    settings->beginGroup(resolveSettingsGroup(*settings, section));
    settings->setValue(resolveKey(*settings, name), value);
    settings->endGroup();
    settings->sync();
    if (settings->status() != QSettings::NoError)
        throw AppError(formatMessage(kSetDataFailed, name));
}

void QtSettingsStore::EraseSection(const QString& section)
{
    auto settings = open(section, Access::Write);
    const QString group = resolveSettingsGroup(*settings, section);
    if (group.isEmpty())
        return; // an empty name would erase the whole store
    settings->remove(group);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        throw AppError(formatMessage(kCreateKeyFailed, section));
}

} // namespace umbraxis
