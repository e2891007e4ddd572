#include "admissions/admission_rules.h"

#include "accounts/chart_rules.h"
#include "accounts/vousetting.h"
#include "books/journal.h"
#include "common/format.h"
#include "common/input.h"

#include <QStringList>

#include <algorithm>

namespace admissions {

namespace {

db::Value key(std::int64_t v)
{
    return db::Value(static_cast<long long>(v));
}

db::Value textOrNull(const QString &text)
{
    return text.isEmpty() ? db::Value() : db::Value(text);
}

// An amount cell or box: Null when it holds no digit ("", "."), else the
// plain amount it holds; false when it holds anything else.
bool amountCell(const QString &text, db::Value *out = nullptr)
{
    db::Money m;
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); })
        && common::input::isPartialAmount(text)) {
        if (out)
            *out = db::Value();
        return true;
    }
    if (!common::input::parseAmount(text, &m))
        return false;
    if (out)
        *out = db::Value(m);
    return true;
}

db::Value amountOrNull(const QString &text)
{
    db::Value v;
    amountCell(text, &v); // checked before anything is written
    return v;
}

bool isWholeNumber(const QString &text, std::int64_t *out)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (ok && out)
        *out = v;
    return ok;
}

SaveOutcome refused(Refusal why)
{
    SaveOutcome o;
    o.refusal = why;
    o.message = refusalMessage(why);
    return o;
}

QString blankless(const QString &name)
{
    return accounts::withoutBlanks(name);
}

// The name's account columns, set on every save.
accounts::FillRow accountColumns(const ApplicationEntry &entry, db::Money total)
{
    return [&entry, total](db::Recordset &rs) {
        rs.fields(QStringLiteral("Addr")).setValue(entry.mailAdd);
        rs.fields(QStringLiteral("Contact")).setValue(entry.contact);
        rs.fields(QStringLiteral("OpenBal")).setValue(total);
    };
}

} // namespace

AdmissionSetup readAdmissionSetup(db::Connection &conn)
{
    AdmissionSetup s;
    // The head counts only when it is a sub-control account ("HD").
    s.studentHeadNodes = accounts::readVoucherSetup(conn, QStringLiteral("IR")).acNodes.trimmed();
    s.cashAcCode = accounts::readVoucherSetup(conn, QStringLiteral("CR")).acCode;
    return s;
}

db::Money leadingAmount(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 128) {
            digits = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return {};
    db::Money m;
    if (!db::Money::tryParse(text.mid(start, i - start), &m))
        return {};
    return m;
}

