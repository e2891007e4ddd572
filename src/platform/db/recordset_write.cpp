// Writing a recordset's row back: which table and key a selection has, and
// the INSERT and UPDATE statements of AddNew and Update.
#include "platform/db/recordset_p.h"

#include <algorithm>

namespace db {

void Recordset::Impl::analyse(Connection &c)
{
    updatable = false;
    table.clear();
    quotedTable.clear();
    quotedCols.assign(cols.size(), QString());
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
    engine::Session &session = detail::engineOf(c);
    quotedTable = session.quotedName(table);
    for (size_t i = 0; i < cols.size(); ++i) {
        writable[i] = !cols[i].table.isEmpty();
        if (writable[i])
            quotedCols[i] = session.quotedName(cols[i].origin);
    }

    // The table's key and defaults.
    const engine::TableInfo info = session.table(table);
    hasRowid = info.hasRowid;
    auto selected = [&](const QString &origin) {
        for (size_t i = 0; i < cols.size(); ++i)
            if (writable[i] && cols[i].origin.compare(origin, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    };
    int pkCount = 0;
    bool allKeysSelected = true;
    std::vector<std::pair<int, int>> keys; // (pk ordinal, selection index)
    for (const engine::TableColumn &f : info.columns) {
        const int at = selected(f.name);
        if (at >= 0 && f.hasDefault)
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
        for (const engine::TableColumn &f : info.columns)
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

engine::RowStatement &Recordset::Impl::statement(Connection &c, bool insert)
{
    const bool narrow = cols.size() <= 63;
    const std::uint64_t key = narrow ? (dirtyBits << 1) | (insert ? 1 : 0) : 0;
    if (narrow) {
        for (const Held &h : held)
            if (h.key == key)
                return *h.stmt;
    }
    const QString mask = maskFor(insert);
    if (!narrow) {
        for (const Held &h : held)
            if (h.mask == mask)
                return *h.stmt;
    }
    const QString sql = statementFor(mask);
    std::unique_ptr<engine::RowStatement> s = detail::engineOf(c).rowStatement(sql);
    if (held.size() >= 4)
        held.erase(held.begin());
    held.push_back({key, mask, sql, std::move(s)});
    return *held.back().stmt;
}

void Recordset::Impl::releaseStatements()
{
    // Each goes back to its session's cache, when the session is still open.
    held.clear();
}

QString Recordset::Impl::statementFor(const QString &mask)
{
    auto it = sqlByMask.constFind(mask);
    if (it != sqlByMask.constEnd())
        return it.value();
    const bool insert = mask[0] == u'I';
    QString sql;
    const QString &t = quotedTable;
    if (insert) {
        QString names, marks;
        for (size_t i = 0; i < cols.size(); ++i) {
            if (!dirty[i])
                continue;
            if (!names.isEmpty()) {
                names += u',';
                marks += u',';
            }
            names += quotedCols[i];
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
            sets += quotedCols[i] + QStringLiteral(" = ?");
        }
        QString where;
        auto addCondition = [&](size_t i) {
            if (!where.isEmpty())
                where += QStringLiteral(" AND ");
            where += quotedCols[i] + QStringLiteral(" IS ?");
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
    engine::Session &session = detail::engineOf(c);
    Value *row = this->row(pos);
    bound.clear();
    for (size_t i = 0; i < cols.size(); ++i)
        if (dirty[i])
            bound.push_back(&row[i]);
    statement(c, true).run(bound);
    if (!hasRowid)
        return;
    bool reread = false;
    for (size_t i = 0; i < cols.size(); ++i)
        if (!dirty[i] && hasDefault[i])
            reread = true;
    const bool keyWanted = rowidCol >= 0 && row[size_t(rowidCol)].isNull();
    if (!reread && !keyWanted)
        return;
    const std::int64_t rowid = session.lastInsertKey();
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
            names += quotedCols[i];
            which.push_back(i);
        }
    const engine::Result stored
        = session.query(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(names, quotedTable),
            {static_cast<long long>(rowid)});
    if (stored.rows > 0)
        for (size_t k = 0; k < which.size(); ++k)
            row[which[k]] = stored.cells[k];
}

void Recordset::Impl::writeEdit()
{
    Connection &c = liveConnection();
    const Value *row = this->row(pos);
    // The new values, then the key or every value as read.
    bound.clear();
    for (size_t i = 0; i < cols.size(); ++i)
        if (dirty[i])
            bound.push_back(&row[i]);
    if (!keyCols.empty()) {
        for (int k : keyCols)
            bound.push_back(&original[size_t(k)]);
    } else {
        for (size_t i = 0; i < cols.size(); ++i)
            if (writable[i])
                bound.push_back(&original[i]);
    }
    if (statement(c, false).run(bound) == 0)
        throw Error(
            QStringLiteral("Row cannot be located for updating. Some values may have been changed since it "
                           "was last read."));
}

} // namespace db
