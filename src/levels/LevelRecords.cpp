#include "levels/LevelRecords.h"

#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"

namespace umbraxis {

QString LevelRecords::fileValue(int number)
{
    return QStringLiteral("File%1").arg(number);
}

QString LevelRecords::stampValue(int number)
{
    return QStringLiteral("Stamp%1").arg(number);
}

QString LevelRecords::stampText(const FileStamp& stamp)
{
    return QStringLiteral("%1 %2").arg(stamp.size).arg(stamp.modified);
}

QString LevelRecords::pathKey(const QString& path)
{
    QString folded = path.toCaseFolded();
    folded.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return folded;
}

LevelRecords LevelRecords::read(SettingsStore& settings)
{
    LevelRecords records;
    for (const QString& title : settings.ReadSections()) {
        const bool installed = !settings.ReadSetting(title, QStringLiteral("LevelFileName"), QString()).isEmpty();
        for (int number = 1;; ++number) {
            const QString path = settings.ReadSetting(title, fileValue(number), QString());
            if (path.isEmpty())
                break;
            records.add(path, {title, number, settings.ReadSetting(title, stampValue(number), QString()), installed});
        }
    }
    return records;
}

bool LevelRecords::sameTitle(const QString& a, const QString& b)
{
    const auto path = [](QString name) {
        name.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return name.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
    };
    return path(a).compare(path(b), Qt::CaseInsensitive) == 0;
}

bool LevelRecords::namedByOtherInstalled(const QString& path, const QString& title) const
{
    for (const Claim& claim : m_claims.value(key(path)))
        if (claim.installed && !sameTitle(claim.title, title))
            return true;
    return false;
}

void LevelRecords::add(const QString& path, const Claim& claim)
{
    m_claims[key(path)].append(claim);
}

QList<LevelRecords::Claim> LevelRecords::restampOthers(const QString& path, const QString& title, const QString& stamp)
{
    QList<Claim> changed;
    const auto found = m_claims.find(key(path));
    if (found == m_claims.end())
        return changed;
    for (Claim& claim : *found) {
        if (sameTitle(claim.title, title) || claim.stamp == stamp)
            continue;
        claim.stamp = stamp;
        changed << claim;
    }
    return changed;
}

} // namespace umbraxis
