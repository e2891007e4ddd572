// Every figure of the account and student printouts fits its column at the
// largest amount the books keep, and no text runs into another: measured on
// the laid-out pages with the fonts they are painted in.
#include "platform/report/report.h"
#include "reports/fixture.h"

#include <QFontMetricsF>
#include <QImage>

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const char *const largest = "999999999999.99";

class Fit : public ReportsFixture {
protected:
    void SetUp() override
    {
        ReportsFixture::SetUp();
        const db::Money big = money(largest);
        exec("Update Accounts Set OpenBal = ? Where RowID = ?", {big, hbl});
        exec("Update Accounts Set OpenBal = ? Where RowID = ?", {-big, fees});
        exec("Update Accounts Set OpenBal = Null Where RowID = ?", {cash});
        // The bank opens at the amount and pays it all out: every column of
        // the trial balances and their totals come to the amount.
        master("BP", 167651, "2024-03-05", largest);
        paired("BP", 167651, "2024-03-05", 1, rent, hbl, largest, "RENT");
    }
    void postEveryKind()
    {
        for (const char *kind : {"BR", "CP", "CR", "JV"}) {
            master(kind, 167651, "2024-03-05", largest);
            paired(kind, 167651, "2024-03-05", 1, tea, cash, largest, "TEA");
        }
        exec("Insert Into MasJV (VouNo, VouStatus, VouDate, TotalAmount, SlipNo, IRStatus) "
             "Values (167651, 'FR', '2024-03-05', ?, '512', 'CASH')",
            {money(largest)});
        paired("FR", 167651, "2024-03-05", 1, cash, fees, largest, "FEE");
    }

    // One admission per session, of one subject line at the amount: active or
    // inactive, with nothing or everything received at admission, so every
    // figure of a student printout and its totals comes to the amount or 0.
    void admitAtTheLargestAmount()
    {
        exec("Insert Into tblCourse (CourseId, CourseName) Values (7, 'CA')");
        exec("Insert Into tblSubject (SubId, CourseId, SubName, TotAmt) Values (71, 7, 'AUDIT', ?)",
            {money(largest)});
        const db::Money big = money(largest);
        for (int session = 1; session <= 4; ++session) {
            const bool inactive = session > 2, received = session % 2 == 0;
            exec("Insert Into tblSession (SessionId, SessionName) Values (?, ?)",
                {session, QStringLiteral("2024-%1").arg(session)});
            const std::int64_t ac = TestServer::addAccount(QStringLiteral("1.2.%1").arg(10 + session),
                QStringLiteral("STUDENT %1").arg(session), QStringLiteral("DD"), {}, {});
            exec("Insert Into tblMasApp (AppID, RegNo, AppDate, FixDate, StuName, FatherName, NIC, CellNo, "
                 "RegFee, TotAmt, CashReceive, CusCode, SessionID) Values (?, ?, '2024-03-05', '2024-03-05', "
                 "?, 'FATHER', '42101-1234567-1', '0300-1234567', ?, ?, ?, ?, ?)",
                {session, QStringLiteral("R-%1").arg(session), QStringLiteral("STUDENT %1").arg(session), big,
                    big, received ? big : db::Money(), ac, session});
            exec("Insert Into tblDetApp (AppID, SubID, SubAmt, Discount, NetAmount, RecAmount, InActive) "
                 "Values (?, 71, ?, ?, ?, ?, ?)",
                {session, big, big, big, received ? big : db::Money(),
                    inactive ? db::Value("1") : db::Value()});
        }
    }

    std::shared_ptr<report::Report> open(const char *file)
    {
        auto rpt = report::Report::open(QStringLiteral(ORU_REPORTS_DIR "/") + QString::fromLatin1(file));
        rpt->setDataSource(std::make_shared<report::ConnectionSource>(
            std::shared_ptr<db::Connection>(&conn(), [](db::Connection *) {})));
        return rpt;
    }

