// The PostgreSQL engine's session over libpq: statements prepared once and
// run with bound text parameters, results typed by their origin columns,
// write transactions serialised by an advisory lock.
#include "platform/db/pg_session.h"
#include "platform/db/internal.h"
#include "platform/db/pg_server_p.h"
#include "platform/db/pg_values_p.h"
#include "platform/db/schema.h"

#include <libpq-fe.h>
#include <poll.h>

namespace db::detail {

void ClosePg::operator()(pg_conn *c) const
{
    PQfinish(c);
}

void ClearPg::operator()(pg_result *r) const
{
    PQclear(r);
}

namespace {

// Prepared statements a session keeps, as the embedded engine's cache.
constexpr qsizetype kCacheLimit = 200;

// The session is gone: the server closed it (restarted, or ended it) or the
// network between broke. Class 57P is a shut-down server, 08 the connection.
bool connectionLost(const char *state, pg_conn *c)
{
    if (PQstatus(c) == CONNECTION_BAD)
        return true;
    return state && (qstrncmp(state, "57P", 3) == 0 || qstrncmp(state, "08", 2) == 0);
}

[[noreturn]] void failWith(pg_result *r, pg_conn *c)
{
    const char *state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    if (connectionLost(state, c))
        throw ConnectionLostError();
    if (state) {
        const QByteArray code(state);
        // Waited too long for another copy's lock, a deadlock, or a
        // serialisation conflict: nothing took effect.
        if (code == "55P03" || code == "40P01" || code == "40001")
            throw BusyError();
        if (code == "53100")
            throw DiskFullError();
        if (code == "22003") // a value or sum past its type's range
            throw OverflowError(QStringLiteral("A total is too large for an amount; nothing was changed."));
    }
    const char *primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    QString msg = QString::fromUtf8(primary ? primary : PQerrorMessage(c)).trimmed();
    if (msg.isEmpty())
        msg = QStringLiteral("The database server did not answer.");
    throw Error(msg);
}

} // namespace

PgResult pgChecked(pg_result *r, pg_conn *c)
{
    PgResult out(r);
    const ExecStatusType st = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK)
        failWith(r, c);
    return out;
}

std::int64_t pgChangedRows(pg_result *r)
{
    const char *n = PQcmdTuples(r);
    return n && *n ? QByteArray(n).toLongLong() : 0;
}

namespace {

// A statement that changes what tables and columns there are.
bool changesTables(QStringView sql)
{
    const QStringView head = sql.trimmed().left(6);
    return head.startsWith(u"create", Qt::CaseInsensitive) || head.startsWith(u"alter", Qt::CaseInsensitive)
        || head.startsWith(u"drop", Qt::CaseInsensitive) || head.startsWith(u"do", Qt::CaseInsensitive);
}

bool wantsCache(const QString &sql)
{
    // Set-up statements run once; everything that may run often is prepared.
    const QString head = sql.trimmed().left(7).toLower();
    return head.startsWith(u"select") || head.startsWith(u"insert") || head.startsWith(u"update")
        || head.startsWith(u"delete") || head.startsWith(u"with");
}

} // namespace

void PgSession::schemaChanged(const QString &ddl)
{
    forgetTables();
    if (ddl.trimmed().startsWith(QLatin1String("create"), Qt::CaseInsensitive))
        learnSpellings(ddl, &m_spellings);
}

PgSession::~PgSession() = default;

void PgSession::run(const char *sql)
{
    reconnectIfLost();
    if (changesTables(QString::fromUtf8(sql)))
        forgetTables();
    // The session's settings (SET ..., SET ROLE ...) are made again on a new
    // connection; those of a transaction end with it.
    const bool setting = qstrnicmp(sql, "SET ", 4) == 0 && qstrnicmp(sql, "SET LOCAL ", 10) != 0
        && qstrnicmp(sql, "SET TRANSACTION", 15) != 0 && PQtransactionStatus(m_conn.get()) == PQTRANS_IDLE;
    tell(sql);
    pgChecked(PQexec(m_conn.get(), sql), m_conn.get());
    if (setting && !m_settings.contains(QByteArray(sql)))
        m_settings.push_back(QByteArray(sql));
}