QString amountText(db::Money amount)
{
    QString s = amount.toString();
    if (s.contains(u'.')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

Totals totalsOf(const QList<SubjectLine> &lines)
{
    Totals t;
    for (const SubjectLine &l : lines) {
        t.total += leadingAmount(l.netAmount);
        t.received += leadingAmount(l.recAmount);
    }
    return t;
}

QString refusalMessage(Refusal refusal)
{
    switch (refusal) {
    case Refusal::None:
        return {};
    case Refusal::NoStudentHead:
        return QStringLiteral("please set SubControl Account in Voucher Setup ");
    case Refusal::NoStudentName:
        return QStringLiteral("Please enter Student Name");
    case Refusal::NoCellNo:
        return QStringLiteral("Please enter Cell No");
    case Refusal::NoSession:
        return QStringLiteral("Please select Session Name");
    case Refusal::NoSessionYet:
        return QStringLiteral("Please create a Session first (Session window), then select it");
    case Refusal::NoCashAccount:
        return QStringLiteral("please select Account In Vouchere Setup");
    case Refusal::DuplicateStudent:
        return QStringLiteral("this Student is already exitis!");
    case Refusal::NoSubjects:
        return QStringLiteral("Please enter subject in detail");
    case Refusal::DuplicateSubject:
        return lineRefusalMessage(LineRefusal::DuplicateSubject);
    case Refusal::ReceivedAboveNet:
        return lineRefusalMessage(LineRefusal::ReceivedAboveNet);
    case Refusal::ApplicationGone:
        return QStringLiteral("This application no longer exists; another user may have deleted it.");
    case Refusal::AccountRefused:
        return QStringLiteral("The student's account could not be opened under the head named in the "
                              "Voucher Setup.");
    case Refusal::NotAnAmount:
        return common::input::amountRefusal();
    case Refusal::TotalTooLarge:
        return QStringLiteral("The total of this application is too large for an amount; it was not saved.");
    }
    return {};
}

bool studentNameTaken(
    db::Connection &conn, const AdmissionSetup &setup, const QString &name, std::int64_t exceptRowId)
{
    const db::Value hit
        = conn.scalar(QStringLiteral("select AcName from Accounts where replace(AcName,' ','') = ? "
                                     "collate nocase and rtrim(ParentID) = ? and RowID <> ?"),
            {blankless(name), setup.studentHeadNodes.trimmed(), key(exceptRowId)});
    return !hit.isNull();
}

Refusal checkApplication(db::Connection &conn, const AdmissionSetup &setup, const ApplicationEntry &entry)
{
    if (setup.studentHeadNodes.isEmpty())
        return Refusal::NoStudentHead;
    if (entry.stuName.isEmpty())
        return Refusal::NoStudentName;
    if (entry.cellNo.isEmpty())
        return Refusal::NoCellNo;
    // Without a session the student is missing from every session-wise
    // report and fee figure.
    if (conn.scalar(QStringLiteral("select SessionId from tblSession where SessionId = ?"),
                {textOrNull(entry.sessionId.trimmed())})
            .isNull())
        return conn.scalar(QStringLiteral("select count(*) from tblSession")).toInt() == 0
            ? Refusal::NoSessionYet
            : Refusal::NoSession;
    // Amounts are stored as they stand, never by a leading number.
    if (!amountCell(entry.regFee))
        return Refusal::NotAnAmount;
    for (const SubjectLine &l : entry.lines)
        for (const QString *cell : {&l.subAmt, &l.discount, &l.netAmount, &l.recAmount})
            if (!amountCell(*cell))
                return Refusal::NotAnAmount;
    Totals totals;
    try {
        totals = totalsOf(entry.lines);
    } catch (const db::OverflowError &) {
        return Refusal::TotalTooLarge;
    }
    if (setup.cashAcCode == 0 && totals.received > db::Money())
        return Refusal::NoCashAccount;
    const bool isNew = entry.appId.isEmpty();
    if (isNew || blankless(entry.stuName) != blankless(entry.loadedStuName)) {
        // The application's own account never counts against its name.
        std::int64_t appId = 0;
        std::int64_t own = 0;
        if (!isNew && isWholeNumber(entry.appId, &appId))
            own = conn.scalar(QStringLiteral("select CusCode from tblMasApp where AppID = ?"), {key(appId)})
                      .toInt();
        if (studentNameTaken(conn, setup, entry.stuName, own))
            return Refusal::DuplicateStudent;
    }
    if (entry.lines.isEmpty())
        return Refusal::NoSubjects;
    for (int i = 0; i < entry.lines.size(); ++i) {
        switch (checkLine(entry.lines[i], entry.lines, i)) {
        case LineRefusal::DuplicateSubject:
            return Refusal::DuplicateSubject;
        case LineRefusal::ReceivedAboveNet:
            return Refusal::ReceivedAboveNet;
        // The stored net amount is what the save writes; how it was worked
        // out is the entry's business.
        case LineRefusal::DiscountAboveAmount:
        case LineRefusal::None:
            break;
        }
    }
    return Refusal::None;
}

db::Money netAmount(const QString &amount, const QString &discount)
{
    return leadingAmount(amount) - leadingAmount(discount);
}

LineRefusal checkLine(const SubjectLine &line, const QList<SubjectLine> &lines, int ownIndex)
{
    const QString subject = line.subId.trimmed();
    for (int i = 0; i < lines.size(); ++i) {
        if (i != ownIndex && lines[i].subId.trimmed() == subject)
            return LineRefusal::DuplicateSubject;
    }
    const db::Money net = leadingAmount(line.netAmount);
    if (net < db::Money())
        return LineRefusal::DiscountAboveAmount;
    if (leadingAmount(line.recAmount) > net)
        return LineRefusal::ReceivedAboveNet;
    return LineRefusal::None;
}

QString lineRefusalMessage(LineRefusal refusal)
{
    switch (refusal) {
    case LineRefusal::None:
        return {};
    case LineRefusal::DuplicateSubject:
        return QStringLiteral("This Subject Name is already exitis in detail");
    case LineRefusal::DiscountAboveAmount:
        return QStringLiteral("Discount is greater than Amount");
    case LineRefusal::ReceivedAboveNet:
        return QStringLiteral("Received Amount is greater than Net Amount");
    }
    return {};
}

namespace {

// The stored master row a save writes: its number and the student's account
// it names (0 for none yet).
struct MasterRow {
    std::int64_t appId = 0;
    std::int64_t accountKey = 0;
};

// A new application takes the largest number plus one; an opened one must
// still be there. Refusal::None when the row was written.
Refusal writeMaster(db::Connection &conn, const ApplicationEntry &entry, const Totals &totals,
    const QString &userName, MasterRow *row)
{
    db::Recordset master;
    if (entry.appId.isEmpty()) {
        row->appId
            = conn.scalar(QStringLiteral("select ifnull(max(AppID),0) + 1 as AppID from tblMasApp")).toInt();
        master.open(QStringLiteral("select * from tblMasApp where 0=1"), conn);
        master.addNew();
        master.fields(QStringLiteral("User_Name")).setValue(userName);
    } else {
        if (!isWholeNumber(entry.appId, &row->appId))
            return Refusal::ApplicationGone;
        master.open(QStringLiteral("select * from tblMasApp where AppID = ?"), conn, {key(row->appId)});
        if (master.eof())
            return Refusal::ApplicationGone;
        row->accountKey = master.fields(QStringLiteral("CusCode")).toInt();
    }
    for (const auto &[column, text] : entry.fields)
        master.fields(column).setValue(textOrNull(text));
    master.fields(QStringLiteral("AppID")).setValue(key(row->appId));
    master.fields(QStringLiteral("SessionID")).setValue(textOrNull(entry.sessionId));
    master.fields(QStringLiteral("StuName")).setValue(entry.stuName);
    master.fields(QStringLiteral("AppDate")).setValue(entry.appDate);
    master.fields(QStringLiteral("FixDate")).setValue(entry.fixDate);
    master.fields(QStringLiteral("NIC")).setValue(textOrNull(entry.nic));
    master.fields(QStringLiteral("RegFee")).setValue(amountOrNull(entry.regFee));
    master.fields(QStringLiteral("TotAmt")).setValue(totals.total);
    master.fields(QStringLiteral("CashReceive")).setValue(totals.received);
    master.fields(QStringLiteral("SectionAtoZ")).setValue(textOrNull(entry.section));
    master.update();
    return Refusal::None;
}

// The subject lines, written again as a whole.
void writeSubjectLines(db::Connection &conn, std::int64_t appId, const QList<SubjectLine> &lines)
{
    conn.execute(QStringLiteral("delete from tblDetApp where AppID = ?"), {key(appId)});
    for (const SubjectLine &l : lines) {
        const QString inactive = (l.inActive.isEmpty() || l.inActive == u"0") ? QString() : l.inActive;
        conn.execute(
            QStringLiteral("insert into tblDetApp (AppID, SubID, SubAmt, Discount, Nerration, NetAmount, "
                           "RecAmount, InActive) values (?, ?, ?, ?, ?, ?, ?, ?)"),
            {key(appId), textOrNull(l.subId.trimmed()), amountOrNull(l.subAmt), amountOrNull(l.discount),
                textOrNull(l.narration), amountOrNull(l.netAmount), amountOrNull(l.recAmount),
                textOrNull(inactive)});
    }
}

// The student's ledger account, brought up to date or opened, and named by
// the master row. An existing application whose account has gone (or never
// was) gets a new one, as a new application does.
Refusal saveStudentAccount(db::Connection &conn, const AdmissionSetup &setup, const ApplicationEntry &entry,
    const Totals &totals, MasterRow *row)
{
    const bool accountExists = row->accountKey > 0
        && !conn.scalar(QStringLiteral("select RowID from Accounts where RowID = ?"), {key(row->accountKey)})
                .isNull();
    accounts::Outcome account;
    if (accountExists) {
        account = accounts::updateAccount(conn, row->accountKey, entry.stuName,
            accountColumns(entry, totals.total), accounts::TitleCheck::None);
    } else {
        if (!entry.appId.isEmpty() && studentNameTaken(conn, setup, entry.stuName))
            return Refusal::DuplicateStudent;
        account = accounts::addChildAccount(conn, setup.studentHeadNodes.trimmed(), entry.stuName,
            accountColumns(entry, totals.total), accounts::TitleCheck::None);
    }
    if (!account.ok() || account.rowId <= 0)
        return Refusal::AccountRefused;
    row->accountKey = account.rowId;
    conn.execute(QStringLiteral("update tblMasApp set CusCode = ? where AppID = ?"),
        {key(row->accountKey), key(row->appId)});
    return Refusal::None;
}

// The admission-receipt pair: its voucher number is the student's account,
// and a received amount of 0 leaves the account without one.
void postAdmissionReceipt(db::Connection &conn, const AdmissionSetup &setup, const ApplicationEntry &entry,
    const Totals &totals, std::int64_t accountKey)
{
    books::Entry receipt;
    receipt.kind = books::Kind::AR;
    receipt.number = accountKey;
    receipt.date = entry.fixDate;
    if (totals.received > db::Money()) {
        books::Line l;
        l.debit = setup.cashAcCode;
        l.credit = accountKey;
        l.amount = totals.received;
        l.narration = QStringLiteral("App. Rec Amount (") + entry.stuName + u')';
        l.creditNarration = QStringLiteral("App. Rec Amount ");
        receipt.lines.push_back(l);
    }
    books::replace(conn, receipt, {});
}

} // namespace

SaveOutcome saveApplication(
    db::Connection &conn, const AdmissionSetup &setup, const ApplicationEntry &entry, const QString &userName)
{
    // A refusal after the first write returns before commit, so the guard
    // takes everything back.
    db::Transaction tx(conn);
    if (const Refusal r = checkApplication(conn, setup, entry); r != Refusal::None)
        return refused(r);
    const Totals totals = totalsOf(entry.lines);
    MasterRow row;
    if (const Refusal r = writeMaster(conn, entry, totals, userName, &row); r != Refusal::None)
        return refused(r);
    writeSubjectLines(conn, row.appId, entry.lines);
    if (const Refusal r = saveStudentAccount(conn, setup, entry, totals, &row); r != Refusal::None)
        return refused(r);
    postAdmissionReceipt(conn, setup, entry, totals, row.accountKey);
    tx.commit();

    SaveOutcome o;
    o.appId = row.appId;
    o.accountKey = row.accountKey;
    return o;
}

QString deleteRefusal(db::Connection &conn, std::int64_t appId)
{
    const db::Value account
        = conn.scalar(QStringLiteral("select CusCode from tblMasApp where AppID = ?"), {key(appId)});
    if (!account.isNull()
        && !conn.scalar(QStringLiteral("select AcCode from DetJV where AcCode = ? and VouStatus <> ?"),
                    {account, books::kindCode(books::Kind::AR)})
                .isNull())
        return QStringLiteral("this Account use in vouceher detail");
    // A carry-forward form names the application by its number, which the
    // next admission would take again and inherit the form with.
    if (!conn.scalar(
                 QStringLiteral("select FormID from tblMasCarryForw where AppID = ? limit 1"), {key(appId)})
             .isNull())
        return QStringLiteral("This application has carry-forward forms; delete them first.");
    return {};
}

QString deleteApplication(db::Connection &conn, std::int64_t appId)
{
    db::Transaction tx(conn);
    if (QString refusal = deleteRefusal(conn, appId); !refusal.isEmpty())
        return refusal;
    const db::Value account
        = conn.scalar(QStringLiteral("select CusCode from tblMasApp where AppID = ?"), {key(appId)});
    conn.execute(QStringLiteral("delete from tblDetApp where AppID = ?"), {key(appId)});
    conn.execute(QStringLiteral("delete from tblMasApp where AppID = ?"), {key(appId)});
    if (!account.isNull()) {
        conn.execute(QStringLiteral("delete from Accounts where RowID = ?"), {account});
        books::remove(conn, books::Kind::AR, account.toInt());
    }
    tx.commit();
    return {};
}

const QStringList &searchCriteria()
{
    static const QStringList list {QStringLiteral("Student Name"), QStringLiteral("Application ID"),
        QStringLiteral("Cell No."), QStringLiteral("Reg.#"), QStringLiteral("Date"),
        QStringLiteral("Course Wise"), QStringLiteral("Subject Wise")};
    return list;
}

Query applicationListQuery(const QString &criterion, const QString &value, const QDate &date)
{
    const QString select = QStringLiteral(
        "select AppID,RegNo,strftime('%d-%m-%Y',FixDate) as FixDt,strftime('%d-%m-%Y',AppDate) as AppDate,"
        "StuName,FatherName,CellNo,TotAmt,CashReceive from tblMasApp");
    const QString newestFirst = QStringLiteral(" order by AppID desc");
    const auto like = [&](const char *column) {
        return Query {
            select + QStringLiteral(" where %1 like ? escape '\\'").arg(QLatin1String(column)) + newestFirst,
            {db::likeContains(value)}};
    };
    if (criterion == u"Student Name")
        return like("StuName");
    if (criterion == u"Cell No.")
        return like("CellNo");
    if (criterion == u"Reg.#")
        return like("RegNo");
    if (criterion == u"Application ID" && !value.isEmpty()) {
        std::int64_t id = 0;
        // A value that is no number matches no application.
        if (!isWholeNumber(value, &id))
            return {select + QStringLiteral(" where 0=1") + newestFirst, {}};
        return {select + QStringLiteral(" where AppID = ?") + newestFirst, {key(id)}};
    }
    if (criterion == u"Date")
        return {select + QStringLiteral(" where FixDate = ?") + newestFirst, {common::fmt::isoDate(date)}};
    return {select + newestFirst, {}};
}

QString formulaText(const QString &text)
{
    QString inner = text;
    inner.replace(u'\'', QStringLiteral("''"));
    return u'\'' + inner + u'\'';
}

QString admissionDetailSelection(const QString &criterion, const QString &value, const QDate &date)
{
    const auto like = [&](const char *field) {
        return QStringLiteral("{%1} like ").arg(QLatin1String(field)) + formulaText(u'*' + value + u'*');
    };
    if (criterion == u"Student Name")
        return like("tblMasApp.StuName");
    if (criterion == u"Application ID" && !value.isEmpty()) {
        std::int64_t id = 0;
        return QStringLiteral("{tblMasApp.AppId} =  ")
            + (isWholeNumber(value, &id) ? QString::number(id) : formulaText(value));
    }
    if (criterion == u"Cell No.")
        return like("tblMasApp.CellNo");
    if (criterion == u"Reg.#")
        return like("tblMasApp.RegNo");
    if (criterion == u"Course Wise" && !value.isEmpty())
        return QStringLiteral("{tblCourse.CourseName} = ") + formulaText(value);
    if (criterion == u"Subject Wise")
        return like("tblSubject.SubName");
    if (criterion == u"Date")
        return QStringLiteral("{tblMasApp.FixDate} = #") + common::fmt::isoDate(date) + u'#';
    return {};
}

} // namespace admissions
