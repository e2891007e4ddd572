#pragma once
// The PostgreSQL engine: a session on a database of a PostgreSQL server,
// for offices where several computers share one book.
//
// Storage: money is integer cents in the domain oru_money (over bigint),
// exactly as the embedded engine stores it; dates are DATE; text columns the
// schema marks COLLATE NOCASE use the nondeterministic ICU collation
// "nocase", so the program's SQL keeps its spelling. Work tables are TEMP
// tables, private to the session. Parameters travel bound, never in the text.
#include "platform/db/engine.h"
#include "platform/db/internal.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>

struct pg_conn;
struct pg_result;

namespace db::detail {

// Where a PostgreSQL server's database is, and how its connections are
// secured: `sslmode` empty means TLS required (its certificate checked
// against `sslrootcert` when one is named); only "disable" turns TLS off.
struct PgAddress {
    QString host;
    int port = 5432;
    QString database;
    QString sslmode;
    QString sslrootcert;
};

// The schema that holds the program's objects in its database, owned by the
// database's owner role (pgOwnerRole); program sessions search pg_catalog
// first, then it.
inline constexpr const char *kPgSchema = "oru";

struct ClosePg {
    void operator()(pg_conn *c) const;
};
using PgHandle = std::unique_ptr<pg_conn, ClosePg>;
struct ClearPg {
    void operator()(pg_result *r) const;
};
using PgResult = std::unique_ptr<pg_result, ClearPg>;

// The program's "?" parameters as PostgreSQL's $1, $2, ... (quoted text,
// quoted names and comments left alone); `count` gets their number.
QByteArray pgText(const QString &sql, int *count);

// The result when it is no failure; else throws the error it is
// (BusyError, DiskFullError, ConnectionLostError, ...).
PgResult pgChecked(pg_result *r, pg_conn *c);
// The rows a statement changed, by its command tag.
std::int64_t pgChangedRows(pg_result *r);

class PgSession final : public engine::Session {
public:
    // Connects as that login; throws db::Error with the server's reason.
    PgSession(const PgAddress &address, const QString &user, const QString &password);
    ~PgSession() override;

    pg_conn *handle() const { return m_conn.get(); }
    const PgAddress &address() const { return m_address; }
    // Another session changed the tables (a schema step run by the
    // administrator): what this one knows of them is read again, and the
    // names a CREATE text spells are learnt.
    void schemaChanged(const QString &ddl);

    std::int64_t execute(const QString &sql, const Params &params) override;
    Value scalar(const QString &sql, const Params &params) override;
    engine::Result query(const QString &sql, const Params &params) override;
    std::vector<Column> columns(const QString &sql) override;
    void checkLogin(const QString &user, const QString &password, const QString &database) override;
    engine::TableInfo table(const QString &name) override;
    std::unique_ptr<engine::RowStatement> rowStatement(const QString &sql) override;
    std::int64_t lastInsertKey() override;
    bool isSysadmin(const QString &login) override;
    void setProgressHandler(std::function<bool()> handler) override { m_progress = std::move(handler); }
    void setObserver(StatementObserver observer) override { m_observer = std::move(observer); }
    void setLockWait(int milliseconds) override;
    // Unquoted names fold to lower case in the server's catalogue, so a
    // quoted name of the program's is written folded.
    QString quotedName(const QString &name) const override { return Session::quotedName(name.toLower()); }
    std::unique_ptr<LoginStore> logins() override;
    int schemaVersion() override;
    // A PostgreSQL server keeps no cost of its own: the program's default.
    server::HashCost hashCost() override { return server::HashCost::Interactive; }
    void runAsOwner(const QString &sql) override;
    bool inTransaction() override;
    void begin() override;
    void beginSnapshot() override;
    void savepoint(const QString &name) override;
    void commit(const QString &savepoint) override;
    void rollback(const QString &savepoint) noexcept override;

    // Runs one statement as written (no parameters), for the layer's own
    // set-up and transaction control.
    void run(const char *sql);
    // BEGIN (`begin`), then the transaction's first statement.
    void beginWith(const char *begin, const char *first);
    // Runs a script of statements as written (a schema step); the first
    // column of every row its queries return goes into `rows`, also when a
    // later statement fails and the script throws.
    void runScript(const char *sql, QStringList *rows);
    // The name of a prepared statement for the text, prepared once and kept
    // in the session's cache.
    QByteArray prepared(const QString &sql);
    // A statement prepared now under a new name, outside the cache.
    QByteArray prepare(const QString &sql);
    void deallocate(const QByteArray &name) noexcept;
    // Runs a prepared statement with the values as text; throws on failure.
    PgResult runPrepared(const QByteArray &name, const std::vector<const Value *> &values);
    // The storage rule of a column (Null: none such), an existing table
    // with an empty column; temporary tables first, as statements find them.
    Type kindIn(const QString &table, const QString &column);
    // The key an insert of a recordset's row gave (its rowid), kept for
    // lastInsertKey(); -1 when it gave none.
    void setInsertedKey(std::int64_t key) { m_insertedKey = key; }
    std::weak_ptr<char> life() const { return m_life; }
    // A lost connection is made again here, outside a transaction, with the
    // session's settings; inside one, or when the server cannot be reached,
    // throws ConnectionLostError. Every statement goes through it first.
    void reconnectIfLost();
    // Tells the observer of a statement the session is about to run.
    void tell(const QString &sql)
    {
        if (m_observer)
            m_observer(sql);
    }
    void tell(const char *sql)
    {
        if (m_observer)
            m_observer(QString::fromUtf8(sql));
    }
    // Counts the connections made: a statement prepared on an earlier one
    // must be prepared again.
    int connectionNumber() const { return m_connectionNumber; }

private:
    Column describe(pg_result *r, int i, const QString &sql, bool *hidden = nullptr);
    // The statement's words (statementWords), kept per statement text.
    const QHash<QString, QString> &wordsOf(const QString &sql);
    PgResult runWith(const QString &sql, const Params &params);
    // Runs f, a read of `sql`; outside a transaction a lost connection is
    // made again and the read sent once more, and a read that still fails
    // says it could not read (not that nothing was saved).
    template <class F> auto retryingRead(const QString &sql, F &&f) -> decltype(f());
    // With a progress handler, a statement is sent and waited for here,
    // the handler asked between waits and the statement cancelled on the
    // server when it says stop; `sent` is what sending it returned.
    pg_result *awaitResult(int sent);
    // Values converted by the storage rule of the column each one meets.
    std::vector<Value> converted(const QString &sql, const Params &params, const QByteArray &prepared);
    void forgetTables()
    {
        m_kinds.clear();
        m_kindsRead = false;
        m_rules.clear();
    }
    // The layer's own catalogue queries, with their arguments as text.
    PgResult ask(const char *sql, const std::vector<QByteArray> &args);

