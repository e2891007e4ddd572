#include "accounts/chart_rules.h"

#include "common/input.h"

namespace accounts {

namespace {

const QString kMsgEmptyTitle = QStringLiteral("please enter Account Title");
const QString kMsgTitleTaken = QStringLiteral("Account Titel is already exitis, please change Account Title");
const QString kMsgMissing
    = QStringLiteral("This account no longer exists; another user may have deleted it.");
const QString kMsgNoChildren = QStringLiteral("A subsidiary account cannot hold accounts of its own.");
const QString kMsgFull
    = QStringLiteral("This account already holds %1 accounts; no more can be opened under it.");

Outcome refused(Refusal why)
{
    Outcome o;
    o.refusal = why;
    switch (why) {
    case Refusal::None:
        break;
    case Refusal::EmptyTitle:
        o.message = kMsgEmptyTitle;
        break;
    case Refusal::TitleTaken:
        o.message = kMsgTitleTaken;
        break;
    case Refusal::AccountMissing:
        o.message = kMsgMissing;
        break;
    case Refusal::NoChildrenAllowed:
        o.message = kMsgNoChildren;
        break;
    case Refusal::ParentFull:
        o.message = kMsgFull.arg(kMaxChildren);
        break;
    }
    return o;
}

bool isBlank(const QString &title)
{
    return title.trimmed().isEmpty();
}

// A Like pattern matching every text that starts with `prefix`.
QString likePrefix(const QString &prefix)
{
    QString p;
    for (QChar c : prefix) {
        if (c == u'%' || c == u'_' || c == u'\\')
            p += u'\\';
        p += c;
    }
    return p + u'%';
}

// Adds one row to Accounts and returns its key.
std::int64_t insertAccount(db::Connection &conn, const QString &parentId, std::int64_t dcode,
    const QString &acNodes, const QString &status, const QString &title, const FillRow &fill)
{
    db::Recordset rs;
    rs.open(QStringLiteral("select * from Accounts where 0=1"), conn);
    rs.addNew();
    rs.fields(QStringLiteral("ParentID")).setValue(parentId);
    rs.fields(QStringLiteral("Dcode")).setValue(db::Value(static_cast<long long>(dcode)));
    rs.fields(QStringLiteral("AcNodes")).setValue(acNodes);
    rs.fields(QStringLiteral("AcStatus")).setValue(status);
    rs.fields(QStringLiteral("AcName")).setValue(title);
    if (fill)
        fill(rs);
    rs.update();
    return rs.fields(QStringLiteral("RowID")).toInt();
}

} // namespace

int levelOf(const QString &acStatus)
{
    const QString s = acStatus.trimmed().toUpper();
    if (s == kControl)
        return 1;
    if (s == kSubControl)
        return 2;
    if (s == kSubsidiary)
        return 3;
    return 0;
}

std::int64_t nextTopNumber(db::Connection &conn)
{
    return conn
        .scalar(
            QStringLiteral("select ifnull(max(cast(ParentID as integer)),0) + 1 as ParentId from Accounts "
                           "where AcStatus = 'HH'"))
        .toInt();
}

std::int64_t nextDcode(db::Connection &conn, const QString &parentNodes)
{
    return conn
        .scalar(QStringLiteral(
                    "select ifnull(max(Dcode),0) + 1 as Dcode from Accounts where rtrim(ParentID) = ?"),
            {parentNodes.trimmed()})
        .toInt();
}

QString childNodes(const QString &parentNodes, std::int64_t dcode)
{
    return parentNodes.trimmed() + u'.' + QString::number(dcode);
}

QString withoutBlanks(const QString &title)
{
    QString t = title;
    return t.remove(u' ');
}

bool titleTaken(db::Connection &conn, const QString &title, std::int64_t exceptRowId)
{
    const db::Value hit
        = conn.scalar(QStringLiteral("select 1 from Accounts where replace(AcName,' ','') = ? "
                                     "collate nocase and RowID <> ? limit 1"),
            {withoutBlanks(title), db::Value(static_cast<long long>(exceptRowId))});
    return !hit.isNull();
}

Outcome addControlAccount(
    db::Connection &conn, const QString &title, const db::Value &orderStatus, TitleCheck check)
{
    if (isBlank(title))
        return refused(Refusal::EmptyTitle);
    db::Transaction tx(conn);
    if (check == TitleCheck::Chart && titleTaken(conn, title))
        return refused(Refusal::TitleTaken);
    const QString code = QString::number(nextTopNumber(conn));
    Outcome o;
    o.acNodes = code;
    o.rowId = insertAccount(conn, code, 0, code, kControl, title,
        [&](db::Recordset &rs) { rs.fields(QStringLiteral("OrderStatus")).setValue(orderStatus); });
    tx.commit();
    return o;
}

Outcome addChildAccount(db::Connection &conn, const QString &parentNodes, const QString &title,
    const FillRow &fill, TitleCheck check)
{
    if (isBlank(title))
        return refused(Refusal::EmptyTitle);
    const QString parent = parentNodes.trimmed();
    db::Transaction tx(conn);
    const db::Value parentStatus
        = conn.scalar(QStringLiteral("select AcStatus from Accounts where AcNodes = ?"), {parent});
    if (parent.isEmpty() || parentStatus.isNull())
        return refused(Refusal::AccountMissing);
    QString status;
    switch (levelOf(parentStatus.toString())) {
    case 1:
        status = kSubControl;
        break;
    case 2:
        status = kSubsidiary;
        break;
    default:
        return refused(Refusal::NoChildrenAllowed);
    }
    if (check == TitleCheck::Chart && status == kSubsidiary && titleTaken(conn, title))
        return refused(Refusal::TitleTaken);
    const std::int64_t dcode = nextDcode(conn, parent);
    if (dcode > kMaxChildren)
        return refused(Refusal::ParentFull);
    Outcome o;
    o.acNodes = childNodes(parent, dcode);
    o.rowId = insertAccount(conn, parent, dcode, o.acNodes, status, title, fill);
    tx.commit();
    return o;
}

Outcome updateAccount(
    db::Connection &conn, std::int64_t rowId, const QString &title, const FillRow &fill, TitleCheck check)
{
    if (isBlank(title))
        return refused(Refusal::EmptyTitle);
    db::Transaction tx(conn);
    db::Recordset rs;
    rs.open(QStringLiteral("select * from Accounts where RowID = ?"), conn,
        {db::Value(static_cast<long long>(rowId))});
    if (rs.eof())
        return refused(Refusal::AccountMissing);
    const int level = levelOf(rs.fields(QStringLiteral("AcStatus")).toString());
    if (check == TitleCheck::Chart && level != 2 && titleTaken(conn, title, rowId))
        return refused(Refusal::TitleTaken);
    rs.fields(QStringLiteral("AcName")).setValue(title);
    if (fill)
        fill(rs);
    rs.update();
    Outcome o;
    o.rowId = rowId;
    o.acNodes = rs.fields(QStringLiteral("AcNodes")).toString().trimmed();
    tx.commit();
    return o;
}

QString deleteRefusal(db::Connection &conn, std::int64_t rowId)
{
    if (rowId <= 0)
        return QStringLiteral("please select any one account");
    const db::Value key(static_cast<long long>(rowId));
    const QString code = conn.scalar(QStringLiteral("select AcNodes from Accounts where RowID = ?"), {key})
                             .toString()
                             .trimmed();
    const std::int64_t children
        = conn.scalar(QStringLiteral(
                          "select count(Dcode) as chkNod from Accounts where AcNodes like ? escape '\\'"),
                  {likePrefix(code + u'.')})
              .toInt();
    if (children > 0)
        return QStringLiteral("this head not remove ");
    if (!conn.scalar(QStringLiteral("select AcCode from DetJV where AcCode = ? limit 1"), {key}).isNull())
        return QStringLiteral("this Account use in vouceher detail ");
    if (!conn.scalar(QStringLiteral("select CusCode from tblMasApp where CusCode = ? limit 1"), {key})
             .isNull())
        return QStringLiteral("this Account use in Application detail ");
    return {};
}

QString deleteAccount(db::Connection &conn, std::int64_t rowId)
{
    db::Transaction tx(conn);
    const QString refusal = deleteRefusal(conn, rowId);
    if (!refusal.isEmpty())
        return refusal;
    conn.execute(
        QStringLiteral("delete from Accounts where RowID = ?"), {db::Value(static_cast<long long>(rowId))});
    tx.commit();
    return {};
}

bool openingBalance(const QString &typed, db::Value *out)
{
    const QString t = typed.trimmed();
    if (t.isEmpty() || t == u"-" || t == u"." || t == u"-.") {
        *out = db::Value();
        return true;
    }
    db::Money m;
    if (!common::input::parseAmount(t, &m, common::input::Sign::Signed))
        return false;
    *out = db::Value(m);
    return true;
}

} // namespace accounts
