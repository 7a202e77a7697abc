#include "platform/files/FileAttributes.h"

#include <QFile>

#include <algorithm>
#include <unistd.h>
#include <vector>

namespace umbraxis {

namespace {

bool isOwnGroup(gid_t group)
{
    static const std::vector<gid_t> groups = [] {
        std::vector<gid_t> list(1, ::getegid());
        const int count = ::getgroups(0, nullptr);
        if (count > 0) {
            std::vector<gid_t> more(static_cast<std::size_t>(count));
            const int got = ::getgroups(count, more.data());
            if (got > 0)
                list.insert(list.end(), more.begin(), more.begin() + got);
        }
        return list;
    }();
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

} // namespace

bool isReadOnlyEntry(const struct stat& st)
{
    // A superuser sees the same answer as anyone else who owns the file.
    if (S_ISLNK(st.st_mode))
        return false;
    static const uid_t user = ::geteuid();
    if (st.st_uid == user)
        return !(st.st_mode & S_IWUSR);
    if (isOwnGroup(st.st_gid))
        return !(st.st_mode & S_IWGRP);
    return !(st.st_mode & S_IWOTH);
}

unsigned attributesOf(const char* name, const struct stat& st)
{
    unsigned attributes = 0;
    if (name[0] == '.')
        attributes |= faHidden;
    if (S_ISDIR(st.st_mode))
        attributes |= faDirectory;
    else if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        attributes |= faSystem;
    if (isReadOnlyEntry(st))
        attributes |= faReadOnly;
    return attributes;
}

DirEntry dirEntryOf(const QByteArray& name, unsigned attributes, const struct stat& st)
{
    const bool sized = S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
    return {QFile::decodeName(name), attributes, sized ? std::int64_t(st.st_size) : 0};
}

std::int64_t nanoseconds(const timespec& time)
{
    return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

void stampOf(const struct stat& st, FileStamp& stamp)
{
    stamp.regular = S_ISREG(st.st_mode);
    stamp.directory = S_ISDIR(st.st_mode);
    stamp.size = stamp.regular ? std::int64_t(st.st_size) : 0;
    stamp.modified = nanoseconds(st.st_mtim);
}

} // namespace umbraxis
