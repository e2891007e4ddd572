// Client-side recordset: every row is read at open; AddNew/Update write
// through cached INSERT/UPDATE statements of the connection
// (recordset_write.cpp).
#include "platform/db/recordset_p.h"

namespace db {

using detail::closedRecordset;
using detail::noCurrentRow;

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
    engine::Session &session = detail::engineOf(conn);
    detail::completeFillsFor(conn, sql);
    engine::Result result = detail::statement(conn, [&] { return session.query(sql, params); });
    fresh.cols = std::move(result.columns);
    fresh.cells = std::move(result.cells);
    fresh.count = result.rows;
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
