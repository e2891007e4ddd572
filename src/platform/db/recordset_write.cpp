// Writing a recordset's row back: which table and key a selection has, and
// the INSERT and UPDATE statements of AddNew and Update.
#include "recordset_p.h"

#include <QStringEncoder>

#include <algorithm>

namespace db {

namespace {

// Texts go to a write statement as UTF-8 in one scratch buffer of the
// recordset that lives until the step is done: no allocation per row, no
// copy by SQLite, no conversion at the step.
class TextBinder {
public:
    TextBinder(sqlite3_stmt *s, std::vector<char> &scratch)
        : m_stmt(s)
        , m_scratch(scratch)
    {
    }
    // Room for every text of the row, before any is bound (pointers into
    // the buffer must not move).
    void reserve(const Value *values, const std::vector<char> &which, size_t n)
    {
        qsizetype need = 0;
        for (size_t i = 0; i < n; ++i)
            if (which[i])
                if (const QString *t = Statement::get<QString>(values[i]))
                    need += m_encoder.requiredSpace(t->size());
        reserveBytes(need);
    }
    void reserveBytes(qsizetype need)
    {
        if (m_scratch.size() < size_t(need) + 1)
            m_scratch.resize(size_t(need) + 1);
    }
    void bind(int index, const Value &v)
    {
        const QString *text = Statement::get<QString>(v);
        if (!text)
            return detail::bind(m_stmt, index, v);
        char *start = m_scratch.data() + m_used;
        char *end = m_encoder.appendToBuffer(start, *text);
        m_used += end - start;
        if (sqlite3_bind_text(m_stmt, index, start, int(end - start), SQLITE_STATIC) != SQLITE_OK)
            detail::fail(sqlite3_db_handle(m_stmt));
    }

private:
    sqlite3_stmt *m_stmt;
    std::vector<char> &m_scratch;
    qsizetype m_used = 0;
    QStringEncoder m_encoder {QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

// Runs a held write statement and resets it, so it holds no lock between rows.
void run(sqlite3_stmt *s, sqlite3 *h)
{
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(h));
        sqlite3_reset(s);
        detail::raiseKnown(rc);
        throw Error(msg);
    }
    sqlite3_reset(s);
}

QString quoted(const QString &name)
{
    QString q = name;
    q.replace(u'"', QLatin1String("\"\""));
    return u'"' + q + u'"';
}

} // namespace

void Recordset::Impl::analyse(Connection &c)
{
    updatable = false;
    table.clear();
    keyCols.clear();
    rowidCol = -1;
    writable.assign(cols.size(), 0);
    hasDefault.assign(cols.size(), 0);
    sqlByMask.clear();
    for (const Column &col : cols) {
        if (col.table.isEmpty())
            continue;
        if (table.isEmpty())
            table = col.table;
        else if (col.table.compare(table, Qt::CaseInsensitive) != 0)
            return; // a join: read only
    }
    if (table.isEmpty())
        return;
    sqlite3 *h = c.handle();
    for (size_t i = 0; i < cols.size(); ++i)
        writable[i] = !cols[i].table.isEmpty();

    // The table's key and defaults.
    struct Info {
        QString name;
        int pk;
        bool dflt;
        QString type;
    };
    std::vector<Info> info;
    {
        detail::CachedStatement st(
            c, QStringLiteral("SELECT name, pk, dflt_value IS NOT NULL, type FROM pragma_table_info(?)"));
        st.bindAll({table});
        int rc;
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW)
            info.push_back({detail::read(st.get(), 0, Type::Text).toString(), sqlite3_column_int(st.get(), 1),
                sqlite3_column_int(st.get(), 2) != 0, detail::read(st.get(), 3, Type::Text).toString()});
        detail::check(rc, h);
    }
    {
        detail::CachedStatement st(
            c, QStringLiteral("SELECT wr FROM pragma_table_list WHERE schema = 'main' AND name = ?"));
        st.bindAll({table});
        if (sqlite3_step(st.get()) == SQLITE_ROW)
            hasRowid = sqlite3_column_int(st.get(), 0) == 0;
    }
    auto selected = [&](const QString &origin) {
        for (size_t i = 0; i < cols.size(); ++i)
            if (writable[i] && cols[i].origin.compare(origin, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    };
    int pkCount = 0;
    bool allKeysSelected = true;
    std::vector<std::pair<int, int>> keys; // (pk ordinal, selection index)
    for (const Info &f : info) {
        const int at = selected(f.name);
        if (at >= 0 && f.dflt)
            hasDefault[size_t(at)] = 1;
        if (f.pk > 0) {
            ++pkCount;
            if (at < 0)
                allKeysSelected = false;
            else
                keys.emplace_back(f.pk, at);
        }
    }
    if (pkCount > 0 && allKeysSelected) {
        std::sort(keys.begin(), keys.end());
        for (const auto &k : keys)
            keyCols.push_back(k.second);
    }
    if (pkCount == 1 && hasRowid)
        for (const Info &f : info)
            if (f.pk == 1 && f.type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                rowidCol = selected(f.name);
    updatable = true;
}

QString Recordset::Impl::maskFor(bool insert) const
{
    QString mask(qsizetype(cols.size()) + 1, u'0');
    mask[0] = insert ? u'I' : u'U';
    for (size_t i = 0; i < cols.size(); ++i)
        if (dirty[i])
            mask[qsizetype(i) + 1] = u'1';
    return mask;
}

sqlite3_stmt *Recordset::Impl::statement(Connection &c, bool insert)
{
    const bool narrow = cols.size() <= 63;
    const std::uint64_t key = narrow ? (dirtyBits << 1) | (insert ? 1 : 0) : 0;
    if (narrow) {
        for (const Held &h : held)
            if (h.key == key)
                return h.stmt.get();
    }
    const QString mask = maskFor(insert);
    if (!narrow) {
        for (const Held &h : held)
            if (h.mask == mask)
                return h.stmt.get();
    }
    const QString sql = statementFor(mask);
    detail::StatementHandle s = detail::takeStatement(c, sql, nullptr);
    if (held.size() >= 4) {
        detail::returnStatement(c, held.front().sql, std::move(held.front().stmt));
        held.erase(held.begin());
    }
    held.push_back({key, mask, sql, std::move(s)});
    return held.back().stmt.get();
}

void Recordset::Impl::releaseStatements()
{
    const bool live = conn && !session.expired();
    // When the connection is gone, its handle closes as the last of these goes.
    if (live)
        for (Held &h : held)
            detail::returnStatement(*conn, h.sql, std::move(h.stmt));
    held.clear();
}

QString Recordset::Impl::statementFor(const QString &mask)
{
    auto it = sqlByMask.constFind(mask);
    if (it != sqlByMask.constEnd())
        return it.value();
    const bool insert = mask[0] == u'I';
    QString sql;
    const QString t = quoted(table);
    if (insert) {
        QString names, marks;
        for (size_t i = 0; i < cols.size(); ++i) {
            if (!dirty[i])
                continue;
            if (!names.isEmpty()) {
                names += u',';
                marks += u',';
            }
            names += quoted(cols[i].origin);
            marks += u'?';
        }
        sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(t)
                              : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(t, names, marks);
    } else {
        QString sets;
        for (size_t i = 0; i < cols.size(); ++i) {
            if (!dirty[i])
                continue;
            if (!sets.isEmpty())
                sets += u',';
            sets += quoted(cols[i].origin) + QStringLiteral(" = ?");
        }
        QString where;
        auto addCondition = [&](size_t i) {
            if (!where.isEmpty())
                where += QStringLiteral(" AND ");
            where += quoted(cols[i].origin) + QStringLiteral(" IS ?");
        };
        if (!keyCols.empty()) {
            for (int k : keyCols)
                addCondition(size_t(k));
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(t, sets, where);
        } else {
            // No key selected: the row whose values are those we read (one of
            // them, when rows are identical).
            for (size_t i = 0; i < cols.size(); ++i)
                if (writable[i])
                    addCondition(i);
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = (SELECT rowid FROM %1 WHERE %3 LIMIT 1)")
                      .arg(t, sets, where);
        }
    }
    sqlByMask.insert(mask, sql);
    return sql;
}

void Recordset::Impl::writeNew()
{
    Connection &c = liveConnection();
    Value *row = this->row(pos);
    {
        sqlite3_stmt *s = statement(c, true);
        TextBinder texts(s, scratch);
        texts.reserve(row, dirty, cols.size());
        int n = 0;
        for (size_t i = 0; i < cols.size(); ++i)
            if (dirty[i])
                texts.bind(++n, row[i]);
        run(s, c.handle());
    }
    if (!hasRowid)
        return;
    bool reread = false;
    for (size_t i = 0; i < cols.size(); ++i)
        if (!dirty[i] && hasDefault[i])
            reread = true;
    const bool keyWanted = rowidCol >= 0 && row[size_t(rowidCol)].isNull();
    if (!reread && !keyWanted)
        return;
    const sqlite3_int64 rowid = sqlite3_last_insert_rowid(c.handle());
    if (keyWanted)
        row[size_t(rowidCol)] = Value(static_cast<long long>(rowid));
    if (!reread)
        return;
    // Columns the insert left to their defaults: read what the table holds.
    QString names;
    std::vector<size_t> which;
    for (size_t i = 0; i < cols.size(); ++i)
        if (writable[i]) {
            if (!names.isEmpty())
                names += u',';
            names += quoted(cols[i].origin);
            which.push_back(i);
        }
    detail::CachedStatement st(
        c, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(names, quoted(table)));
    st.bindAll({static_cast<long long>(rowid)});
    if (sqlite3_step(st.get()) == SQLITE_ROW)
        for (size_t k = 0; k < which.size(); ++k)
            row[which[k]] = detail::read(st.get(), int(k), cols[which[k]].kind);
}

void Recordset::Impl::writeEdit()
{
    Connection &c = liveConnection();
    const Value *row = this->row(pos);
    sqlite3_stmt *s = statement(c, false);
    // The new values, then the key or every value as read.
    qsizetype need = 0;
    QStringEncoder sizer(QStringEncoder::Utf8);
    for (size_t i = 0; i < cols.size(); ++i) {
        if (const QString *t = Statement::get<QString>(row[i]); t && dirty[i])
            need += sizer.requiredSpace(t->size());
        if (const QString *t = Statement::get<QString>(original[i]))
            need += sizer.requiredSpace(t->size());
    }
    TextBinder texts(s, scratch);
    texts.reserveBytes(need);
    int n = 0;
    for (size_t i = 0; i < cols.size(); ++i)
        if (dirty[i])
            texts.bind(++n, row[i]);
    if (!keyCols.empty()) {
        for (int k : keyCols)
            texts.bind(++n, original[size_t(k)]);
    } else {
        for (size_t i = 0; i < cols.size(); ++i)
            if (writable[i])
                texts.bind(++n, original[i]);
    }
    run(s, c.handle());
    if (sqlite3_changes(c.handle()) == 0)
        throw Error(
            QStringLiteral("Row cannot be located for updating. Some values may have been changed since it "
                           "was last read."));
}

} // namespace db
