#include "locator/QuakeLocator.h"

#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "shell/Progress.h"
#include "shell/Shell.h"

#include <vector>

namespace umbraxis {

namespace {

// What a directory's listing says about Quake.
struct Findings {
    bool hasQuakeExe = false;
    bool hasId1 = false;
};

Findings lookAt(const std::vector<WalkEntry>& entries)
{
    Findings findings;
    for (const WalkEntry& entry : entries) {
        // Any entry called quake.exe counts, a folder or a hidden file too;
        // id1 counts only when it is neither hidden nor a system entry.
        if (!findings.hasQuakeExe && entry.isNamed("quake.exe"))
            findings.hasQuakeExe = true;
        if (!findings.hasId1 && entry.isNamed("id1") && !(entry.attributes & (faHidden | faSystem)))
            findings.hasId1 = true;
    }
    return findings;
}

bool isWalkable(const WalkEntry& entry)
{
    return (entry.attributes & faDirectory) && !(entry.attributes & (faHidden | faSystem));
}

} // namespace

QuakeLocator::QuakeLocator(SettingsStore& settings, FileSystem& files, Shell& shell, Progress& progress,
                           Variant variant)
    : m_settings(settings)
    , m_files(files)
    , m_shell(shell)
    , m_progress(progress)
    , m_variant(variant)
{
}

bool QuakeLocator::SearchForQuake(QString& directory)
{
    m_examined = 0;
    m_progress.setStatus(QStringLiteral("Searching for Quake"));
    m_progress.setPosition(0);

    QString candidate = m_shell.KnownQuakeDir;
    if (candidate.isEmpty())
        candidate = m_settings.ReadSetting(QStringLiteral("Main"), QStringLiteral("QuakeDir"), QString());

    bool found = false;
    QString current;
    // The quick check takes the known directory as it is: "quake.exe" is
    // appended without a separator, and id1 is not asked for.
    if (!candidate.isEmpty() && m_files.fileExists(candidate + QStringLiteral("quake.exe"))) {
        found = true;
        current = candidate;
    } else {
        std::vector<WalkDirectory> pending;
        for (int drive = 1; drive <= 10; ++drive)
            if (m_files.probeDrive(drive))
                pending.push_back(m_files.walkRoot(drive));
        // With no drive at all there is nothing to examine: not found.
        if (!pending.empty()) {
            // The first drive is taken from the front, every later
            // directory from the back: apart from that the list is a stack.
            WalkDirectory at = std::move(pending.front());
            pending.erase(pending.begin());
            std::vector<WalkEntry> entries;
            for (;;) {
                ++m_examined;
                m_files.listDirectory(at, entries);
                const Findings findings = lookAt(entries);
                found = findings.hasQuakeExe;
                if (!found) {
                    m_progress.ProgressStep();
                    for (const WalkEntry& entry : entries)
                        if (isWalkable(entry))
                            pending.push_back(m_files.walkInto(at, entry));
                }
                // quake.exe without id1 is no installation, and its
                // subdirectories were never listed: the subtree is skipped.
                if (found && !findings.hasId1)
                    found = false;
                const bool done = pending.empty() || found;
                if (!done) {
                    at = std::move(pending.back());
                    pending.pop_back();
                }
                if (pending.size() % 10 == 0)
                    m_shell.PlayCue(QStringLiteral("talk.wav"));
                if (done)
                    break;
            }
            current = at.path;
        }
    }

    m_settings.WriteSetting(QStringLiteral("Main"), QStringLiteral("QuakeDir"), current);
    directory = found ? current : QString();
    m_progress.setStatus(m_variant == Variant::RunScreen ? QStringLiteral("Ready") : QString());
    m_progress.setPosition(0);
    return found;
}

} // namespace umbraxis
