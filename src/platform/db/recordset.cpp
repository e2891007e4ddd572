// Client-side recordset: every row is read at open; AddNew/Update write
// through cached INSERT/UPDATE statements of the connection.
#include "platform/db/db.h"
#include "platform/db/internal.h"

#include <QStringEncoder>

namespace db {

namespace {

[[noreturn]] void noCurrentRow()
{
    throw Error(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                               "Requested operation requires a current record."));
}

[[noreturn]] void closedRecordset()
{
    throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
}

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

struct Recordset::Impl {
    Connection *conn = nullptr;
    std::weak_ptr<int> session;
    bool isOpen = false;
    std::vector<Column> cols;
    // The rows, one after another (fieldCount values each): one allocation
    // for a whole result, not one per row.
    std::vector<Value> cells;
    qsizetype count = 0;
    qsizetype pos = 0; // -1 before the first row, count after the last

    // Writing back (single-table selections only).
    QString table;
    bool updatable = false;
    std::vector<char> writable; // the column is a column of `table`
    std::vector<int> keyCols; // the table's whole primary key, when selected
    int rowidCol = -1; // the INTEGER PRIMARY KEY column, when selected
    bool hasRowid = true;
    std::vector<char> hasDefault;
    enum class Mode { None, Edit, New } mode = Mode::None;
    std::vector<Value> original;
    std::vector<char> dirty;
    std::uint64_t dirtyBits = 0; // the same, for up to 63 columns
    qsizetype posBeforeAdd = -1;
    // Insert and update statements, by the set of columns written: the
    // texts, and the prepared statements this recordset holds (an AddNew
    // loop reuses one without asking the connection's cache each row).
    QHash<QString, QString> sqlByMask;
    struct Held {
        std::uint64_t key; // insert/update and the columns written, when 63 or fewer
        QString mask;
        QString sql;
        sqlite3_stmt *stmt;
    };
    std::vector<Held> held;
    std::vector<char> scratch; // UTF-8 texts of the row being written

    bool onRow() const { return pos >= 0 && pos < count; }
    Value *row(qsizetype r) { return cells.data() + r * qsizetype(cols.size()); }
    const Value *row(qsizetype r) const { return cells.data() + r * qsizetype(cols.size()); }
    void requireOpen() const
    {
        if (!isOpen)
            closedRecordset();
    }
    void requireRow() const
    {
        requireOpen();
        if (!onRow())
            noCurrentRow();
    }
    Connection &liveConnection() const
    {
        // The token lives from the connection's open to its close.
        if (!conn || session.expired())
            throw Error(QStringLiteral("Operation is not allowed when the object is closed: "
                                       "the recordset's connection was closed."));
        return *conn;
    }
    void analyse(Connection &c);
    QString maskFor(bool insert) const;
    QString statementFor(const QString &mask);
    sqlite3_stmt *statement(Connection &c, bool insert);
    void releaseStatements();
    void writeNew();
    void writeEdit();
};

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
                return h.stmt;
    }
    const QString mask = maskFor(insert);
    if (!narrow) {
        for (const Held &h : held)
            if (h.mask == mask)
                return h.stmt;
    }
    const QString sql = statementFor(mask);
    sqlite3_stmt *s = detail::takeStatement(c, sql, nullptr);
    if (held.size() >= 4) {
        detail::returnStatement(c, held.front().sql, held.front().stmt);
        held.erase(held.begin());
    }
    held.push_back({key, mask, sql, s});
    return s;
}

