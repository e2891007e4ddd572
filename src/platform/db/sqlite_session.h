#pragma once
// The embedded engine: a session on a server folder's SQLite files, with
// its statement cache.
#include "platform/db/engine.h"
#include "platform/db/internal.h"

#include <unordered_map>

namespace db::detail {

class SqliteSession final : public engine::Session {
public:
    SqliteSession(DatabaseHandle db, DatabaseHandle master);
    ~SqliteSession() override;

    sqlite3 *db() const { return m_db.get(); }
    sqlite3 *master() const { return m_master.get(); }

    std::int64_t execute(const QString &sql, const Params &params) override;
    Value scalar(const QString &sql, const Params &params) override;
    engine::Result query(const QString &sql, const Params &params) override;
    std::vector<Column> columns(const QString &sql) override;
    void checkLogin(const QString &user, const QString &password, const QString &database) override;
    engine::TableInfo table(const QString &name) override;
    std::unique_ptr<engine::RowStatement> rowStatement(const QString &sql) override;
    std::int64_t lastInsertKey() override;
    bool isSysadmin(const QString &login) override;
    void setProgressHandler(std::function<bool()> handler) override;
    bool inTransaction() override;
    void begin() override;
    void savepoint(const QString &name) override;
    void commit(const QString &savepoint) override;
    void rollback(const QString &savepoint) noexcept override;

    // The cache: a prepared statement (kept, or prepared now) and giving it
    // back. `rules` may be null.
    StatementHandle take(const QString &sql, std::vector<ParamRule> *rules);
    void giveBack(const QString &sql, StatementHandle stmt, std::vector<ParamRule> &&rules = {});
    // Lives as long as the session: statements it lent out see when it is gone.
    std::weak_ptr<char> life() const { return m_life; }

private:
    DatabaseHandle m_master;
    DatabaseHandle m_db;
    struct Cached {
        StatementHandle stmt;
        std::vector<ParamRule> rules;
    };
    std::unordered_map<QString, Cached> m_cache; // idle prepared statements by text
    std::shared_ptr<char> m_life = std::make_shared<char>(0);
    std::function<bool()> m_progress;
};

// Checks the login against the server's master.db and opens the database
// (upgraded to the registered schema). Throws the texts the login window shows.
std::unique_ptr<SqliteSession> openSession(const QString &serverPath, const QString &shownServer,
    const QString &user, const QString &password, QString *database, Login *login);
// The open database of the server as its administrator.
std::unique_ptr<SqliteSession> openAdministration(
    const QString &serverPath, const QString &shownServer, const QString &database);

// The embedded session of an open connection (throws when closed).
SqliteSession &sqlite(const Connection &conn);

} // namespace db::detail
