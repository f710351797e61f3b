// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <sys/stat.h>

// Gives the open file `to` the owner, group, permission bits and extended
// attributes (POSIX ACLs among them) of the open file `from`, whose owner,
// group and mode are given. A user who may not give files away keeps the new file's owner, and a
// group the user is not in leaves the group as it is. Returns 0, or the
// system's error code for what could not be given.
int copyFileMetadata(int from, uid_t owner, gid_t group, mode_t mode, int to);