void Recordset::Impl::releaseStatements()
{
    const bool live = conn && !session.expired();
    for (const Held &h : held) {
        if (live)
            detail::returnStatement(*conn, h.sql, h.stmt);
        else
            sqlite3_finalize(h.stmt); // the connection is gone: its handle closes with this
    }
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

// ---------------------------------------------------------------- Recordset

Recordset::Recordset()
    : d(std::make_unique<Impl>())
{
}

Recordset::~Recordset()
{
    d->releaseStatements();
}

void Recordset::open(const QString &sql, Connection &conn, const Params &params)
{
    close();
    if (conn.state() != 1)
        closedRecordset();
    Impl fresh;
    fresh.conn = &conn;
    fresh.session = detail::session(conn);
    {
        detail::CachedStatement st(conn, sql);
        st.bindAll(params);
        sqlite3_stmt *s = st.get();
        const int n = sqlite3_column_count(s);
        fresh.cols.resize(size_t(n));
        for (int i = 0; i < n; ++i) {
            Column &c = fresh.cols[size_t(i)];
            c.name = QString::fromUtf8(sqlite3_column_name(s, i));
            const char *db = sqlite3_column_database_name(s, i);
            if (db && qstrcmp(db, "main") == 0) {
                c.table = QString::fromUtf8(sqlite3_column_table_name(s, i));
                c.origin = QString::fromUtf8(sqlite3_column_origin_name(s, i));
            }
            const char *decl = sqlite3_column_decltype(s, i);
            c.declType = QString::fromUtf8(decl ? decl : "").toUpper();
            c.kind = detail::kindOf(c.declType, &c.definedSize);
        }
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            for (int i = 0; i < n; ++i)
                fresh.cells.push_back(detail::read(s, i, fresh.cols[size_t(i)].kind));
            ++fresh.count;
        }
        detail::check(rc, conn.handle());
    }
    fresh.analyse(conn);
    fresh.pos = 0;
    fresh.isOpen = true;
    *d = std::move(fresh);
}

void Recordset::close()
{
    if (!d->isOpen)
        return;
    if (d->mode != Impl::Mode::None)
        throw Error(QStringLiteral("Operation is not allowed in this context: the current row has changes; "
                                   "call update() or cancelUpdate() first."));
    d->releaseStatements();
    *d = Impl();
}

int Recordset::state() const
{
    return d->isOpen ? 1 : 0;
}

int Recordset::recordCount() const
{
    d->requireOpen();
    return int(d->count);
}

bool Recordset::eof() const
{
    d->requireOpen();
    return d->pos >= d->count;
}

bool Recordset::bof() const
{
    d->requireOpen();
    return d->count == 0 || d->pos < 0;
}

int Recordset::absolutePosition() const
{
    d->requireOpen();
    return d->onRow() ? int(d->pos) + 1 : 0;
}

void Recordset::moveFirst()
{
    d->requireOpen();
    update();
    d->pos = 0;
}

void Recordset::moveLast()
{
    d->requireOpen();
    update();
    d->pos = d->count == 0 ? 0 : d->count - 1;
}

void Recordset::moveNext()
{
    d->requireOpen();
    if (eof())
        noCurrentRow();
    update();
    ++d->pos;
}

void Recordset::movePrevious()
{
    d->requireOpen();
    if (bof())
        noCurrentRow();
    update();
    --d->pos;
}

void Recordset::move(int position)
{
    d->requireOpen();
    update();
    const qsizetype n = d->count;
    d->pos = position < 1 ? -1 : position > n ? n : position - 1;
}

int Recordset::fieldCount() const
{
    d->requireOpen();
    return int(d->cols.size());
}

const Column &Recordset::column(int index) const
{
    d->requireOpen();
    if (index < 0 || index >= int(d->cols.size()))
        throw Error(
            QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                           "ordinal (column %1).")
                .arg(index));
    return d->cols[size_t(index)];
}

Field Recordset::fields(int index)
{
    column(index);
    return Field(this, index);
}

Field Recordset::fields(const QString &name)
{
    const int i = indexOf(name);
    if (i < 0)
        throw Error(
            QStringLiteral("Item '%1' cannot be found in the collection corresponding to the requested name "
                           "or ordinal.")
                .arg(name));
    return Field(this, i);
}

