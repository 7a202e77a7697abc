#pragma once

#include "platform/SettingsStore.h"

#include <QString>
#include <memory>

class QSettings;

namespace umbraxis {

// The settings store kept in the user's configuration folder as an INI file
// ($XDG_CONFIG_HOME/Corvantide/Umbraxis.conf on Linux). Each call opens the
// file, works, syncs it to disk through an atomic replace and checks the
// result before returning.
class QtSettingsStore : public SettingsStore {
public:
    // The user's own store.
    QtSettingsStore();
    // A store kept in an explicit file (tests, tools).
    explicit QtSettingsStore(const QString& filePath);

    const QString& fileName() const { return m_fileName; }

    QString ReadSetting(const QString& section, const QString& name,
                        const QString& defaultValue) override;
    void WriteSetting(const QString& section, const QString& name,
                      const QString& value) override;
    void EraseSection(const QString& section) override;

private:
    enum class Access { Read, Write };
    std::unique_ptr<QSettings> open(const QString& section, Access access);

    QString m_fileName;
};

// The group path under which `section` is stored: the existing group whose
// name matches regardless of case, else `section` itself. Exposed for tests.
QString resolveSettingsGroup(QSettings& settings, const QString& section);

// Whether the text of a settings file is one this store can safely read and
// rewrite: every line blank, a comment, a [section] header or a name=value
// pair, and no NUL bytes.
bool isReadableSettingsText(const QByteArray& text);

} // namespace umbraxis
