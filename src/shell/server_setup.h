#pragma once
// The shell's share of the server: the program's database and what a new
// one holds, and the lock passwords of the lock window.
#include "platform/db/db.h"

namespace shell {

// Names the program database ("ORU") and grants every menu right in a new
// server, so no menu goes away before an administrator has set the rights.
void registerServerSetup();

// Lock passwords (table LctPswd of the program database), stored hashed.
void addLockPassword(const QString &serverName, const QString &password);
int removeLockPasswords(const QString &serverName); // removes all; returns how many
int lockPasswordCount(const QString &serverName);
// True when `typed` is one of the lock passwords (letter case ignored).
bool checkLockPassword(db::Connection &conn, const QString &typed);

} // namespace shell
