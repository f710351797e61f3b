// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The POSIX systems' DiskPlatform::copyMetadata: owner, group, permission bits
// and extended attributes, POSIX ACLs among them.

#include "diskplatform.h"

#include <QByteArray>

#include <cerrno>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// A list or value of the *xattr calls, read(buffer, size): the size is asked
// first, and the read done again if the value grew in between.
template<typename Read>
int readSized(QByteArray &into, Read read)
{
    for (;;) {
        const ssize_t size = read(nullptr, 0);
        if (size < 0)
            return errno;
        into.resize(size);
        if (size == 0)
            return 0;
        const ssize_t got = read(into.data(), size_t(size));
        if (got >= 0) {
            into.resize(got);
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
}

int copyExtendedAttributes(int from, int to)
{
    QByteArray names;
    const auto list = [from](char *buffer, size_t size) { return ::flistxattr(from, buffer, size); };
    if (const int error = readSized(names, list))
        return error == ENOTSUP ? 0 : error;
    for (qsizetype at = 0; at < names.size();) {
        const char *name = names.constData() + at;
        at += qstrlen(name) + 1;
        QByteArray value;
        if (const int error = readSized(value, [from, name](char *buffer, size_t size) {
                return ::fgetxattr(from, name, buffer, size);
            })) {
            if (error == ENODATA) // removed since it was listed
                continue;
            return error;
        }
        if (::fsetxattr(to, name, value.constData(), size_t(value.size()), 0) != 0)
            return errno;
    }
    return 0;
}

} // namespace

// A user who may not give files away keeps the new file's owner, and a group
// the user is not in leaves the group as it is.
int DiskPlatform::copyMetadata(const OpenFile &fromFile, const DiskFile &fromInfo, const OpenFile &toFile)
{
    const int from = int(fromFile.get());
    const int to = int(toFile.get());
    if (::geteuid() == 0) {
        if (::fchown(to, fromInfo.owner, fromInfo.group) != 0)
            return errno;
    } else if (::fchown(to, uid_t(-1), fromInfo.group) != 0 && errno != EPERM) {
        return errno;
    }
    // A file made in a folder with a default ACL starts with an ACL of its own;
    // the original's takes its place below, and where it has none, none stays.
    static const char accessAcl[] = "system.posix_acl_access";
    if (::fgetxattr(from, accessAcl, nullptr, 0) < 0 && errno == ENODATA && ::fremovexattr(to, accessAcl) != 0
        && errno != ENODATA && errno != ENOTSUP)
        return errno;
    // After the owner and the ACL: a change of owner clears the set-ID bits, and an ACL sets the group's.
    if (::fchmod(to, fromInfo.mode & 07777) != 0)
        return errno;
    return copyExtendedAttributes(from, to);
}
