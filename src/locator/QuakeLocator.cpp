#include "locator/QuakeLocator.h"

#include "platform/FileSystem.h"
#include "platform/QuakePlaces.h"
#include "platform/Services.h"
#include "platform/SettingsStore.h"
#include "shell/Progress.h"
#include "shell/Shell.h"

#include <vector>

namespace umbraxis {

// What a directory's listing says about Quake.
struct QuakeLocator::Findings {
    bool hasQuakeExe = false;
    bool hasId1 = false;
    // The name of a real folder called id1 in any letter case, for engines.
    QString id1Folder;

    void note(bool quakeExe, bool id1, unsigned attributes, const auto& name)
    {
        // Any entry called quake.exe counts, a folder or a hidden file too;
        // id1 counts only when it is neither hidden nor a system entry.
        if (quakeExe)
            hasQuakeExe = true;
        if (!id1 || (attributes & (faHidden | faSystem)))
            return;
        hasId1 = true;
        if ((attributes & faDirectory) && id1Folder.isEmpty())
            id1Folder = name();
    }
};

namespace {

bool isWalkable(const WalkEntry& entry)
{
    return (entry.attributes & faDirectory) && !(entry.attributes & (faHidden | faSystem));
}

bool isNamed(const DirEntry& entry, QLatin1String name)
{
    return entry.name.compare(name, Qt::CaseInsensitive) == 0;
}

} // namespace

QuakeLocator::QuakeLocator(SettingsStore& settings, FileSystem& files, Shell& shell, Progress& progress,
                           QuakePlaces* places)
    : m_settings(settings)
    , m_files(files)
    , m_shell(shell)
    , m_progress(progress)
    , m_places(places)
{
}

QuakeLocator::QuakeLocator(const Services& services, Shell& shell, Progress& progress)
    : QuakeLocator(*services.settings, *services.files, shell, progress, services.places)
{
}

QuakeLocator::Findings QuakeLocator::lookInto(const QString& folder) const
{
    Findings findings;
    for (const DirEntry& entry : m_files.findEntries(folder + QStringLiteral("*"), faDirectory | faSystem))
        findings.note(isNamed(entry, QLatin1String("quake.exe")), isNamed(entry, QLatin1String("id1")),
                      entry.attributes, [&entry] { return entry.name; });
    return findings;
}

bool QuakeLocator::holdsGameData(const QString& folder, const Findings& findings) const
{
    // An engine needs pak0.pak in id1, and a level can only be installed
    // where the user may write: a read-only copy (a system's shared game
    // data, say) is passed over.
    if (findings.hasQuakeExe || findings.id1Folder.isEmpty())
        return false;
    return !m_files.findEntries(folder + findings.id1Folder + QStringLiteral("\\pak0.pak"), 0).empty()
        && !m_files.isReadOnly(folder);
}

bool QuakeLocator::holdsQuake(const QString& folder, const Findings& findings) const
{
    return findings.hasQuakeExe ? findings.hasId1 : holdsGameData(folder, findings);
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
    // The quick check takes the known directory as it is: names are appended
    // without a separator; quake.exe alone is enough, id1 is not asked for.
    if (!candidate.isEmpty()
        && (m_files.fileExists(candidate + QStringLiteral("quake.exe"))
            || (candidate.endsWith(QLatin1Char('\\')) && holdsGameData(candidate, lookInto(candidate))))) {
        found = true;
        current = candidate;
    }

    // The places where the system keeps Quake come before any drive.
    if (!found && m_places) {
        for (const QString& place : m_places->folders()) {
            ++m_examined;
            if (holdsQuake(place, lookInto(place))) {
                m_places->keep(place);
                found = true;
                current = place;
                break;
            }
            m_progress.ProgressStep();
        }
    }

    if (!found) {
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
                Findings findings;
                for (const WalkEntry& entry : entries)
                    findings.note(entry.isNamed("quake.exe"), entry.isNamed("id1"), entry.attributes,
                                  [&entry] { return entry.name(); });
                // A directory that holds Quake makes no step, and its
                // subdirectories are never listed.
                found = findings.hasQuakeExe || holdsGameData(at.path, findings);
                if (!found) {
                    m_progress.ProgressStep();
                    for (const WalkEntry& entry : entries)
                        if (isWalkable(entry))
                            pending.push_back(m_files.walkInto(at, entry));
                }
                // quake.exe without id1 is no installation, and its
                // subdirectories were never listed: the subtree is skipped.
                if (findings.hasQuakeExe && !findings.hasId1)
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
    m_progress.setStatus(m_progress.statusAfterSearch());
    m_progress.setPosition(0);
    return found;
}

} // namespace umbraxis
