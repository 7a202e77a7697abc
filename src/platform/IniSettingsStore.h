#pragma once

#include "platform/Descriptor.h"
#include "platform/IniDocument.h"
#include "platform/SettingsStore.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace umbraxis {

// The settings store kept in the user's configuration folder as an INI file
// ($XDG_CONFIG_HOME/Corvantide/Umbraxis.conf on Linux). Every change is
// written before the call returns through an atomic replace (a new file,
// then a rename over the old one), so that a crash at any moment leaves
// either the old or the new file, never a torn one; a new value is instead
// added at the end of the file in one write, which a crash cannot tear
// either, and which every reader takes as replacing an earlier value of that
// name. The file is read again only when it changed on disk since this store
// last saw it, so that an installation recording hundreds of files stays
// fast.
class IniSettingsStore : public SettingsStore {
public:
    // The user's own store.
    IniSettingsStore();
    // A store kept in an explicit file (tests, tools).
    explicit IniSettingsStore(const QString& filePath);
    ~IniSettingsStore() override;
    IniSettingsStore(const IniSettingsStore&) = delete;
    IniSettingsStore& operator=(const IniSettingsStore&) = delete;

    const QString& fileName() const { return m_fileName; }

    QString ReadSetting(const QString& section, const QString& name, const QString& defaultValue) override;
    void WriteSetting(const QString& section, const QString& name, const QString& value) override;
    void EraseSection(const QString& section) override;
    QStringList ReadSections() override;

    // What tells one version of the file from another.
    struct Identity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = -1;
        std::int64_t modified = 0;
        bool operator==(const Identity&) const = default;
    };

private:
    enum class Access { Read, Write };
    // The current content, read again when the file changed; raises the
    // store's creation error when it cannot be opened.
    IniDocument& open(const QString& section, Access access);
    void save(const QString& section, const QString& name);
    // Adds `text` at the end of the file; false when it could not.
    bool append(const QByteArray& text);
    void closeAppending();

    QString m_fileName;
    QByteArray m_hostName; // m_fileName as the system spells it
    IniDocument m_document;
    bool m_loaded = false;
    Identity m_seen;
    // Bytes added since the file was last written whole.
    qint64 m_appended = 0;
    // Whether the file's last line is complete.
    bool m_endsWithNewline = true;
    // The file held open for adding values, if any.
    Descriptor m_appendFd;
};

} // namespace umbraxis