namespace {

// Whether the server has closed an idle connection: a server that restarted
// or ended the session sends its last word and closes the socket, which
// libpq notices only when it reads. Read what is waiting (nothing is sent),
// so the status says whether the connection is still there.
bool closedByServer(pg_conn *c)
{
    for (int i = 0; i < 4 && PQstatus(c) == CONNECTION_OK; ++i) {
        pollfd waiting {PQsocket(c), POLLIN, 0};
        if (poll(&waiting, 1, 0) <= 0)
            break;
        if (!PQconsumeInput(c))
            break;
    }
    return PQstatus(c) != CONNECTION_OK;
}

// A statement that only reads: sent again on a new connection it does
// nothing twice. (A SELECT of a function that writes, as the login
// procedures make, goes through execute, never through a read.)
bool isRead(const QString &sql)
{
    const QStringView head = QStringView(sql).trimmed().left(6);
    return head.startsWith(u"select", Qt::CaseInsensitive);
}

} // namespace

void PgSession::reconnectIfLost()
{
    if (m_ready && PQstatus(m_conn.get()) == CONNECTION_OK
        && (m_writing || PQtransactionStatus(m_conn.get()) != PQTRANS_IDLE || !closedByServer(m_conn.get())))
        return;
    // Inside a transaction its work is gone with the connection: every
    // statement fails until its guard has rolled back, so that nothing of
    // it is done again on a new connection as if the rest had been.
    if (m_writing)
        throw ConnectionLostError();
    m_ready = false;
    // The same server, database and login as when the session began
    // (libpq keeps them for the connection).
    PQreset(m_conn.get());
    if (PQstatus(m_conn.get()) != CONNECTION_OK)
        throw ConnectionLostError();
    ++m_connectionNumber;
    // Statements prepared, and temporary tables, were the old connection's.
    m_prepared.clear();
    m_paramCounts.clear();
    forgetTables();
    for (const QByteArray &sql : std::as_const(m_settings)) {
        tell(sql.constData());
        pgChecked(PQexec(m_conn.get(), sql.constData()), m_conn.get());
    }
    m_ready = true;
}

template <class F> auto PgSession::retryingRead(const QString &sql, F &&f) -> decltype(f())
{
    // Only a read outside a transaction: within one, the transaction's work
    // is gone with the connection and must not go on on a new one.
    if (!isRead(sql) || m_writing
        || (PQstatus(m_conn.get()) == CONNECTION_OK && PQtransactionStatus(m_conn.get()) != PQTRANS_IDLE))
        return f();
    try {
        return f();
    } catch (const ConnectionLostError &) {
        m_ready = false; // the next statement makes the connection again first
    }
    try {
        return f();
    } catch (const ConnectionLostError &) {
        throw ConnectionLostError(ConnectionLostError::When::Reading);
    }
}

void PgSession::runScript(const char *sql, QStringList *rows)
{
    forgetTables();
    tell(sql);
    if (!PQsendQuery(m_conn.get(), sql))
        failWith(nullptr, m_conn.get());
    // Every statement's result is read, so the connection is ready again
    // whatever failed; the first failure is thrown afterwards.
    PgResult failed;
    while (pg_result *r = PQgetResult(m_conn.get())) {
        PgResult result(r);
        const ExecStatusType st = PQresultStatus(r);
        if (st == PGRES_TUPLES_OK && PQnfields(r) > 0) {
            for (int i = 0; i < PQntuples(r); ++i)
                rows->append(QString::fromUtf8(PQgetvalue(r, i, 0)));
        } else if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK && !failed) {
            failed = std::move(result);
        }
    }
    if (failed)
        failWith(failed.get(), m_conn.get());
}

QByteArray PgSession::prepare(const QString &sql)
{
    reconnectIfLost();
    int count = 0;
    const QByteArray text = pgText(foldKnownNames(sql, m_spellings), &count);
    const QByteArray name = "oru_" + QByteArray::number(++m_nextName);
    pgChecked(PQprepare(m_conn.get(), name.constData(), text.constData(), 0, nullptr), m_conn.get());
    m_paramCounts.insert(name, count);
    return name;
}

void PgSession::deallocate(const QByteArray &name) noexcept
{
    // The name is ours ("oru_" and a number). In a failed transaction the
    // server refuses; the statement then lives until the session ends.
    m_paramCounts.remove(name);
    PQclear(PQexec(m_conn.get(), ("DEALLOCATE " + name).constData()));
}

QByteArray PgSession::prepared(const QString &sql)
{
    auto it = m_prepared.constFind(sql);
    if (it != m_prepared.constEnd())
        return *it;
    // Texts built with literals would otherwise pile up on the server.
    if (m_prepared.size() >= kCacheLimit) {
        for (const QByteArray &name : std::as_const(m_prepared))
            deallocate(name);
        m_prepared.clear();
        m_rules.clear();
    }
    const QByteArray name = prepare(sql);
    m_prepared.insert(sql, name);
    return name;
}

