#pragma once

// Small stand-ins for the platform services, for tests.

#include "platform/Desktop.h"
#include "platform/ErrorBox.h"
#include "platform/InstanceGuard.h"
#include "platform/PictureLoader.h"
#include "platform/SettingsStore.h"
#include "support/QtPrinting.h"

#include <QHash>
#include <QImage>
#include <QMap>
#include <QSet>
#include <QStringList>

namespace umbraxis {

// Remembers every message instead of showing a box.
class RecordingErrorBox : public ErrorBox {
public:
    void show(const QString& message) override { messages << message; }
    QStringList messages;
};

// An in-memory store with the real one's matching rules (names regardless of
// case) and switches for its failures.
class MemorySettingsStore : public SettingsStore {
public:
    QString ReadSetting(const QString& section, const QString& name, const QString& defaultValue) override;
    void WriteSetting(const QString& section, const QString& name, const QString& value) override;
    void EraseSection(const QString& section) override;
    QStringList ReadSections() override { return sections.keys(); }

    // Section -> (value name -> text), names as first written.
    QMap<QString, QMap<QString, QString>> sections;
    // Value names that hold a non-string value.
    QSet<QString> nonStringValues;
    // When set, writes fail as if the store could not be created.
    bool failCreate = false;
    // Writes succeed this many times more, then fail as if the value could
    // not be stored (negative: never).
    int writesBeforeFailure = -1;
    // Every operation, as "read Main/QuakeDir", "write Main/Version=1.0", "erase x".
    QStringList log;

private:
    QString sectionKey(const QString& section) const;
};

class FakeInstanceGuard : public InstanceGuard {
public:
    bool ActivatePreviousInstance(const QString& windowTitle) override
    {
        titles << windowTitle;
        return anotherCopyRuns;
    }
    bool anotherCopyRuns = false;
    QStringList titles;
};

class RecordingDesktop : public Desktop {
public:
    void beep() override { ++beeps; }
    void setWaitCursor(bool on) override
    {
        waitCursor = on;
        changes << on;
    }
    bool placesWindowsItself() const override { return placesWindows; }
    int beeps = 0;
    bool placesWindows = false;
    bool waitCursor = false;
    QList<bool> changes;
};

// Serves pictures from memory and records the order of requests; a path not
// given raises the real loader's error.
class FakePictureLoader : public PictureLoader {
public:
    QImage load(const QString& path) override;

    // A plain picture of that size and colour under `path`.
    void add(const QString& path, const QSize& size, QColor colour);

    QHash<QString, QImage> pictures;
    QStringList requests;
};

} // namespace umbraxis