    // Each text as it is drawn: its width in the painted font, placed in its
    // rectangle by its alignment.
    static void expectFits(const report::Document &doc, const char *file)
    {
        QImage device(8, 8, QImage::Format_RGB32);
        device.setDotsPerMeterX(11811); // 300 dpi
        device.setDotsPerMeterY(11811);
        const double mmPerPixel = 25.4 / 300;
        for (int p = 0; p < doc.pageCount(); ++p) {
            std::vector<std::pair<QRectF, QString>> drawn;
            for (const report::TextItem &t : doc.page(p).texts) {
                if (t.text.isEmpty())
                    continue;
                const report::TextStyle &s = doc.styles[t.style];
                QFont font(s.family);
                font.setPointSizeF(s.pointSize);
                font.setBold(s.bold);
                font.setItalic(s.italic);
                const double width = QFontMetricsF(font, &device).horizontalAdvance(t.text) * mmPerPixel;
                if (!t.wrap) {
                    EXPECT_LE(width, t.rect.width())
                        << file << " page " << p + 1 << ": '" << t.text.toStdString() << "' (" << width
                        << " mm) is wider than its " << t.rect.width() << " mm";
                }
                double left = t.rect.left();
                if (t.align & Qt::AlignRight)
                    left = t.rect.right() - width;
                else if (t.align & Qt::AlignHCenter)
                    left = t.rect.center().x() - width / 2;
                drawn.push_back(
                    {QRectF(left, t.rect.top(), std::min(width, t.rect.width()), t.rect.height()), t.text});
            }
            // A date reads apart from the text after it on its line ("11-12-2026 JV-1").
            static const QRegularExpression date(QStringLiteral("^\\d\\d[-/]\\d\\d[-/]\\d{4}$"));
            for (const auto &[rect, text] : drawn) {
                if (!date.match(text).hasMatch())
                    continue;
                for (const auto &[next, nextText] : drawn) {
                    const bool sameLine
                        = next.top() < rect.bottom() - 0.5 && rect.top() < next.bottom() - 0.5;
                    const double gap = next.left() - rect.right();
                    EXPECT_FALSE(sameLine && next.left() > rect.left() && gap < 2.0)
                        << file << " page " << p + 1 << ": '" << text.toStdString() << "' touches '"
                        << nextText.toStdString() << "' (" << gap << " mm apart)";
                }
            }
            for (size_t i = 0; i < drawn.size(); ++i)
                for (size_t j = i + 1; j < drawn.size(); ++j) {
                    const QRectF overlap = drawn[i].first.intersected(drawn[j].first);
                    EXPECT_FALSE(overlap.width() > 0.01 && overlap.height() > 0.5)
                        << file << " page " << p + 1 << ": '" << drawn[i].second.toStdString()
                        << "' runs into '" << drawn[j].second.toStdString() << "'";
                }
        }
    }
};

TEST_F(Fit, TrialBalancesLedgersAndBooksAtTheLargestAmount)
{
    const struct {
        const char *procedure, *file;
        int figures; // how often the amount shows at least
    } trialBalances[] = {
        {"TrialBalance3", "rptTrialBalance3.rpt", 7},
        {"TrialBalance", "rptTrialBalance.rpt", 2},
        {"TrialBalance", "rptTrialBalance2.rpt", 2},
    };
    for (const auto &tb : trialBalances) {
        gConn->execute(QStringLiteral("exec %1 ?,?").arg(tb.procedure), {"2024-03-01", "2024-03-31"});
        auto rpt = open(tb.file);
        rpt->setRecordSelectionFormula("{Company.comActive} = 'Y'");
        const report::Document &doc = rpt->render();
        EXPECT_GE(doc.allLines().join(u"\n").count(u"999,999,999,999.99"), tb.figures)
            << doc.allLines().join('\n').toStdString();
        expectFits(doc, tb.file);
    }
    for (const char *call :
        {"exec AcLedger ?,'2024-03-01','2024-03-31'", "exec DetailAcLedger ?,1,3,2024,31,3,2024"}) {
        gConn->execute(QString::fromLatin1(call), {hbl});
        auto rpt = open("rptAcLedger.rpt");
        rpt->openSubreport("rptSubAC")
            .setRecordSelectionFormula(QStringLiteral("{Accounts.RowID} = %1").arg(hbl));
        const report::Document &doc = rpt->render();
        EXPECT_TRUE(doc.allLines().join(u"\n").count(u"999,999,999,999.99") >= 2)
            << doc.allLines().join('\n').toStdString();
        expectFits(doc, "rptAcLedger.rpt");
    }
    auto book = open("rptAcLedger3.rpt");
    const QString a = QString::number(hbl);
    book->setRecordSelectionFormula("{Company.comActive}='Y' and {DetJV.CrAc} = " + a
        + " and {DetJV.VouDate} in #2024-03-01# to #2024-03-31#");
    book->openSubreport("rptSubAc").setRecordSelectionFormula("{Accounts.RowID} = " + a);
    book->openSubreport("rptSubOpening")
        .setRecordSelectionFormula("{DetJV.AcCode} = " + a + " and {DetJV.VouDate} < #2024-03-01#");
    book->openSubreport("rptSubAcOpen").setRecordSelectionFormula("{Accounts.RowID}  = " + a);
    const report::Document &doc = book->render();
    EXPECT_TRUE(doc.allLines().join(u"\n").count(u"999,999,999,999.99") >= 4)
        << doc.allLines().join('\n').toStdString();
    expectFits(doc, "rptAcLedger3.rpt");
}