PgResult PgSession::runPrepared(const QByteArray &name, const std::vector<const Value *> &values)
{
    const BoundTexts bound(values);
    if (m_progress)
        return pgChecked(awaitResult(PQsendQueryPrepared(m_conn.get(), name.constData(), int(values.size()),
                             bound.ptrs.data(), nullptr, nullptr, 0)),
            m_conn.get());
    return pgChecked(PQexecPrepared(m_conn.get(), name.constData(), int(values.size()), bound.ptrs.data(),
                         nullptr, nullptr, 0),
        m_conn.get());
}

pg_result *PgSession::awaitResult(int sent)
{
    pg_conn *c = m_conn.get();
    if (!sent)
        return nullptr;
    bool cancelled = false;
    while (PQisBusy(c)) {
        pollfd waiting {PQsocket(c), POLLIN, 0};
        if (poll(&waiting, 1, 50) > 0 && !PQconsumeInput(c))
            break;
        if (!cancelled && !m_progress()) {
            cancelled = true;
            if (PGcancel *cancel = PQgetCancel(c)) {
                char reason[256];
                PQcancel(cancel, reason, int(sizeof reason));
                PQfreeCancel(cancel);
            }
        }
    }
    // The statement's result; anything after it is drained so the
    // connection is ready for the next one.
    pg_result *result = PQgetResult(c);
    while (pg_result *more = PQgetResult(c))
        PQclear(more);
    return result;
}

PgResult PgSession::ask(const char *sql, const std::vector<QByteArray> &args)
{
    return retryingRead(QString::fromUtf8(sql), [&] {
        reconnectIfLost();
        std::vector<const char *> ptrs;
        for (const QByteArray &a : args)
            ptrs.push_back(a.constData());
        tell(sql);
        return pgChecked(
            PQexecParams(m_conn.get(), sql, int(ptrs.size()), nullptr, ptrs.data(), nullptr, nullptr, 0),
            m_conn.get());
    });
}

Type PgSession::kindIn(const QString &table, const QString &column)
{
    if (!m_kindsRead) {
        // Every table of the program and of this session at once; temporary
        // ones last, so that they hide a table of the same name.
        PgResult r = ask("SELECT c.relname, a.attname, format_type(a.atttypid, a.atttypmod), t.typname, "
                         "n.oid = pg_my_temp_schema() "
                         "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                         "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
                         "JOIN pg_type t ON t.oid = a.atttypid "
                         "WHERE c.relkind IN ('r', 'v', 'p') "
                         "AND (n.nspname = 'oru' OR n.oid = pg_my_temp_schema()) "
                         "ORDER BY n.oid = pg_my_temp_schema()",
            {});
        m_kinds.clear();
        QSet<QString> temporary;
        for (int i = 0; i < PQntuples(r.get()); ++i) {
            const QString t = QString::fromUtf8(PQgetvalue(r.get(), i, 0));
            if (PQgetvalue(r.get(), i, 4)[0] == 't' && !temporary.contains(t)) {
                temporary.insert(t);
                m_kinds.remove(t); // a temporary table hides the program's
            }
            m_kinds[t].insert(QString::fromUtf8(PQgetvalue(r.get(), i, 1)),
                kindOf(declaredType(QString::fromUtf8(PQgetvalue(r.get(), i, 2)),
                           QString::fromUtf8(PQgetvalue(r.get(), i, 3))),
                    nullptr));
        }
        m_kindsRead = true;
    }
    auto it = m_kinds.constFind(table.toLower());
    if (it == m_kinds.constEnd())
        return Type::Null;
    if (column.isEmpty())
        return Type::Text;
    return it->value(column.toLower(), Type::Null);
}

std::vector<Value> PgSession::converted(const QString &sql, const Params &params, const QByteArray &prepared)
{
    std::vector<ParamRule> rules;
    auto known = prepared.isEmpty() ? m_rules.constEnd() : m_rules.constFind(prepared);
    if (known != m_rules.constEnd()) {
        rules = *known;
    } else {
        rules = paramRules(sql, [this](const QString &t, const QString &c) { return kindIn(t, c); });
        if (!prepared.isEmpty())
            m_rules.insert(prepared, rules);
    }
    std::vector<Value> out(params.begin(), params.end());
    for (size_t i = 0; i < rules.size() && i < out.size(); ++i)
        if (rules[i].kind != Type::Null && !out[i].isNull())
            out[i] = convertFor(rules[i].kind, 0, out[i], rules[i].column, QString());
    return out;
}

