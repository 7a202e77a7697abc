#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace umbraxis {

// What a look at a folder says about it being the root of an Umbraxis CD.
enum class CdRootCheck {
    Root,        // it holds levels.csv and the images folder
    Unreadable,  // it does not exist or cannot be listed
    NoCatalogue, // no levels.csv file
    NoImages,    // no images folder
};

// A CD root holds the catalogue file `levels.csv` and the `images` folder,
// names in any letter case (a disc may show them in capitals). One listing
// of the folder; nothing is written.
CdRootCheck checkCdRoot(const QString& folder);

// The mount points in the text of /proc/self/mountinfo that may hold the CD,
// in the table's order and each once: optical mounts (iso9660, udf, /dev/sr*),
// removable ones (as `isRemovable` says of their device), and every mount at
// or below /media, /run/media and /mnt, where desktops mount discs, sticks
// and disc images. The kernel's pseudo file systems and network or user-space
// mounts are left out, so that a dead server can never hold up the start.
QStringList cdCandidates(const QByteArray& mountInfo, const std::function<bool(const QString& device)>& isRemovable);

// Finds the CD on this machine.
class CdFinder {
public:
    virtual ~CdFinder() = default;

    // Makes `folder` the working directory of the process.
    virtual bool enter(const QString& folder);
    // The text of /proc/self/mountinfo now.
    virtual QByteArray mountTable() const;
    // Whether the block device `device` ("/dev/sdb1") is removable.
    virtual bool isRemovable(const QString& device) const;

    // The first CD root among the mounted file systems, or empty.
    QString findMounted() const;
    // The same for the mount table `table`.
    QString findMounted(const QByteArray& table) const;
};

} // namespace umbraxis
