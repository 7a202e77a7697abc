#include "fakes/Fakes.h"

#include "platform/AppError.h"

namespace umbraxis {

QString MemorySettingsStore::sectionKey(const QString& section) const
{
    // As the real store: the exact name first, else any letter case.
    if (sections.contains(section))
        return section;
    for (auto it = sections.cbegin(); it != sections.cend(); ++it)
        if (it.key().compare(section, Qt::CaseInsensitive) == 0)
            return it.key();
    return section;
}

QString MemorySettingsStore::ReadSetting(const QString& section, const QString& name, const QString& defaultValue)
{
    log << QStringLiteral("read %1/%2").arg(section, name);
    const auto found = sections.constFind(sectionKey(section));
    if (found == sections.cend())
        return defaultValue;
    for (auto it = found->cbegin(); it != found->cend(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (nonStringValues.contains(it.key()))
            throw AppError(formatMessage(QStringLiteral("Invalid data type for '%s'"), name));
        return it.value();
    }
    return defaultValue;
}

void MemorySettingsStore::WriteSetting(const QString& section, const QString& name, const QString& value)
{
    log << QStringLiteral("write %1/%2=%3").arg(section, name, value);
    if (failCreate)
        throw AppError(formatMessage(QStringLiteral("Failed to create key %s"), section));
    if (writesBeforeFailure == 0)
        throw AppError(formatMessage(QStringLiteral("Failed to set data for '%s'"), name));
    if (writesBeforeFailure > 0)
        --writesBeforeFailure;
    auto& values = sections[sectionKey(section)];
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0) {
            it.value() = value;
            return;
        }
    }
    values.insert(name, value);
}

void MemorySettingsStore::EraseSection(const QString& section)
{
    log << QStringLiteral("erase %1").arg(section);
    if (failCreate)
        throw AppError(formatMessage(QStringLiteral("Failed to create key %s"), section));
    sections.remove(sectionKey(section));
}

QImage FakePictureLoader::load(const QString& path)
{
    requests << path;
    const auto found = pictures.constFind(path);
    if (found == pictures.cend())
        throw AppError(formatMessage(QStringLiteral("Cannot open file %s"), path));
    return *found;
}

void FakePictureLoader::add(const QString& path, const QSize& size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    pictures.insert(path, image);
}

} // namespace umbraxis
