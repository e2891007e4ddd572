#include "fees/carryforward_rules.h"

#include "books/journal.h"
#include "common/fields.h"

#include <QRegularExpression>
#include <QStringList>

namespace fees::carryforward {

namespace {

const QString kCF = QStringLiteral("CF");
const QString likeEscape = QStringLiteral(" Like ? ESCAPE '\\'");

// A key as a combo or a text box holds it: empty is Null.
db::Value keyValue(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    bool ok = false;
    const qlonglong k = t.toLongLong(&ok);
    return ok ? db::Value(k) : db::Value(t);
}

// A typed number for an "= ?" filter: Null (matching nothing) when it is
// no whole number.
db::Value wholeNumber(const QString &text)
{
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    return ok ? db::Value(n) : db::Value();
}

void checkUnchanged(db::Connection &conn, std::int32_t formId, const QString &stamp, const QString &what)
{
    const QString now = formStamp(conn, formId);
    if (now.isEmpty())
        throw Refused(QStringLiteral("Form %1 has been deleted by another user since it was opened; "
                                     "it was not %2.")
                          .arg(formId)
                          .arg(what));
    if (now != stamp)
        throw Refused(QStringLiteral("Form %1 has been changed by another user since it was opened; "
                                     "it was not %2. Open it again to see the changes.")
                          .arg(formId)
                          .arg(what));
}

} // namespace

db::Money amountValue(const QString &text)
{
    static const QRegularExpression leading(QStringLiteral("^\\s*(\\d+(?:\\.\\d*)?|\\.\\d+)"));
    const QRegularExpressionMatch m = leading.match(text);
    if (!m.hasMatch())
        return {};
    QString number = m.captured(1);
    if (number.endsWith(u'.'))
        number.chop(1);
    if (number.startsWith(u'.'))
        number.prepend(u'0');
    db::Money value;
    return db::Money::tryParse(number, &value) ? value : db::Money();
}

std::int32_t nextFormNumber(db::Connection &conn)
{
    // 'CF' rows without a form (left by a removal of the forms that kept
    // them, as earlier builds did) are never taken over by a reused number,
    // whose save would delete them.
    return std::int32_t(
        conn.scalar(QStringLiteral("select ifnull(max(n),0) +1 as FormID From ("
                                   "select max(FormID) as n From tblMasCarryForw Union All "
                                   "select max(VouNo) From DetJV Where VouStatus = ?) As last"),
                {kCF})
            .toInt());
}

std::int64_t cashReceiptAccount(db::Connection &conn)
{
    db::Recordset rs;
    rs.open(QStringLiteral("Select VouNo,AcCode From VouSetting Where VouStatus = ?"), conn,
        {QStringLiteral("CR")});
    if (rs.recordCount() < 1)
        return 0;
    const db::Value ac = rs.fields(QStringLiteral("AcCode")).value();
    return ac.isNull() ? 0 : ac.toInt();
}

QString formStamp(db::Connection &conn, std::int32_t formId)
{
    db::Recordset rs;
    rs.open(QStringLiteral("Select FormDate, AppID From tblMasCarryForw Where FormID = ?"), conn, {formId});
    if (rs.recordCount() < 1)
        return {};
    QStringList parts;
    parts << books::rowsText(rs);
    rs.open(QStringLiteral("Select FormDate, AppID, SubjectID, Naration, SessionID, ForAmt, PreSessionID "
                           "From tblDetCarryForw Where FormID = ? Order By rowid"),
        conn, {formId});
    parts << books::rowsText(rs);
    rs.open(QStringLiteral("Select VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt, Naration, SessionID, SubID "
                           "From DetJV Where VouNo = ? And VouStatus = ? Order By EntryNo, rowid"),
        conn, {formId, kCF});
    parts << books::rowsText(rs);
    return parts.join(QChar(0x1d));
}

namespace {

// The checks that need no database; true when some line has an amount to post.
bool checkForm(const Form &form)
{
    if (form.appId < 1)
        throw Refused(QStringLiteral("please select Student"));
    if (form.lines.empty())
        throw Refused(QStringLiteral("please enter at least one subject in detail"));
    if (!form.date.isValid())
        throw Refused(QStringLiteral("Please enter a valid form date."));
    bool posts = false;
    for (const Line &l : form.lines) {
        if (l.subjectId <= 0)
            throw Refused(QStringLiteral("Please select Subject Name "));
        if (amountValue(l.amount) > db::Money())
            posts = true;
    }
    return posts;
}

// The student's ledger account (Null for none); refused when the
// application has gone, or has no account and amounts are to be posted.
db::Value studentAccount(db::Connection &conn, const Form &form, bool posts)
{
    db::Recordset rs;
    rs.open(QStringLiteral("select CusCode from tblMasApp where AppID = ?"), conn, {form.appId});
    if (rs.recordCount() < 1)
        throw Refused(QStringLiteral("Student %1 no longer exists; the form was not saved.").arg(form.appId));
    const db::Value account = rs.fields(QStringLiteral("CusCode")).value();
    if (posts && account.isNull())
        throw Refused(QStringLiteral("Student %1 has no ledger account, so the forward amounts cannot be "
                                     "posted; the form was not saved.")
                          .arg(form.appId));
    return account;
}

// The master row; returns the form's number.
std::int32_t writeMaster(db::Connection &conn, const Form &form)
{
    if (!form.isNew) {
        checkUnchanged(conn, form.formId, form.stamp, QStringLiteral("saved"));
        conn.execute(QStringLiteral("Update tblMasCarryForw Set FormDate = ?, AppID = ? Where FormID = ?"),
            {form.date, form.appId, form.formId});
        return form.formId;
    }
    // Read inside the write transaction: no other copy can take it meanwhile.
    const std::int32_t no = nextFormNumber(conn);
    conn.execute(QStringLiteral("Insert Into tblMasCarryForw (FormID, FormDate, AppID) Values (?, ?, ?)"),
        {no, form.date, form.appId});
    return no;
}

void writeLines(db::Connection &conn, const Form &form, std::int32_t no)
{
    const db::Value preSession = keyValue(form.preSessionId);
    conn.execute(QStringLiteral("Delete From tblDetCarryForw Where FormID = ?"), {no});
    for (const Line &l : form.lines) {
        const db::Money amount = amountValue(l.amount);
        conn.execute(
            QStringLiteral("Insert Into tblDetCarryForw (FormID, FormDate, AppID, SubjectID, Naration, "
                           "SessionID, ForAmt, PreSessionID) Values (?, ?, ?, ?, ?, ?, ?, ?)"),
            {no, form.date, form.appId, static_cast<long long>(l.subjectId),
                l.narration.isEmpty() ? db::Value() : db::Value(l.narration), keyValue(l.sessionId),
                amount == db::Money() ? db::Value() : db::Value(amount), preSession});
    }
}

// Every line with an amount credits the student; the journal numbers the
// rows by grid line and leaves lines without an amount out.
void postLines(db::Connection &conn, const Form &form, std::int32_t no, const db::Value &account)
{
    books::Entry posting;
    posting.kind = books::Kind::CF;
    posting.number = no;
    posting.date = form.date;
    for (const Line &l : form.lines) {
        books::Line j;
        j.credit = account.toInt();
        j.debit = form.crAc;
        j.amount = amountValue(l.amount);
        j.narration = l.narration;
        j.sessionId = common::fields::keyOf(l.sessionId);
        j.subId = l.subjectId;
        posting.lines.push_back(j);
    }
    books::replace(conn, posting, {});
}

} // namespace

Saved saveForm(db::Connection &conn, const Form &form)
{
    const bool posts = checkForm(form);
    db::Transaction tx(conn);
    const db::Value account = studentAccount(conn, form, posts);
    const std::int32_t no = writeMaster(conn, form);
    writeLines(conn, form, no);
    postLines(conn, form, no, account);

    Saved out;
    out.formId = no;
    out.stamp = formStamp(conn, no);
    tx.commit();
    return out;
}

OpenedForm openForm(db::Connection &conn, std::int32_t formId)
{
    OpenedForm out;
    db::Recordset rs;
    rs.open(QStringLiteral("Select * From tblMasCarryForw Where FormID = ?"), conn, {formId});
    if (rs.recordCount() < 1)
        return out;
    out.found = true;
    out.date = rs.fields(QStringLiteral("FormDate")).toDate();
    out.appId = std::int32_t(rs.fields(QStringLiteral("AppID")).toInt());
    rs.open(QStringLiteral(
                "select a.*,(Select SessionName From tblSession Where SessionID = a.SessionID) as SessName,"
                "(select CourseName From tblCourse Where CourseId = "
                "(select CourseId From tblSubject Where subID = a.SubjectID)) as Course,"
                "(Select SubName from tblSubject where subID = a.SubjectID) as subName "
                "from tblDetCarryForw a Where a.FormId = ? Order By a.rowid"),
        conn, {formId});
    for (; !rs.eof(); rs.moveNext()) {
        Line l;
        l.subjectId = rs.fields(QStringLiteral("SubjectID")).toInt();
        l.course = rs.fields(QStringLiteral("Course")).toString();
        l.subName = rs.fields(QStringLiteral("subName")).toString();
        l.narration = rs.fields(QStringLiteral("Naration")).toString();
        l.sessionName = rs.fields(QStringLiteral("SessName")).toString();
        l.amount = rs.fields(QStringLiteral("ForAmt")).toString();
        l.sessionId = rs.fields(QStringLiteral("SessionID")).toString();
        out.lines.push_back(l);
    }
    out.stamp = formStamp(conn, formId);
    return out;
}

void deleteForm(db::Connection &conn, std::int32_t formId, const QString &stamp)
{
    db::Transaction tx(conn);
    if (!stamp.isEmpty())
        checkUnchanged(conn, formId, stamp, QStringLiteral("deleted"));
    books::remove(conn, books::Kind::CF, formId);
    conn.execute(QStringLiteral("Delete From tblDetCarryForw Where FormID = ?"), {formId});
    conn.execute(QStringLiteral("Delete From tblMasCarryForw Where FormID = ?"), {formId});
    tx.commit();
}

Query formListQuery(const QString &criterion, const QString &text, const QDate &date)
{
    const QString select = QStringLiteral(
        "select FormID,strftime('%d-%m-%Y', FormDate) as FrmDate,AppID,"
        "(select StuName From tblMasApp Where AppId = a.Appid) as Student From tblMasCarryForw a");
    const QString order = QStringLiteral(" Order by a.FormDate Desc, a.FormID Desc");
    if (criterion == QLatin1String("Student Name"))
        return {select + QStringLiteral(" where AppID In (select AppId From tblMasApp Where StuName")
                + likeEscape + QStringLiteral(")") + order,
            {db::likeContains(text)}};
    if (criterion == QLatin1String("Student ID") && !text.isEmpty())
        return {select + QStringLiteral(" where AppID = ?") + order, {wholeNumber(text)}};
    if (criterion == QLatin1String("Form ID") && !text.isEmpty())
        return {select + QStringLiteral(" where FormID = ?") + order, {wholeNumber(text)}};
    if (criterion == QLatin1String("Form Date"))
        return {select + QStringLiteral(" where FormDate = ?") + order, {date}};
    return {select + order, {}};
}

std::vector<FormRow> formList(
    db::Connection &conn, const QString &criterion, const QString &text, const QDate &date)
{
    const Query q = formListQuery(criterion, text, date);
    db::Recordset rs;
    rs.open(q.sql, conn, q.params);
    std::vector<FormRow> rows;
    rows.reserve(std::size_t(rs.recordCount()));
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        FormRow r;
        r.formId = std::int32_t(rs.fields(QStringLiteral("FormID")).toInt());
        r.formDate = rs.fields(QStringLiteral("FrmDate")).toString();
        if (const db::Value app = rs.fields(QStringLiteral("AppID")).value(); !app.isNull())
            r.appId = app.toInt();
        r.student = rs.fields(QStringLiteral("Student")).toString();
        rows.push_back(r);
    }
    return rows;
}

Query applicationListQuery(const QString &criterion, const QString &text)
{
    const QString select = QStringLiteral(
        "select AppID,RegNo,strftime('%d-%m-%Y', FixDate) as FixDt,strftime('%d-%m-%Y', AppDate) as AppDate,"
        "StuName,FatherName,CellNo,TotAmt,CashReceive From tblMasApp");
    const QString order = QStringLiteral(" Order by AppID Desc");
    const auto like = [&](const char *column) {
        return Query {select + QStringLiteral(" where ") + QString::fromLatin1(column) + likeEscape + order,
            {db::likeContains(text)}};
    };
    if (criterion == QLatin1String("Student Name"))
        return like("StuName");
    if (criterion == QLatin1String("Application ID") && !text.isEmpty())
        return {select + QStringLiteral(" where AppID = ?") + order, {wholeNumber(text)}};
    if (criterion == QLatin1String("Cell No."))
        return like("CellNo");
    if (criterion == QLatin1String("Reg.#"))
        return like("RegNo");
    return {select + order, {}};
}

} // namespace fees::carryforward
