#include "platform/files/CdFinder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace umbraxis;

namespace {

// A mountinfo line: id, parent, device, root, point, options, "-", type, source, options.
QByteArray line(const char* root, const char* point, const char* type, const char* source)
{
    return QByteArray("36 25 8:1 ") + root + ' ' + point + " rw,relatime shared:1 - " + type + ' ' + source + " rw\n";
}

class TableFinder : public CdFinder {
public:
    QByteArray mountTable() const override { return table; }
    bool isRemovable(const QString& device) const override { return device == QLatin1String("/dev/sdb1"); }
    QByteArray table;
};

void makeCd(const QString& folder, const char* catalogue = "levels.csv", const char* images = "images")
{
    ASSERT_TRUE(QDir().mkpath(folder + '/' + images));
    QFile file(folder + '/' + catalogue);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Title,Dir\r\n");
}

} // namespace

TEST(CdCandidates, TakesDiscsSticksAndMountsUnderTheDesktopsFoldersInTheTablesOrder)
{
    struct Row {
        const char* what;
        QByteArray table;
        QStringList expected;
    };
    const Row rows[] = {
        {"the system disk and pseudo file systems",
         line("/", "/", "ext4", "/dev/sda1") + line("/", "/proc", "proc", "proc")
             + line("/", "/home", "ext4", "/dev/sda2"),
         {}},
        {"a disc the desktop mounted", line("/", "/media/me/UMBRAXIS", "iso9660", "/dev/sr0"), {"/media/me/UMBRAXIS"}},
        {"blanks and backslashes escaped",
         line("/", "/run/media/me/UMBRAXIS\\040CD\\134x", "udf", "/dev/sr0"),
         {"/run/media/me/UMBRAXIS CD\\x"}},
        {"a disc image mounted anywhere", line("/", "/home/me/iso", "iso9660", "/dev/loop3"), {"/home/me/iso"}},
        {"an optical drive by its device", line("/", "/cdrom", "auto", "/dev/sr1"), {"/cdrom"}},
        {"a removable stick anywhere, a fixed disk not",
         line("/", "/data/stick", "vfat", "/dev/sdb1") + line("/", "/data/disk", "ext4", "/dev/sda3"),
         {"/data/stick"}},
        {"bind mounts: of a folder under /mnt, of the disc elsewhere, of a folder elsewhere",
         line("/home/me/umbraxis", "/mnt/cd", "ext4", "/dev/sda2") + line("/", "/srv/disc", "iso9660", "/dev/sr0")
             + line("/home/me/other", "/srv/other", "ext4", "/dev/sda2"),
         {"/mnt/cd", "/srv/disc"}},
        {"network, user-space and automount points are never looked at",
         line("/", "/mnt/share", "cifs", "//server/share") + line("/", "/media/me/phone", "fuse.jmtpfs", "jmtpfs")
             + line("/", "/media/cdrom", "autofs", "systemd-1") + line("/", "/mnt/nfs", "nfs4", "server:/x"),
         {}},
        {"the roots themselves count, look-alikes do not",
         line("/", "/mnt", "ext4", "/dev/sda4") + line("/", "/mediafiles", "ext4", "/dev/sda5")
             + line("/", "/run/mediax", "tmpfs", "tmpfs"),
         {"/mnt"}},
        {"several candidates, each once, in order",
         line("/", "/media/me/STICK", "vfat", "/dev/sdc1") + line("/", "/media/me/UMBRAXIS", "iso9660", "/dev/sr0")
             + line("/", "/media/me/STICK", "tmpfs", "tmpfs") + line("/", "/mnt/iso", "iso9660", "/dev/loop0"),
         {"/media/me/STICK", "/media/me/UMBRAXIS", "/mnt/iso"}},
        {"short and broken lines",
         "36 25 8:1 / /media/x rw\n\n- iso9660\n" + line("/", "/media/y", "tmpfs", "tmpfs"),
         {"/media/y"}},
    };
    const TableFinder finder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(cdCandidates(row.table, [&](const QString& device) { return finder.isRemovable(device); }),
                  row.expected);
    }
}

TEST(CdRoot, IsAFolderWithTheCatalogueAndTheImagesFolderInAnyCase)
{
    QTemporaryDir dir;
    const QString base = dir.path();
    makeCd(base + "/lower");
    makeCd(base + "/upper", "LEVELS.CSV", "IMAGES");
    makeCd(base + "/mixed", "Levels.Csv", "Images");
    ASSERT_TRUE(QDir().mkpath(base + "/empty"));
    makeCd(base + "/catalogue-only/x");
    ASSERT_TRUE(QFile::rename(base + "/catalogue-only/x/levels.csv", base + "/catalogue-only/levels.csv"));
    ASSERT_TRUE(QDir().mkpath(base + "/catalogue-is-a-folder/levels.csv"));
    ASSERT_TRUE(QDir().mkpath(base + "/catalogue-is-a-folder/images"));
    makeCd(base + "/images-is-a-file", "levels.csv", "x");
    QFile(base + "/images-is-a-file/images").open(QIODevice::WriteOnly);

    const struct {
        const char* folder;
        CdRootCheck expected;
    } rows[] = {
        {"lower", CdRootCheck::Root},
        {"upper", CdRootCheck::Root},
        {"mixed", CdRootCheck::Root},
        {"empty", CdRootCheck::NoCatalogue},
        {"catalogue-only", CdRootCheck::NoImages},
        {"catalogue-is-a-folder", CdRootCheck::NoCatalogue},
        {"images-is-a-file", CdRootCheck::NoImages},
        {"missing", CdRootCheck::Unreadable},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.folder);
        EXPECT_EQ(checkCdRoot(base + '/' + row.folder), row.expected);
    }
    EXPECT_EQ(checkCdRoot(QString()), CdRootCheck::Unreadable);
}

TEST(CdFinder, TakesTheFirstCandidateThatIsACdRoot)
{
    QTemporaryDir dir;
    const QString base = dir.path();
    ASSERT_TRUE(QDir().mkpath(base + "/a stick"));
    makeCd(base + "/UMBRAXIS CD", "LEVELS.CSV", "IMAGES");
    makeCd(base + "/second");
    const QByteArray escaped = QFile::encodeName(base).replace(" ", "\\040");

    TableFinder finder;
    finder.table = line("/", escaped + "/a\\040stick", "vfat", "/dev/sdb1")
        + line("/", escaped + "/gone", "iso9660", "/dev/sr1")
        + line("/", escaped + "/UMBRAXIS\\040CD", "iso9660", "/dev/sr0")
        + line("/", escaped + "/second", "iso9660", "/dev/loop0");
    EXPECT_EQ(finder.findMounted(), base + "/UMBRAXIS CD");

    // The same folders, none of them where a disc would be: nothing found.
    finder.table = line("/", escaped + "/UMBRAXIS\\040CD", "ext4", "/dev/sda2");
    EXPECT_EQ(finder.findMounted(), QString());
}