int Recordset::indexOf(const QString &name) const
{
    d->requireOpen();
    for (size_t i = 0; i < d->cols.size(); ++i) // the spelling of the SELECT, most often
        if (d->cols[i].name == name)
            return int(i);
    for (size_t i = 0; i < d->cols.size(); ++i)
        if (d->cols[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

const Value &Recordset::at(int row, int col) const
{
    d->requireOpen();
    if (row < 0 || row >= int(d->count) || col < 0 || col >= int(d->cols.size()))
        throw Error(QStringLiteral("Row %1, column %2 is outside the recordset.").arg(row).arg(col));
    return d->row(row)[col];
}

void Recordset::addNew()
{
    d->requireOpen();
    if (!d->updatable)
        throw Error(QStringLiteral(
            "Current Recordset does not support updating: it does not select from one table."));
    update();
    d->posBeforeAdd = d->pos;
    d->cells.resize(d->cells.size() + d->cols.size());
    d->pos = d->count++;
    d->mode = Impl::Mode::New;
    d->dirty.assign(d->cols.size(), 0);
    d->dirtyBits = 0;
}

void Recordset::update()
{
    if (d->mode == Impl::Mode::None)
        return;
    try {
        if (d->mode == Impl::Mode::New)
            d->writeNew();
        else if (std::find(d->dirty.begin(), d->dirty.end(), char(1)) != d->dirty.end())
            d->writeEdit();
    } catch (...) {
        // A failed write leaves nothing pending: the row is as it was read
        // (a new row is dropped), so the next query is not blocked by it.
        cancelUpdate();
        throw;
    }
    d->mode = Impl::Mode::None;
}

void Recordset::cancelUpdate()
{
    if (d->mode == Impl::Mode::New) {
        const auto first = d->cells.begin() + d->pos * qsizetype(d->cols.size());
        d->cells.erase(first, first + qsizetype(d->cols.size()));
        --d->count;
        d->pos = std::min(d->posBeforeAdd, d->count);
    } else if (d->mode == Impl::Mode::Edit) {
        std::copy(d->original.begin(), d->original.end(), d->row(d->pos));
    }
    d->mode = Impl::Mode::None;
}

bool Recordset::editing() const
{
    return d->mode != Impl::Mode::None;
}

bool Recordset::updatable() const
{
    return d->isOpen && d->updatable;
}

const QString &Recordset::sourceTable() const
{
    return d->table;
}

// ---------------------------------------------------------------- Field

const QString &Field::name() const
{
    return m_rs->d->cols[size_t(m_index)].name;
}

Value Field::value() const
{
    m_rs->d->requireRow();
    return m_rs->d->row(m_rs->d->pos)[m_index];
}

void Field::setValue(const Value &v)
{
    auto &d = *m_rs->d;
    d.requireRow();
    const Column &col = d.cols[size_t(m_index)];
    if (!d.updatable)
        throw Error(QStringLiteral(
            "Current Recordset does not support updating: it does not select from one table."));
    if (!d.writable[size_t(m_index)])
        throw Error(QStringLiteral("Field '%1' cannot be updated: it is not a column of table '%2'.")
                        .arg(col.name, d.table));
    Value stored = detail::convertFor(col.kind, col.definedSize, v, d.table, col.origin);
    if (d.mode == Recordset::Impl::Mode::None) {
        d.mode = Recordset::Impl::Mode::Edit;
        d.original.assign(d.row(d.pos), d.row(d.pos) + d.cols.size());
        d.dirty.assign(d.cols.size(), 0);
        d.dirtyBits = 0;
    }
    d.row(d.pos)[m_index] = std::move(stored);
    d.dirty[size_t(m_index)] = 1;
    if (m_index < 63)
        d.dirtyBits |= std::uint64_t(1) << m_index;
}

int Field::definedSize() const
{
    return m_rs->d->cols[size_t(m_index)].definedSize;
}

Type Field::type() const
{
    const auto &d = *m_rs->d;
    const Type k = d.cols[size_t(m_index)].kind;
    if (k != Type::Null || !d.onRow())
        return k;
    return d.row(d.pos)[m_index].type();
}

Money Field::toMoney() const
{
    const Value v = value();
    const Column &col = m_rs->d->cols[size_t(m_index)];
    if (col.kind == Type::Null && (v.type() == Type::Int || v.type() == Type::Real))
        throw Error(
            QStringLiteral("Field '%1' is a computed number without a money type, so its unit (cents) is "
                           "unknown here: write money(...) around the expression in the SQL, e.g. "
                           "\"select money(sum(DrAmt)) as %1\".")
                .arg(col.name));
    return v.toMoney();
}

} // namespace db
