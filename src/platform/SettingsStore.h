#pragma once

#include <QString>
#include <QStringList>

namespace umbraxis {

// The one place where the program keeps what it must remember between runs:
// named sections holding named string values. Section and value names match
// regardless of letter case. Every call opens the store, works and makes its
// change durable before it returns; failures raise AppError with the store's
// texts ("Failed to create key %s", "Failed to set data for '%s'",
// "Failed to get data for '%s'", "Invalid data type for '%s'").
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual QString ReadSetting(const QString& section, const QString& name, const QString& defaultValue) = 0;
    virtual void WriteSetting(const QString& section, const QString& name, const QString& value) = 0;
    virtual void EraseSection(const QString& section) = 0;
    // The names of the sections that hold values, as stored.
    virtual QStringList ReadSections() = 0;
};

} // namespace umbraxis