TEST_F(Fit, VouchersAndTheSlipAtTheLargestAmountWithPlainNumbers)
{
    postEveryKind();
    for (const char *kind : {"BP", "BR", "CP", "CR", "JV"}) {
        const QString file = QStringLiteral("rpt%1.rpt").arg(kind);
        auto rpt = open(file.toLatin1().constData());
        rpt->setRecordSelectionFormula(QStringLiteral(
            "{MasJV.VouNo} = 167651 and {MasJV.VouStatus} = '%1' and {Company.comActive} = 'Y'")
                                           .arg(kind));
        const report::Document &doc = rpt->render();
        const QStringList lines = doc.allLines();
        EXPECT_FALSE(lines.filter(QStringLiteral("%1-167651").arg(kind)).isEmpty())
            << lines.join('\n').toStdString();
        EXPECT_TRUE(lines.filter("167,651").isEmpty()) << lines.join('\n').toStdString();
        EXPECT_TRUE(lines.join(u"\n").count(u"999,999,999,999.99") >= 3) << lines.join('\n').toStdString();
        expectFits(doc, file.toLatin1().constData());
    }
    auto slip = open("rptSlip.rpt");
    slip->setRecordSelectionFormula(
        "{MasJV.VouNo}= 167651 and {MasJV.VouStatus} = 'FR' and {DetJv.CrAmt} > 0");
    const report::Document &doc = slip->render();
    EXPECT_FALSE(doc.allLines().filter("FR-167651").isEmpty()) << doc.allLines().join('\n').toStdString();
    EXPECT_TRUE(doc.allLines().join(u"\n").count(u"999,999,999,999.99") >= 2)
        << doc.allLines().join('\n').toStdString();
    expectFits(doc, "rptSlip.rpt");
}