PgResult PgSession::runWith(const QString &sql, const Params &params)
{
    reconnectIfLost();
    if (changesTables(sql)) {
        forgetTables();
        if (sql.trimmed().startsWith(QLatin1String("create"), Qt::CaseInsensitive))
            learnSpellings(sql, &m_spellings);
    }
    // A statement met before is translated and prepared already.
    const bool cached = wantsCache(sql);
    int count = 0;
    QByteArray text, name;
    if (cached) {
        name = prepared(sql);
        count = m_paramCounts.value(name);
    } else {
        text = pgText(foldKnownNames(sql, m_spellings), &count);
    }
    if (size_t(count) != params.size())
        throw Error(QStringLiteral("The statement takes %1 parameter(s); %2 were given.")
                        .arg(count)
                        .arg(params.size()));
    const std::vector<Value> stored = params.empty() ? std::vector<Value>() : converted(sql, params, name);
    std::vector<const Value *> values;
    values.reserve(stored.size());
    for (const Value &v : stored)
        values.push_back(&v);
    tell(sql);
    if (cached)
        return runPrepared(name, values);
    if (m_progress && params.empty())
        return pgChecked(awaitResult(PQsendQuery(m_conn.get(), text.constData())), m_conn.get());
    if (m_progress) {
        const BoundTexts bound(values);
        return pgChecked(awaitResult(PQsendQueryParams(m_conn.get(), text.constData(), count, nullptr,
                             bound.ptrs.data(), nullptr, nullptr, 0)),
            m_conn.get());
    }
    if (params.empty())
        return pgChecked(PQexec(m_conn.get(), text.constData()), m_conn.get());
    const BoundTexts bound(values);
    return pgChecked(
        PQexecParams(m_conn.get(), text.constData(), count, nullptr, bound.ptrs.data(), nullptr, nullptr, 0),
        m_conn.get());
}

std::int64_t PgSession::execute(const QString &sql, const Params &params)
{
    PgResult r = runWith(sql, params);
    return PQresultStatus(r.get()) == PGRES_TUPLES_OK ? 0 : pgChangedRows(r.get());
}

Value PgSession::scalar(const QString &sql, const Params &params)
{
    PgResult r = retryingRead(sql, [&] { return runWith(sql, params); });
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK || PQntuples(r.get()) == 0 || PQnfields(r.get()) == 0)
        return {};
    return readCell(r.get(), 0, 0, describe(r.get(), 0, sql).kind);
}

const QHash<QString, QString> &PgSession::wordsOf(const QString &sql)
{
    auto it = m_words.find(sql);
    if (it == m_words.end()) {
        if (m_words.size() >= kCacheLimit)
            m_words.clear();
        it = m_words.insert(sql, statementWords(sql));
    }
    return *it;
}

Column PgSession::describe(pg_result *r, int i, const QString &sql, bool *hidden)
{
    Column c;
    const QHash<QString, QString> &words = wordsOf(sql);
    c.name = pgColumnName(QString::fromUtf8(PQfname(r, i)), words, m_spellings);
    if (hidden)
        *hidden = false;
    const Oid table = PQftable(r, i);
    const int number = PQftablecol(r, i);
    if (table != InvalidOid && number > 0) {
        const quint64 key = (quint64(table) << 16) | quint64(number);
        auto it = m_origins.constFind(key);
        if (it == m_origins.constEnd()) {
            PgResult o
                = ask("SELECT c.relname, a.attname, format_type(a.atttypid, a.atttypmod), "
                      "t.typname, a.attname = 'rowid' AND (a.attidentity = 'a' OR a.attgenerated = 's') "
                      "FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
                      "JOIN pg_type t ON t.oid = a.atttypid "
                      "WHERE a.attrelid = $1::oid AND a.attnum = $2::int2",
                    {QByteArray::number(table), QByteArray::number(number)});
            Origin origin;
            if (PQntuples(o.get()) == 1)
                origin = {QString::fromUtf8(PQgetvalue(o.get(), 0, 0)),
                    QString::fromUtf8(PQgetvalue(o.get(), 0, 1)),
                    declaredType(QString::fromUtf8(PQgetvalue(o.get(), 0, 2)),
                        QString::fromUtf8(PQgetvalue(o.get(), 0, 3))),
                    PQgetvalue(o.get(), 0, 4)[0] == 't'};
            it = m_origins.insert(key, origin);
        }
        // Names as the schema spells them (error texts show them); written
        // back folded again (quotedName()).
        c.table = m_spellings.value(it->table, pgColumnName(it->table, words, m_spellings));
        c.origin = m_spellings.value(it->column, pgColumnName(it->column, words, m_spellings));
        c.declType = it->declType;
        if (hidden && it->addedRowid)
            *hidden = !pgSelectsRowid(sql);
    }
    c.kind = kindOf(c.declType, &c.definedSize);
    // The server names no origin through a compound subquery, and sends a
    // domain as its base type: a column named "Table.Column" (as reports
    // name theirs) reads by that column's storage rule.
    if (c.table.isEmpty()) {
        const qsizetype dot = c.name.indexOf(u'.');
        if (dot > 0) {
            const Type named = kindIn(c.name.left(dot), c.name.mid(dot + 1));
            if (named == Type::Money || named == Type::Date)
                c.kind = named;
        }
    }
    return c;
}

