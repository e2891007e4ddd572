#include "accounts/chart_entry.h"

#include "accounts/chart_rules.h"

namespace accounts {

namespace {

db::Value key(std::int64_t rowId)
{
    return db::Value(static_cast<long long>(rowId));
}

const QString kTakenMessage = QStringLiteral("Account Titel is already exitis, please change Account Title");

// The subsidiary columns of the row being written.
FillRow detailsWriter(const AccountDetails &d)
{
    return [&d](db::Recordset &rs) {
        rs.fields(QStringLiteral("openDate")).setValue(d.openDate);
        common::binding::store(rs, d.fields);
        rs.fields(QStringLiteral("OpenBal")).setValue(d.openBal);
        if (d.gst)
            rs.fields(QStringLiteral("GST")).setValue(*d.gst);
        if (d.ntn)
            rs.fields(QStringLiteral("NTN")).setValue(*d.ntn);
        rs.fields(QStringLiteral("BStatus"))
            .setValue(d.bStatus.isEmpty() ? db::Value() : db::Value(d.bStatus));
    };
}

ChartSaved refused(ChartSaved r, const QString &message, TitleBox focus)
{
    r.kind = ChartSaved::Refused;
    r.message = message;
    r.focus = focus;
    return r;
}

// What a rule of the chart answered, as the window takes it.
ChartSaved fromOutcome(ChartSaved r, const Outcome &o, TitleBox focus, ChartSaved::Kind kind)
{
    if (o.refusal == Refusal::AccountMissing) {
        r.kind = ChartSaved::Gone;
        r.message = o.message;
    } else if (!o.ok()) {
        return refused(r, o.message, focus);
    } else {
        r.kind = kind;
    }
    return r;
}

// The box whose title another account already has; TitleBox::None when
// none. Sub-control titles are not checked.
TitleBox takenTitle(db::Connection &conn, const ChartEntry &e)
{
    const std::int64_t self = !e.isNew && !e.newControl ? e.selected : 0;
    const auto taken = [&](const QString &title) {
        if (!e.isNew && title == e.oldTitle)
            return false;
        return titleTaken(conn, title, self);
    };
    if (e.open == TitleBox::Control && taken(e.controlTitle))
        return TitleBox::Control;
    if (e.open == TitleBox::Subsidiary && taken(e.subsidiaryTitle))
        return TitleBox::Subsidiary;
    return TitleBox::None;
}

db::Value orderValue(const ChartEntry &e)
{
    return e.order ? db::Value(static_cast<long long>(*e.order)) : db::Value();
}

// A new account under the selected one, or the selected one changed, by the
// selected account's level.
ChartSaved writeAtSelected(db::Connection &conn, const ChartEntry &e, db::Recordset &selected)
{
    const auto changed
        = [&](const QString &title) { return title != e.oldTitle ? TitleCheck::Chart : TitleCheck::None; };
    const QString status = selected.fields(QStringLiteral("AcStatus")).toString().trimmed().toUpper();
    const FillRow level3 = detailsWriter(e.details);
    ChartSaved r;
    if (status == kControl) {
        r.code = selected.fields(QStringLiteral("ParentID")).toString().trimmed();
        r.subControl = e.isNew;
        if (e.isNew)
            return fromOutcome(r, addChildAccount(conn, r.code, e.subControlTitle), TitleBox::SubControl,
                ChartSaved::NewChild);
        const db::Value order = orderValue(e);
        return fromOutcome(r,
            updateAccount(
                conn, e.selected, e.controlTitle,
                [&](db::Recordset &rs) { rs.fields(QStringLiteral("OrderStatus")).setValue(order); },
                changed(e.controlTitle)),
            TitleBox::Control, ChartSaved::Changed);
    }
    if (status == kSubControl) {
        r.code = selected.fields(QStringLiteral("AcNodes")).toString().trimmed();
        if (e.isNew)
            return fromOutcome(r, addChildAccount(conn, r.code, e.subsidiaryTitle, level3),
                TitleBox::Subsidiary, ChartSaved::NewChild);
        return fromOutcome(r, updateAccount(conn, e.selected, e.subControlTitle, {}, TitleCheck::None),
            TitleBox::SubControl, ChartSaved::Changed);
    }
    if (status == kSubsidiary) {
        r.code = selected.fields(QStringLiteral("AcNodes")).toString().trimmed();
        return fromOutcome(r,
            updateAccount(conn, e.selected, e.subsidiaryTitle, level3, changed(e.subsidiaryTitle)),
            TitleBox::Subsidiary, ChartSaved::Changed);
    }
    r.kind = ChartSaved::Nothing;
    return r;
}

ChartSaved write(db::Connection &conn, const ChartEntry &e)
{
    if (const TitleBox box = takenTitle(conn, e); box != TitleBox::None)
        return refused({}, kTakenMessage, box);
    if (e.newControl)
        return fromOutcome({}, addControlAccount(conn, e.controlTitle, orderValue(e)), TitleBox::Control,
            ChartSaved::NewControl);
    if (!e.hasSelection)
        return refused(
            {}, QStringLiteral("please select any one type or create a control account "), TitleBox::None);

    db::Recordset selected;
    selected.open(QStringLiteral("select * from accounts where rowid = ?"), conn, {key(e.selected)});
    if (selected.eof()) {
        ChartSaved r;
        r.kind = ChartSaved::Gone;
        r.message = QStringLiteral("This account no longer exists; another user may have deleted it.");
        return r;
    }
    return writeAtSelected(conn, e, selected);
}

} // namespace

QList<ChartNode> chartNodes(db::Connection &conn)
{
    db::Recordset rs;
    rs.open(QStringLiteral("Select * from accounts order by acnodes"), conn);
    const int status = rs.indexOf(QStringLiteral("AcStatus"));
    const int parent = rs.indexOf(QStringLiteral("ParentID"));
    const int nodes = rs.indexOf(QStringLiteral("AcNodes"));
    const int name = rs.indexOf(QStringLiteral("AcName"));
    const int rowId = rs.indexOf(QStringLiteral("RowID"));
    QList<ChartNode> list;
    list.reserve(rs.recordCount());
    for (int r = 0, n = rs.recordCount(); r < n; ++r)
        list.push_back({rs.at(r, rowId).toInt(), rs.at(r, status).toString(), rs.at(r, parent).toString(),
            rs.at(r, nodes).toString(), rs.at(r, name).toString()});
    return list;
}

std::optional<Account> readAccount(db::Connection &conn, std::int64_t rowId)
{
    db::Recordset rs;
    rs.open(QStringLiteral("Select * From Accounts Where RowId = ?"), conn, {key(rowId)});
    if (rs.eof())
        return std::nullopt;
    const auto text = [&](const char *column) { return rs.fields(QLatin1String(column)).toString(); };
    Account a;
    a.rowId = rs.fields(QStringLiteral("RowID")).toInt();
    a.acStatus = text("AcStatus").trimmed();
    a.parentId = text("ParentID").trimmed();
    a.acNodes = text("AcNodes").trimmed();
    a.acName = text("AcName");
    a.orderStatus = text("OrderStatus");
    a.columns = common::binding::textsOf(rs);
    a.openDate = rs.fields(QStringLiteral("openDate")).toDate();
    if (const db::Value gst = rs.fields(QStringLiteral("GST")).value(); !gst.isNull())
        a.gst = gst.toString();
    if (const db::Value ntn = rs.fields(QStringLiteral("NTN")).value(); !ntn.isNull())
        a.ntn = ntn.toString();
    a.bStatus = text("BStatus").trimmed().toUpper();
    return a;
}

std::optional<ParentAccount> accountByCode(db::Connection &conn, const QString &code)
{
    db::Recordset rs;
    rs.open(QStringLiteral("select acname,ParentID from accounts where acnodes = ?"), conn, {code});
    if (rs.eof())
        return std::nullopt;
    return ParentAccount {rs.fields(0).toString(), rs.fields(1).toString().trimmed()};
}

QList<SubsidiaryRow> findSubsidiaries(db::Connection &conn, const QString &text)
{
    db::Recordset rs;
    rs.open(QStringLiteral(
                "Select RowID,AcNodes,AcName,Location,Contact,Fax,Email,OpenBal,Addr,Addr2,ParentID,"
                "AcNodes From Accounts Where acStatus='DD' and AcName Like ? ESCAPE '\\' order by AcName"),
        conn, {db::likeContains(text)});
    QList<SubsidiaryRow> rows;
    rows.reserve(rs.recordCount());
    for (int r = 0, n = rs.recordCount(); r < n; ++r) {
        const auto cell = [&](int c) { return rs.at(r, c).toString(); };
        SubsidiaryRow row;
        row.rowId = rs.at(r, 0).toInt();
        row.acNodes = cell(1);
        row.acName = cell(2);
        row.location = cell(3);
        row.contact = cell(4);
        row.fax = cell(5);
        row.email = cell(6);
        if (const db::Value &bal = rs.at(r, 7); !bal.isNull())
            row.openBal = bal.toMoney();
        row.addr = cell(8);
        row.addr2 = cell(9);
        rows.push_back(row);
    }
    return rows;
}

ChartSaved saveChartEntry(db::Connection &conn, const ChartEntry &entry)
{
    // The checks and the write share one transaction.
    db::Transaction tx(conn);
    ChartSaved r = write(conn, entry);
    if (r.kind != ChartSaved::Refused && r.kind != ChartSaved::Gone)
        tx.commit();
    return r;
}

} // namespace accounts
