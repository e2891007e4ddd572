// The benchmark's book, generated a batch of rows at a time.
#include "books_generate.h"

#include "platform/db/db.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace bench {

void saveBook(const QString &file, const Book &b)
{
    QFile f(file);
    if (f.open(QIODevice::WriteOnly | QIODevice::Text))
        f.write(QByteArray::number(qlonglong(b.cash)) + ' ' + QByteArray::number(qlonglong(b.firstBank)) + ' '
            + QByteArray::number(b.lines) + ' ' + QByteArray::number(b.masters) + '\n');
}

bool loadBook(const QString &file, Book *b)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QList<QByteArray> v = f.readAll().simplified().split(' ');
    if (v.size() != 4)
        return false;
    b->cash = v[0].toLongLong();
    b->firstBank = v[1].toLongLong();
    b->lines = v[2].toInt();
    b->masters = v[3].toInt();
    return b->cash > 0 && b->firstBank > 0;
}

void copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    const QDir src(from);
    for (const QFileInfo &fi : src.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + u'/' + fi.fileName();
        if (fi.isDir()) {
            copyFolder(fi.filePath(), target);
        } else {
            QFile::remove(target);
            QFile::copy(fi.filePath(), target);
        }
    }
}

namespace {

// The key the last insert was given, as each engine reports it.
QString lastKeySql(const BookParams &p)
{
    return p.pg ? QStringLiteral("select lastval()") : QStringLiteral("select last_insert_rowid()");
}

std::int64_t addAccount(db::Connection &c, const BookParams &p, const QString &nodes, const QString &name,
    const char *status, const char *bstatus = nullptr)
{
    const int dot = int(nodes.lastIndexOf(u'.'));
    c.execute(QStringLiteral("insert into Accounts (ParentID, Dcode, AcNodes, AcName, AcStatus, BStatus, "
                             "OpenBal) values (?, ?, ?, ?, ?, ?, ?)"),
        {dot < 0 ? nodes : nodes.left(dot), dot < 0 ? 0 : nodes.mid(dot + 1).toInt(), nodes, name,
            QString::fromLatin1(status), bstatus ? db::Value(bstatus) : db::Value(),
            db::Money::fromCents(std::int64_t(nodes.size()) * 100000)});
    return c.scalar(lastKeySql(p)).toInt();
}

// Rows written a batch at a time, each batch one insert of many rows, so
// that a book of millions of lines is generated in minutes on either engine.
class BatchInsert {
public:
    BatchInsert(db::Connection &c, const QString &head, const QString &tuple)
        : m_c(c)
        , m_head(head)
        , m_tuple(tuple)
    {
    }
    ~BatchInsert() { flush(); }
    void add(std::initializer_list<db::Value> values)
    {
        m_pending.insert(m_pending.end(), values);
        if (++m_rows == kRows)
            flush();
    }
    void flush()
    {
        if (m_rows == 0)
            return;
        QStringList tuples;
        for (int i = 0; i < m_rows; ++i)
            tuples << m_tuple;
        m_c.execute(m_head + tuples.join(u','), m_pending);
        m_pending.clear();
        m_rows = 0;
    }

private:
    static constexpr int kRows = 200;
    db::Connection &m_c;
    QString m_head, m_tuple;
    db::Params m_pending;
    int m_rows = 0;
};

} // namespace