TEST_F(Fit, StudentPrintoutsAtTheLargestAmount)
{
    admitAtTheLargestAmount();
    auto quoted = [](const QString &text) { return u'"' + text + u'"'; };
    // Sessions 1 and 2 hold the active lines, 3 and 4 the inactive ones.
    struct Printout {
        QString file;
        std::vector<int> sessions;
        std::function<void(report::Report &, int session)> prepare;
    };
    std::vector<Printout> printouts {
        {"rptFeeDetail.rpt", {1, 2, 3, 4},
            [&](report::Report &r, int session) {
                r.setParameterValue(1, session);
                r.setFormula("Batch", quoted(QStringLiteral("2024-%1").arg(session)));
                r.setFormula("UserName", quoted("sa"));
            }},
        {"rptApplication.rpt", {1, 2, 3, 4},
            [](report::Report &r, int session) {
                r.setRecordSelectionFormula(QStringLiteral("{tblMasApp.AppId} = %1").arg(session));
            }},
        {"rptAdmissionDetail.rpt", {0}, [](report::Report &, int) {}},
    };
    // The student-wise details: the whole session, a course, a course and a subject.
    const struct {
        const char *base, *course, *subject;
    } shapes[] = {
        {"StudentWiseDetail", "0", "0"}, {"StudentWiseCourse", "7", "0"}, {"StudentWiseSubject", "7", "71"}};
    for (const auto &shape : shapes) {
        for (const bool inactive : {false, true}) {
            printouts.push_back({QStringLiteral("rpt%1%2.rpt").arg(inactive ? "" : "Act", shape.base),
                inactive ? std::vector<int> {3, 4} : std::vector<int> {1, 2},
                [&, shape, inactive](report::Report &r, int session) {
                    gConn->execute(
                        QStringLiteral("exec CreatStuWiseDet ?,?,?"), {session, shape.course, shape.subject});
                    r.setRecordSelectionFormula(inactive ? "{rptStudentDetail.inactive} = '1'"
                                                         : "IsNull({rptStudentDetail.inactive})");
                    if (QLatin1String(shape.course) != "0")
                        r.setFormula("Course", quoted("CA"));
                    if (QLatin1String(shape.subject) != "0")
                        r.setFormula("Subject", quoted("AUDIT"));
                    r.setFormula("Batch", quoted(QStringLiteral("2024-%1").arg(session)));
                    r.setFormula("UserName", quoted("sa"));
                }});
        }
    }
    for (const Printout &p : printouts) {
        for (const int session : p.sessions) {
            SCOPED_TRACE(QStringLiteral("%1, session %2").arg(p.file).arg(session).toStdString());
            auto rpt = open(p.file.toLatin1().constData());
            p.prepare(*rpt, session);
            const report::Document &doc = rpt->render();
            EXPECT_GE(doc.allLines().join(u"\n").count(u"999,999,999,999.99"), 2)
                << doc.allLines().join('\n').toStdString();
            expectFits(doc, p.file.toLatin1().constData());
        }
    }
}

} // namespace

