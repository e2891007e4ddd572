#include "accounts/vousetting.h"

#include <limits>

namespace accounts {

const QStringList &vouSettingKeys()
{
    static const QStringList keys = {
        QStringLiteral("CP"),
        QStringLiteral("CR"),
        QStringLiteral("BP"),
        QStringLiteral("BR"),
        QStringLiteral("JV"),
        QStringLiteral("SI"),
        QStringLiteral("PO"),
        QStringLiteral("QT"),
        QStringLiteral("DC"),
        QStringLiteral("TI"),
        QStringLiteral("GI"),
        QStringLiteral("IR"),
        QStringLiteral("RI"),
    };
    return keys;
}

namespace {

std::int64_t keyOf(const db::Value &v)
{
    if (v.isNull())
        return 0;
    try {
        return v.toInt();
    } catch (const db::Error &) {
        return 0;
    }
}

} // namespace

Side sideOf(const QString &stored)
{
    const QString code = stored.trimmed().toUpper();
    if (code == QLatin1String("DR"))
        return Side::Debit;
    if (code == QLatin1String("CR"))
        return Side::Credit;
    return Side::None;
}

QString sideCode(Side side)
{
    switch (side) {
    case Side::Debit:
        return QStringLiteral("DR");
    case Side::Credit:
        return QStringLiteral("CR");
    case Side::None:
        break;
    }
    return {};
}

VoucherSetup readVoucherSetup(db::Connection &conn, const QString &vouStatus)
{
    // The voucher and fee-receipt series preset a subsidiary account; "IR"
    // names the sub-control head the students' accounts are opened under.
    const QString level = vouStatus.compare(QLatin1String("IR"), Qt::CaseInsensitive) == 0
        ? QStringLiteral("HD")
        : QStringLiteral("DD");
    db::Recordset rs;
    rs.open(QStringLiteral("Select VouNo,AcCode,Fix,AcStatus,"
                           "(Select AcName From Accounts Where AcStatus=? and RowId=AcCode) as AcTitle,"
                           "(Select AcNodes From Accounts Where AcStatus=? and RowId=AcCode) as AcNodes,"
                           "OthAcCode,ITaxAc,STaxAc From VouSetting Where VouStatus = ? order by rowid"),
        conn, {level, level, vouStatus});
    VoucherSetup s;
    if (rs.eof())
        return s;
    s.found = true;
    const std::int64_t no = keyOf(rs.fields(QStringLiteral("VouNo")).value());
    if (no >= std::numeric_limits<std::int32_t>::min() && no <= std::numeric_limits<std::int32_t>::max())
        s.startNo = std::int32_t(no);
    s.acCode = keyOf(rs.fields(QStringLiteral("AcCode")).value());
    s.acTitle = rs.fields(QStringLiteral("AcTitle")).toString();
    s.acNodes = rs.fields(QStringLiteral("AcNodes")).toString().trimmed();
    s.side = sideOf(rs.fields(QStringLiteral("AcStatus")).toString());
    s.fixed = rs.fields(QStringLiteral("Fix"))
                  .toString()
                  .trimmed()
                  .compare(QLatin1String("Y"), Qt::CaseInsensitive)
        == 0;
    s.othAcCode = keyOf(rs.fields(QStringLiteral("OthAcCode")).value());
    s.iTaxAc = keyOf(rs.fields(QStringLiteral("ITaxAc")).value());
    s.sTaxAc = keyOf(rs.fields(QStringLiteral("STaxAc")).value());
    return s;
}

bool parseStartNumber(const QString &typed, db::Value *out)
{
    const QString t = typed.trimmed();
    if (t.isEmpty()) {
        *out = db::Value();
        return true;
    }
    for (const QChar c : t) {
        if (c < u'0' || c > u'9')
            return false;
    }
    bool ok = false;
    const std::int32_t n = t.toInt(&ok);
    if (!ok)
        return false;
    *out = db::Value(n);
    return true;
}

void writeVouSetting(db::Connection &conn, const std::vector<VouSettingRow> &rows)
{
    db::Transaction tx(conn);
    conn.execute(QStringLiteral("Delete From VouSetting"));
    db::Recordset rs;
    rs.open(QStringLiteral("Select * From VouSetting"), conn);
    for (const VouSettingRow &row : rows) {
        rs.addNew();
        const auto set = [&rs](const char *column, const db::Value &v) {
            if (!v.isNull())
                rs.fields(QString::fromLatin1(column)).setValue(v);
        };
        set("VouNo", row.vouNo);
        set("AcStatus", row.acStatus);
        set("AcCode", row.acCode);
        set("Fix", row.fix);
        set("OthAcCode", row.othAcCode);
        set("ITaxAc", row.iTaxAc);
        set("STaxAc", row.sTaxAc);
        rs.fields(QStringLiteral("VouStatus")).setValue(row.vouStatus);
        rs.update();
    }
    rs.close();
    tx.commit();
}

std::vector<VouSettingShown> readVouSetting(db::Connection &conn)
{
    db::Recordset rs;
    rs.open(QStringLiteral("Select vouNo,"
                           "(Select AcName From Accounts Where AcStatus <> 'HH' and rowid=AcCode) as AcTitle,"
                           "(Select AcName From Accounts Where AcStatus='DD' and rowid=OthAcCode) as OthAC,"
                           "(Select AcName From Accounts Where AcStatus='DD' and rowid=ITaxAc) as IncomeAC,"
                           "(Select AcName From Accounts Where AcStatus='DD' and rowid=STaxAC) as SalTaxAC,"
                           "AcStatus,AcCode,Fix,VouStatus,OthAcCode,ITaxAC,STaxAC From VouSetting"),
        conn);
    std::vector<VouSettingShown> rows;
    rows.reserve(std::size_t(rs.recordCount()));
    const auto text = [&rs](const char *column) { return rs.fields(QString::fromLatin1(column)).toString(); };
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        VouSettingShown r;
        r.vouStatus = text("VouStatus");
        r.vouNo = text("vouNo");
        r.acStatus = text("AcStatus");
        r.fix = text("Fix");
        r.acCode = text("AcCode");
        r.acTitle = text("AcTitle");
        r.othAcCode = text("OthAcCode");
        r.othAc = text("OthAC");
        r.iTaxAc = text("ITaxAC");
        r.incomeAc = text("IncomeAC");
        r.sTaxAc = text("STaxAC");
        r.salTaxAc = text("SalTaxAC");
        rows.push_back(r);
    }
    return rows;
}

} // namespace accounts
