#include "directory/directory_rules.h"

#include <QStringBuilder>

namespace directory {

namespace {

db::Value textOrNull(const QString &text)
{
    return text.isEmpty() ? db::Value() : db::Value(text);
}

const QString listColumns = QStringLiteral(
    "select Row_No,Code_No,Client_Name,Company,Contact_Per,Tele_No,Mob_No,Fax_NO,Email,WebSite,"
    "Location,City,Country,Address from tbl_Tele_Directory");

// The column each criterion searches.
QString searchColumn(const QString &criterion)
{
    if (criterion == QLatin1String("Client Name"))
        return QStringLiteral("Client_Name");
    if (criterion == QLatin1String("Company Name"))
        return QStringLiteral("Company");
    if (criterion == QLatin1String("TelePhone No."))
        return QStringLiteral("Tele_No");
    return {};
}

} // namespace

std::int64_t nextRowNo(db::Connection &conn)
{
    return conn.scalar(QStringLiteral("select ifnull(max(Row_No),0)+1 as row_no from tbl_Tele_Directory"))
        .toInt();
}

std::int64_t saveEntry(db::Connection &conn, const Entry &entry)
{
    db::Transaction tx(conn);
    db::Recordset rs;
    std::int64_t rowNo = 0;
    if (entry.rowNo.isEmpty()) {
        rowNo = nextRowNo(conn);
        rs.open(QStringLiteral("select * from tbl_Tele_Directory where 0 = 1"), conn);
        rs.addNew();
        rs.fields(QStringLiteral("Row_No")).setValue(rowNo);
        rs.fields(QStringLiteral("Code_No")).setValue(QStringLiteral("TD-") + entry.codeNo);
    } else {
        rowNo = db::Value(entry.rowNo).toInt();
        rs.open(QStringLiteral("select * from tbl_Tele_Directory where Row_No = ?"), conn, {rowNo});
        if (rs.eof())
            throw db::Error(QStringLiteral("This entry is no longer in the directory; it may have been "
                                           "deleted meanwhile. Nothing was saved."));
        rs.moveFirst();
    }
    for (const auto &[column, text] : entry.fields)
        rs.fields(column).setValue(textOrNull(text));
    if (rs.editing())
        rs.update();
    tx.commit();
    return rowNo;
}

void deleteEntry(db::Connection &conn, std::int64_t rowNo)
{
    conn.execute(QStringLiteral("Delete From tbl_Tele_Directory Where Row_no = ?"), {rowNo});
}

bool listIsFiltered(const QString &criterion)
{
    return !searchColumn(criterion).isEmpty();
}

QString listSql(const QString &criterion)
{
    const QString column = searchColumn(criterion);
    // Every new entry's code is "TD-", so the key keeps the newest first.
    if (column.isEmpty())
        return listColumns % QStringLiteral(" order by Code_No desc, Row_No desc");
    return listColumns % QStringLiteral(" where ") % column
        % QStringLiteral(" like ? ESCAPE '\\' order by Code_No desc, Row_No desc");
}

QList<ListRow> list(db::Connection &conn, const QString &criterion, const QString &searchText)
{
    db::Recordset rs;
    if (listIsFiltered(criterion))
        rs.open(listSql(criterion), conn, {db::likeContains(searchText)});
    else
        rs.open(listSql(criterion), conn);
    QList<ListRow> rows;
    rows.reserve(rs.recordCount());
    for (int r = 0, n = rs.recordCount(); r < n; ++r) {
        const auto cell = [&](int c) { return rs.at(r, c).toString(); };
        rows.push_back({rs.at(r, 0).toInt(), cell(1), cell(2), cell(3), cell(4), cell(5), cell(6), cell(7),
            cell(8), cell(9), cell(10), cell(11), cell(12), cell(13)});
    }
    return rows;
}

std::optional<common::binding::Texts> readEntry(db::Connection &conn, const QString &rowNo)
{
    db::Recordset rs;
    rs.open(QStringLiteral("select * from tbl_Tele_Directory where Row_no = ?"), conn, {rowNo});
    if (rs.recordCount() == 0)
        return std::nullopt;
    return common::binding::textsOf(rs);
}

} // namespace directory