engine::Result PgSession::query(const QString &sql, const Params &params)
{
    engine::Result out;
    PgResult r = retryingRead(sql, [&] { return runWith(sql, params); });
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
        return out;
    const int n = PQnfields(r.get());
    std::vector<int> shown;
    for (int i = 0; i < n; ++i) {
        bool hidden = false;
        Column c = describe(r.get(), i, sql, &hidden);
        if (hidden)
            continue;
        out.columns.push_back(std::move(c));
        shown.push_back(i);
    }
    out.rows = PQntuples(r.get());
    out.cells.reserve(size_t(out.rows) * shown.size());
    for (int row = 0; row < out.rows; ++row)
        for (size_t k = 0; k < shown.size(); ++k)
            out.cells.push_back(readCell(r.get(), row, shown[k], out.columns[k].kind));
    return out;
}

std::vector<Column> PgSession::columns(const QString &sql)
{
    PgResult r = retryingRead(sql, [&] {
        reconnectIfLost();
        const QByteArray name = prepared(sql);
        return pgChecked(PQdescribePrepared(m_conn.get(), name.constData()), m_conn.get());
    });
    std::vector<Column> out;
    for (int i = 0; i < PQnfields(r.get()); ++i) {
        bool hidden = false;
        Column c = describe(r.get(), i, sql, &hidden);
        if (!hidden)
            out.push_back(std::move(c));
    }
    return out;
}

void PgSession::checkLogin(const QString &user, const QString &password, const QString &database)
{
    pgLogin(m_address, m_address.host, user, password, database);
}

engine::TableInfo PgSession::table(const QString &name)
{
    PgResult r = ask("SELECT a.attname, COALESCE((SELECT k.n FROM pg_index i, "
                     "unnest(i.indkey) WITH ORDINALITY k(att, n) WHERE i.indrelid = a.attrelid "
                     "AND i.indisprimary AND k.att = a.attnum), 0), "
                     "a.atthasdef OR a.attidentity <> '', format_type(a.atttypid, a.atttypmod), t.typname "
                     "FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid "
                     "WHERE a.attrelid = to_regclass($1) AND a.attnum > 0 AND NOT a.attisdropped "
                     "ORDER BY a.attnum",
        {name.toUtf8()});
    engine::TableInfo info;
    // Rows are found by their key, or by the rowid column a table without
    // an integer key has (lastval() gives an insert's one).
    info.hasRowid = false;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        const QString name = QString::fromUtf8(PQgetvalue(r.get(), i, 0));
        if (name == u"rowid")
            info.hasRowid = true;
        info.columns.push_back({name, atoi(PQgetvalue(r.get(), i, 1)), PQgetvalue(r.get(), i, 2)[0] == 't',
            declaredType(
                QString::fromUtf8(PQgetvalue(r.get(), i, 3)), QString::fromUtf8(PQgetvalue(r.get(), i, 4)))});
    }
    return info;
}

bool PgSession::isSysadmin(const QString &login)
{
    PgResult r = ask("SELECT 1 FROM pg_roles r WHERE lower(r.rolname) = lower($1) AND (r.rolsuper "
                     "OR EXISTS (SELECT 1 FROM pg_auth_members m JOIN pg_roles g ON g.oid = m.roleid "
                     "WHERE m.member = r.oid AND g.rolname = 'sysadmin'))",
        {login.toUtf8()});
    return PQntuples(r.get()) > 0;
}

} // namespace db::detail
