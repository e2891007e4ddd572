#pragma once
// The embedded engine: a session on a server folder's SQLite files, with
// its statement cache (sqlite_session.cpp), and the server as a whole
// (sqlite_server.cpp).
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
    void setObserver(StatementObserver observer) override;
    void setLockWait(int milliseconds) override;
    std::unique_ptr<LoginStore> logins() override;
    int schemaVersion() override;
    server::HashCost hashCost() override;
    void runAsOwner(const QString &sql) override;
    bool inTransaction() override;
    void begin() override;
    void beginSnapshot() override;
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
    StatementObserver m_observer;
};

// The logins of the server whose master.db is open, and the users of the
// open database.
std::unique_ptr<LoginStore> embeddedLogins(sqlite3 *master, sqlite3 *db);
// The embedded server at that folder.
std::unique_ptr<engine::Server> embeddedServer(const QString &path, const QString &shownServer);

} // namespace db::detail