    PgAddress m_address;
    PgHandle m_conn;
    std::function<bool()> m_progress;
    StatementObserver m_observer;
    QHash<QString, QByteArray> m_prepared; // statement text -> prepared name
    struct Origin {
        QString table, column, declType;
        bool addedRowid = false; // the rowid column pgSchema gives a table
    };
    QHash<quint64, Origin> m_origins; // (table oid, column number) -> origin
    int m_nextName = 0;
    QHash<QString, QString> m_spellings; // folded name -> the schema's spelling
    QHash<QString, QHash<QString, QString>> m_words; // statement text -> its words
    QHash<QByteArray, int> m_paramCounts; // prepared name -> its number of parameters
    QHash<QString, QHash<QString, Type>> m_kinds; // table -> column -> storage rule
    bool m_kindsRead = false;
    QHash<QByteArray, std::vector<ParamRule>> m_rules; // prepared name -> its parameters' rules
    std::int64_t m_insertedKey = -1;
    QList<QByteArray> m_settings; // SET statements run outside a transaction, in order
    bool m_ready = true; // the connection has the session's settings
    bool m_writing = false; // begin() ran and no commit or rollback ended it
    int m_connectionNumber = 0;
    std::shared_ptr<char> m_life = std::make_shared<char>(0);
};

// A schema step of the embedded schema as PostgreSQL reads it: INTEGER as
// BIGINT (an AUTOINCREMENT key numbered by the server, another integer key
// left out of an insert the largest plus one), MONEY as oru_money, REAL as
// DOUBLE PRECISION, and every table given the embedded engine's `rowid`
// (its integer key, or else an identity: the insertion order); the rest as
// written.
QByteArray pgSchema(const char *sql);
// A statement of the program as PostgreSQL reads it: CREATE TABLE as
// pgSchema, strftime() as to_char(), total() as a sum that is 0 over no
// rows, date(x) as a cast, char() as oru_char(), group_concat() as
// string_agg(), printf() as oru_printf(), LIKE under a deterministic
// collation without regard to case, `IS ?` as IS NOT DISTINCT FROM, a
// subquery in FROM named. The rest as written; throws Error on a construct
// of the embedded engine it has no translation for (an unknown strftime()
// format, julianday(), a name quoted in [...], a parameter other than ?, ...).
QString pgDialect(const QString &sql);
// The words of a CREATE text that PostgreSQL would fold (its table and
// column names), lower-cased to their spelling; the first one met stays.
void learnSpellings(const QString &ddl, QHash<QString, QString> *names);
// The words of a statement, lower-cased to their first spelling.
QHash<QString, QString> statementWords(const QString &sql);
// A result column's name as the program spells it: as the statement
// writes it (its own alias or column; `statement` from statementWords()),
// else as the schema does.
QString pgColumnName(
    const QString &folded, const QHash<QString, QString> &statement, const QHash<QString, QString> &known);
// Quoted names spelled as the schema spells a table or column (a recordset's
// or a report's own statements quote them) folded as PostgreSQL holds them.
QString foldKnownNames(const QString &sql, const QHash<QString, QString> &known);
// The statement's select list names rowid (else a table's added rowid
// column stays out of `Select *`).
bool pgSelectsRowid(const QString &sql);
// Applies the steps of `list` above the database's version, as
// schema::migrate does on the embedded engine; the version is in oru_schema.
void migratePg(PgSession &session, const std::vector<Migration> &list);
// The database lacks steps of `list` (or what a database of an earlier
// build lacks); throws when it is newer than the program.
bool pgNeedsUpgrade(PgSession &session, const std::vector<Migration> &list);

// What the program's SQL needs in a database, made by its owner once in the
// schema "oru": the collation "nocase", the money domain and the functions
// len(), money(), ifnull(), instr(), year(), month() and day().
void preparePgDatabase(PgSession &owner);

} // namespace db::detail