Book build(db::Connection &c, const BookParams &p)
{
    Book b;
    db::Transaction tx(c);
    c.execute(QStringLiteral("insert into Company (Company, comActive) values ('ORU INSTITUTE', 'Y')"));
    // Controls of 10 sub-controls of up to 100 accounts each, `perControl`
    // accounts to a control with its heads (5 of 1,000: 5,000 in the chart).
    int made = 0;
    for (int h = 1; h <= p.controls; ++h) {
        const QString hh = QString::number(h);
        addAccount(c, p, hh, QStringLiteral("CONTROL %1").arg(h), "HH");
        ++made;
        for (int s = 1; s <= 10; ++s) {
            const QString hd = hh + u'.' + QString::number(s);
            addAccount(c, p, hd, QStringLiteral("SUB CONTROL %1").arg(hd), "HD");
            ++made;
            for (int d = 1; made < h * p.perControl && d <= 100; ++d) {
                const QString dd = hd + u'.' + QString::number(d);
                const bool bank = h == 1 && s == 1 && d <= 10;
                const std::int64_t id = addAccount(c, p, dd,
                    bank ? QStringLiteral("BANK %1").arg(d) : QStringLiteral("ACCOUNT %1").arg(dd), "DD",
                    bank ? "B" : nullptr);
                ++made;
                if (bank)
                    b.banks.push_back(id);
                else if (h == 1 && s == 2 && d == 1)
                    b.cash = id;
                else if (h >= 3)
                    b.heads.push_back(id);
            }
        }
    }
    addAccount(c, p, QStringLiteral("1.99"), QStringLiteral("STUDENTS"), "HD");
    c.execute(QStringLiteral("insert into tblSession (SessionId, SessionName) values (1, '2024')"));
    c.execute(QStringLiteral("insert into tblCourse (CourseId, CourseName) values (1, 'CA')"));
    c.execute(QStringLiteral("insert into tblSubject (SubId, CourseId, SubName, TotAmt) values (1, 1, "
                             "'AUDIT', ?), (2, 1, 'TAX', ?), (3, 1, 'LAW', ?)"),
        {db::Money::fromCents(500000), db::Money::fromCents(400000), db::Money::fromCents(300000)});
    for (int i = 1; i <= p.students; ++i) {
        const std::int64_t ac
            = addAccount(c, p, QStringLiteral("1.99.%1").arg(i), QStringLiteral("STUDENT %1").arg(i), "DD");
        b.students.push_back(ac);
        c.execute(
            QStringLiteral("insert into tblMasApp (AppID, RegNo, StuName, FatherName, SessionID, CusCode, "
                           "AppDate) values (?, ?, ?, 'FATHER', 1, ?, '2024-01-15')"),
            {i, QStringLiteral("R-%1").arg(i), QStringLiteral("STUDENT %1").arg(i), ac});
        for (int s = 1; s <= 3; ++s)
            c.execute(
                QStringLiteral("insert into tblDetApp (AppID, SubID, SubAmt, Discount, NetAmount, RecAmount) "
                               "values (?, ?, ?, 0, ?, 0)"),
                {i, s, db::Money::fromCents(100000 * s), db::Money::fromCents(100000 * s)});
    }
    b.firstBank = b.banks.front();

    BatchInsert masters(c,
        QStringLiteral(
            "insert into MasJV (VouNo, VouStatus, VouDate, PaidReceive, TotalAmount, Login) values "),
        QStringLiteral("(?, ?, ?, 'BENCH', ?, 'sa')"));
    BatchInsert rows(c,
        QStringLiteral("insert into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt, "
                       "ChecqNo, Naration, SessionID, SubID) values "),
        QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, '', ?, ?, ?)"));
    const char *kinds[] = {"CP", "CR", "BP", "BR", "JV", "FR"};
    int no[6] = {0, 0, 0, 0, 0, 0};
    const QDate start = p.start;
    std::uint32_t rnd = p.seed;
    auto next = [&rnd](std::uint32_t n) {
        rnd = rnd * 1664525u + 1013904223u;
        return (rnd >> 8) % n;
    };
    for (int v = 0; v < p.vouchers; ++v) {
        const int k = v % 5 == 4 ? 4 + (v / 5) % 2 : v % 4; // CP CR BP BR, then JV or FR
        const QString kind = QString::fromLatin1(kinds[k]);
        const int vouNo = ++no[k];
        const QDate date = start.addDays(qint64(v) * p.days / p.vouchers);
        const QString narration = QStringLiteral("LINE OF VOUCHER %1").arg(v);
        std::int64_t total = 0;
        auto amount = [&] { return std::int64_t(next(5000000) + 100); };
        if (k <= 1) {
            // Cash voucher: four lines and the cash total row.
            for (int e = 1; e <= 4; ++e) {
                const std::int64_t a = amount();
                total += a;
                const std::int64_t ac = b.heads[next(std::uint32_t(b.heads.size()))];
                rows.add({vouNo, kind, date, e, ac, b.cash, db::Money::fromCents(k == 0 ? a : 0),
                    db::Money::fromCents(k == 0 ? 0 : a), narration, db::Value(), db::Value()});
            }
            rows.add({vouNo, kind, date, 5, b.cash, db::Value(), db::Money::fromCents(k == 0 ? 0 : total),
                db::Money::fromCents(k == 0 ? total : 0), narration, db::Value(), db::Value()});
            b.lines += 5;
        } else {
            // Paired lines: two or three, a debit and a credit row each.
            const int n = 2 + (v / 4) % 2;
            for (int e = 1; e <= n; ++e) {
                const std::int64_t a = amount();
                total += a;
                std::int64_t dr = b.heads[next(std::uint32_t(b.heads.size()))];
                std::int64_t cr = b.banks[next(std::uint32_t(b.banks.size()))];
                db::Value session, subject;
                if (k == 3)
                    std::swap(dr, cr);
                if (k == 4)
                    cr = b.heads[next(std::uint32_t(b.heads.size()))];
                if (k == 5) {
                    dr = b.cash;
                    cr = b.students[next(std::uint32_t(p.students))];
                    session = 1;
                    subject = e;
                }
                rows.add({vouNo, kind, date, e, dr, cr, db::Money::fromCents(a), db::Money(), narration,
                    session, subject});
                rows.add({vouNo, kind, date, e, cr, dr, db::Money(), db::Money::fromCents(a), narration,
                    session, subject});
            }
            b.lines += 2 * n;
        }
        masters.add({vouNo, kind, date, db::Money::fromCents(total)});
        ++b.masters;
    }
    rows.flush();
    masters.flush();
    tx.commit();
    return b;
}

} // namespace bench
