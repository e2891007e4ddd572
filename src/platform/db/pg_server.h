#pragma once
// Server folders that name a PostgreSQL server's database instead of
// holding one, for offices where several computers share one book.
#include <QString>

namespace db::server {

// Makes the folder of a new server name a PostgreSQL server's database
// (host, port, database): create() then makes that database there, and the
// login window opens it as any other server.
void attach(const QString &serverName, const QString &host, int port = 5432,
    const QString &database = QStringLiteral("oru"));
// The folder names a PostgreSQL server rather than holding one.
bool attached(const QString &serverName);

} // namespace db::server