namespace {

// Text of the items standing in one column (by their left edge), top to
// bottom, with the spaces left out: what a reader of that column gets.
QString columnText(const report::Document &doc, double left)
{
    QString out;
    for (int p = 0; p < doc.pageCount(); ++p) {
        std::vector<const report::TextItem *> items;
        const report::Page page = doc.page(p);
        for (const report::TextItem &t : page.texts)
            if (std::abs(t.rect.left() - left) < 0.01 && !t.text.isEmpty())
                items.push_back(&t);
        std::stable_sort(
            items.begin(), items.end(), [](const report::TextItem *a, const report::TextItem *b) {
                return a->rect.top() < b->rect.top();
            });
        for (const report::TextItem *t : items)
            out += t->text;
    }
    return out.remove(u' ');
}

QString spaceless(QString text)
{
    return text.remove(u' ');
}

TEST_F(Fit, VoucherTextsAtTheirColumnsFullLengthArePrintedWhole)
{
    // As long as the columns hold: a narration of 200 characters with a
    // word longer than its printed column, a cheque number of 20, titles
    // and a payee of 100.
    QString narration = QStringLiteral("PAID FOR THE FURNITURE OF THE NEW CLASS ROOM AS PER QUOTATION ")
        + QString(45, u'X') + QStringLiteral(" RECEIVED ON TIME AND CHECKED BY THE ADMINISTRATION ");
    narration += QString(200 - narration.size(), u'Z');
    ASSERT_EQ(narration.size(), 200);
    const QString cheque = QStringLiteral("CHQ-0000123456789012");
    const QString title = QStringLiteral("FURNITURE AND FIXTURES OF THE MAIN CAMPUS ") + QString(58, u'F');
    const QString payee = QStringLiteral("THE ORIENTAL FURNITURE HOUSE ") + QString(71, u'P');
    exec("Update Accounts Set AcName = ? Where RowID = ?", {title, rent});
    for (const char *kind : {"BP", "BR", "CP", "CR", "JV"}) {
        SCOPED_TRACE(kind);
        exec("Insert Into MasJV (VouNo, VouStatus, VouDate, TotalAmount, PaidReceive) "
             "Values (9, ?, '2024-03-05', 5, ?)",
            {kind, payee});
        const db::Money five = money("5.00"), none;
        exec("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt, ChecqNo, "
             "Naration) Values (9, ?, '2024-03-05', 1, ?, ?, ?, ?, ?, ?), "
             "(9, ?, '2024-03-05', 1, ?, ?, ?, ?, ?, ?)",
            {kind, rent, hbl, five, none, cheque, narration, kind, hbl, rent, none, five, cheque, narration});
        const QString file = QStringLiteral("rpt%1.rpt").arg(kind);
        auto rpt = open(file.toLatin1().constData());
        rpt->setRecordSelectionFormula(
            QStringLiteral("{MasJV.VouNo}= 9 and {MasJV.VouStatus} = '%1' and {Company.comActive} = 'Y'")
                .arg(kind));
        const report::Document &doc = rpt->render();
        const double margin = 10;
        // Both rows of the line, each with its narration and cheque number.
        const QString told = spaceless(narration + " (Chq " + cheque + ")");
        EXPECT_EQ(columnText(doc, margin + 78), QStringLiteral("Naration") + told + told + "Total");
        // The payee stands in the account column's place above the lines.
        EXPECT_EQ(columnText(doc, margin + 28), spaceless(payee + "Account" + title + "HBL BANK"));
        // The voucher's total and signatures follow the grown lines.
        const QStringList lines = doc.allLines();
        EXPECT_FALSE(lines.filter("Total | 5.00 | 5.00").isEmpty()) << lines.join('\n').toStdString();
        expectFits(doc, file.toLatin1().constData());
    }
}

TEST_F(Fit, TrialBalancesOfAQuietPeriodShowTheCompany)
{
    // No posting in the period and no balance brought forward: the work
    // table is empty, the company still heads the printout.
    exec("Update Accounts Set OpenBal = Null");
    exec("Delete From DetJV");
    const struct {
        const char *procedure, *file, *title;
    } trialBalances[] = {
        {"TrialBalance", "rptTrialBalance.rpt", "SUBSIDIARY TRIAL BALANCE"},
        {"TrialBalance", "rptTrialBalance2.rpt", "CONTROL TRIAL BALANCE"},
        {"TrialBalance3", "rptTrialBalance3.rpt", "SUBSIDIARY TRIAL BALANCE (WITH OPENING)"},
    };
    for (const auto &tb : trialBalances) {
        SCOPED_TRACE(tb.file);
        gConn->execute(QStringLiteral("exec %1 ?,?").arg(tb.procedure), {"2025-01-01", "2025-01-31"});
        ASSERT_EQ(rows("Select count(*) From rptTrialBalance"), QStringList {"0"});
        auto rpt = open(tb.file);
        rpt->setRecordSelectionFormula("{Company.comActive} = 'Y'");
        rpt->setFormula("Dates", "\"From :  01/01/2025   To :  31/01/2025\"");
        const QStringList lines = rpt->render().allLines();
        EXPECT_EQ(lines.mid(0, 3),
            QStringList({"ORU INSTITUTE", tb.title, "From :  01/01/2025   To :  31/01/2025"}))
            << lines.join('\n').toStdString();
        EXPECT_TRUE(lines.filter("OLD NAME").isEmpty());
    }
    // With no company active they select nothing, and name none.
    exec("Update Company Set comActive = Null");
    gConn->execute(QStringLiteral("exec TrialBalance ?,?"), {"2025-01-01", "2025-01-31"});
    auto rpt = open("rptTrialBalance.rpt");
    rpt->setRecordSelectionFormula("{Company.comActive} = 'Y'");
    const QStringList lines = rpt->render().allLines();
    EXPECT_TRUE(lines.filter("ORU INSTITUTE").isEmpty()) << lines.join('\n').toStdString();
}

TEST_F(Fit, TotalsAndBalancesPastTheLargestLineAmountFit)
{
    // Three more payments of the largest amount from the bank: the rent's
    // debit comes to four times it, the bank closes at minus three times it.
    for (int no = 1; no <= 3; ++no) {
        master("BP", no, "2024-03-06", largest);
        paired("BP", no, "2024-03-06", 1, rent, hbl, largest, "RENT");
    }
    const char *four = "3,999,999,999,999.96", *threeBelow = "-2,999,999,999,999.97";
    const struct {
        const char *procedure, *file;
    } trialBalances[] = {
        {"TrialBalance3", "rptTrialBalance3.rpt"},
        {"TrialBalance", "rptTrialBalance.rpt"},
        {"TrialBalance", "rptTrialBalance2.rpt"},
    };
    for (const auto &tb : trialBalances) {
        SCOPED_TRACE(tb.file);
        gConn->execute(QStringLiteral("exec %1 ?,?").arg(tb.procedure), {"2024-03-01", "2024-03-31"});
        auto rpt = open(tb.file);
        rpt->setRecordSelectionFormula("{Company.comActive} = 'Y'");
        const report::Document &doc = rpt->render();
        const QStringList total = doc.allLines().filter(QRegularExpression("^Total \\| "));
        ASSERT_EQ(total.size(), 1) << doc.allLines().join('\n').toStdString();
        EXPECT_TRUE(total[0].contains(four)) << total[0].toStdString();
        expectFits(doc, tb.file);
    }
    for (const char *call :
        {"exec AcLedger ?,'2024-03-01','2024-03-31'", "exec DetailAcLedger ?,1,3,2024,31,3,2024"}) {
        SCOPED_TRACE(call);
        gConn->execute(QString::fromLatin1(call), {hbl});
        auto rpt = open("rptAcLedger.rpt");
        rpt->openSubreport("rptSubAC")
            .setRecordSelectionFormula(QStringLiteral("{Accounts.RowID} = %1").arg(hbl));
        const report::Document &doc = rpt->render();
        const QStringList lines = doc.allLines();
        EXPECT_TRUE(lines.contains(QStringLiteral("Total | 0.00 | %1").arg(four)))
            << lines.join('\n').toStdString();
        EXPECT_TRUE(lines.contains(QStringLiteral("Closing Balance | %1").arg(threeBelow)))
            << lines.join('\n').toStdString();
        expectFits(doc, "rptAcLedger.rpt");
    }
    const QString a = QString::number(hbl);
    auto book = open("rptAcLedger3.rpt");
    book->setRecordSelectionFormula("{Company.comActive}='Y' and {DetJV.CrAc} = " + a
        + " and {DetJV.VouDate} in #2024-03-01# to #2024-03-31#");
    book->openSubreport("rptSubAc").setRecordSelectionFormula("{Accounts.RowID} = " + a);
    book->openSubreport("rptSubOpening")
        .setRecordSelectionFormula("{DetJV.AcCode} = " + a + " and {DetJV.VouDate} < #2024-03-01#");
    book->openSubreport("rptSubAcOpen").setRecordSelectionFormula("{Accounts.RowID}  = " + a);
    const report::Document &doc = book->render();
    EXPECT_TRUE(doc.allLines().contains(QStringLiteral("Closing Balance | %1").arg(threeBelow)))
        << doc.allLines().join('\n').toStdString();
    expectFits(doc, "rptAcLedger3.rpt");

    // Students: every admission takes the subject three times over.
    admitAtTheLargestAmount();
    const db::Money big = money(largest);
    for (int session = 1; session <= 4; ++session)
        for (int copy = 0; copy < 2; ++copy)
            exec("Insert Into tblDetApp (AppID, SubID, SubAmt, Discount, NetAmount, RecAmount, InActive) "
                 "Values (?, 71, ?, ?, ?, ?, ?)",
                {session, big, big, big, session % 2 == 0 ? big : db::Money(),
                    session > 2 ? db::Value("1") : db::Value()});
    for (const int session : {1, 2}) {
        SCOPED_TRACE(session);
        auto fee = open("rptFeeDetail.rpt");
        fee->setParameterValue(1, session);
        const report::Document &outstanding = fee->render();
        EXPECT_TRUE(spaceless(outstanding.allLines().join(u'\n')).contains("2,999,999,999,999.97"))
            << outstanding.allLines().join('\n').toStdString();
        expectFits(outstanding, "rptFeeDetail.rpt");
        gConn->execute(QStringLiteral("exec CreatStuWiseDet ?,0,0"), {session});
        auto detail = open("rptActStudentWiseDetail.rpt");
        detail->setRecordSelectionFormula("IsNull({rptStudentDetail.inactive})");
        const report::Document &students = detail->render();
        EXPECT_TRUE(students.allLines().join(u'\n').contains("2,999,999,999,999.97"))
            << students.allLines().join('\n').toStdString();
        expectFits(students, "rptActStudentWiseDetail.rpt");
    }
}

} // namespace
