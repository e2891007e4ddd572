#pragma once
// The books printed from the click (first page and every page), the voucher
// window's search list and the picker opened from a voucher window, each
// beside the bare query of the same rows. Included by books_bench.cpp after
// its helpers (open, bare, line, attempt, ms, median).
#include <QLineEdit>
#include <QPushButton>

namespace {

void streamFigures(const Book &book, QCoreApplication &app, int rounds)
{
    auto rounds_of = [rounds](const std::function<void()> &f) {
        std::vector<double> t;
        for (int i = 0; i < rounds; ++i)
            t.push_back(ms(f));
        return median(t);
    };
    const QString from = QStringLiteral("2024-01-01"), to = QStringLiteral("2024-12-31");

    // The cash book and one bank's book of the second year, as the report
    // window prints them.
    auto bookReport = [&](std::int64_t ac) {
        const QString a = QString::number(ac);
        auto rpt = open(QStringLiteral("rptAcLedger3.rpt"));
        rpt->setRecordSelectionFormula(QStringLiteral("{Company.comActive}='Y' and {DetJV.CrAc} = ") + a
            + QStringLiteral(" and {DetJV.VouDate} in #") + from + QStringLiteral("# to #") + to
            + QStringLiteral("#"));
        rpt->setFormula(QStringLiteral("Dates"), QStringLiteral("\"From : 01-01-2024  To :  31-12-2024\""));
        rpt->openSubreport(QStringLiteral("rptSubAc"))
            .setRecordSelectionFormula(QStringLiteral("{Accounts.RowID} = ") + a);
        rpt->openSubreport(QStringLiteral("rptSubOpening"))
            .setRecordSelectionFormula(QStringLiteral("{DetJV.AcCode} = ") + a
                + QStringLiteral(" and {DetJV.VouDate} < #") + from + QStringLiteral("#"));
        rpt->openSubreport(QStringLiteral("rptSubAcOpen"))
            .setRecordSelectionFormula(QStringLiteral("{Accounts.RowID}  = ") + a);
        return rpt;
    };
    for (const auto &[what, ac] : {std::pair<const char *, std::int64_t>("cash book (a year)", book.cash),
             {"bank book (a year)", book.firstBank}}) {
        attempt(what, [&, what = what, ac = ac] {
            // The rows printed: the account's postings of the year, with the
            // opposite account's title, in the book's order, and what came before.
            auto rows = [&] {
                bare(QStringLiteral("select sum(DrAmt), sum(CrAmt) from DetJV "
                                    "where AcCode = ? and VouDate < ? and ifnull(VouStatus, '') <> 'CF'"),
                    {ac, from});
                bare(QStringLiteral(
                         "select d.VouNo, d.VouStatus, d.VouDate, d.EntryNo, d.CrAc, d.DrAmt, d.CrAmt, "
                         "d.ChecqNo, "
                         "d.Naration, a.AcName from DetJV d left join Accounts a on a.RowID = d.CrAc "
                         "where d.AcCode = ? and d.CrAc is not null and d.VouDate between ? and ? "
                         "and ifnull(d.VouStatus, '') <> 'CF' union all "
                         "select l.VouNo, l.VouStatus, l.VouDate, l.EntryNo, l.AcCode, l.CrAmt, l.DrAmt, "
                         "l.ChecqNo, l.Naration, a.AcName from DetJV l left join Accounts a on a.RowID = "
                         "l.AcCode "
                         "where l.CrAc = ? and l.VouStatus in ('CP', 'CR') and l.VouDate between ? and ? "
                         "order by 3, 2, 1, 4"),
                    {ac, from, to, ac, from, to});
            };
            int pages = 0;
            auto first = [&] {
                bookReport(ac)->render(
                    [](const std::shared_ptr<const report::Document> &, double) { return false; });
            };
            auto whole = [&] { pages = bookReport(ac)->render().pageCount(); };
            whole();
            const double mb = peakMb(whole);
            const double q = rounds_of(rows);
            const double f = rounds_of(first);
            const double w = rounds_of(whole);
            char extra[96];
            std::snprintf(extra, sizeof extra, "   of %d pages", pages);
            line((QByteArray(what) + ": first page").constData(), f, q, extra);
            std::snprintf(extra, sizeof extra, "   peak +%.1f MB", mb);
            line((QByteArray(what) + ": every page").constData(), w, q, extra);
        });
    }

    // The long ledger from the click: its procedure, then the first page.
    attempt("long ledger from the click", [&] {
        const std::int64_t ac = book.cash;
        auto procedure
            = [&] { gConn->execute(QStringLiteral("exec DetailAcLedger ?,1,1,2023,31,12,2024"), {ac}); };
        procedure();
        const double q = rounds_of([&] { bare(QStringLiteral("select * from rptLedger order by LineNo")); });
        const double r = rounds_of([&] {
            procedure();
            auto rpt = ledgerReport(ac);
            rpt->render([](const std::shared_ptr<const report::Document> &, double) { return false; });
        });
        line("long ledger: first page from the click", r, q);
    });

    // A voucher window: opened, a keystroke in its search box, and the
    // picker opened from it.
    attempt("voucher window (frmBP)", [&] {
        vouchers::registerWindows();
        accounts::registerPickerWindows();
        const QString date = onPg ? QStringLiteral("to_char(VouDate, 'DD-MM-YYYY')")
                                  : QStringLiteral("strftime('%d-%m-%Y', VouDate)");
        // The plain list of the kind's vouchers, without their line counts.
        auto plainList = [&](const QString &text) {
            bare(
                QStringLiteral("select VouNo, %1, PaidReceive, TotalAmount from MasJV where VouStatus = 'BP' "
                               "and cast(VouNo as text) like ? order by VouNo desc")
                    .arg(date),
                {QStringLiteral("%") + text + QStringLiteral("%")});
        };
        const double q = rounds_of([&] {
            plainList(QString());
            bare(QStringLiteral("select * from VouSetting where VouStatus = 'BP'"));
            bare(QStringLiteral("select max(VouNo) from MasJV where VouStatus = 'BP'"));
        });
        const double r = rounds_of([&] {
            common::windows::show(QStringLiteral("frmBP"));
            app.processEvents();
            common::windows::unload(QStringLiteral("frmBP"));
            app.processEvents();
        });
        line("open a voucher window (frmBP)", r, q);

        common::Window *w = common::windows::show(QStringLiteral("frmBP"));
        app.processEvents();
        auto *search = w->findChild<QLineEdit *>(QStringLiteral("txtSearch"));
        int k = 0;
        // Keystrokes that leave a short list: "12", "123", ... of five digits.
        const QStringList texts = {QStringLiteral("1234"), QStringLiteral("2345"), QStringLiteral("3456")};
        const double keyQ = rounds_of([&] { plainList(texts[k++ % texts.size()]); });
        k = 0;
        const double key = rounds_of([&] { search->setText(texts[k++ % texts.size()]); });
        line("a search keystroke (frmBP)", key, keyQ);

        auto *select = w->findChild<QPushButton *>(QStringLiteral("cmdSelectDr"));
        const double pickQ = rounds_of([&] {
            bare(QStringLiteral("Select RowID,AcNodes,AcName,OpenBal,Contact,Fax,Addr,Addr2 From Accounts "
                                "Where acStatus='DD'  and AcName Like ? ESCAPE '\\' order by AcName"),
                {QStringLiteral("%")});
        });
        const double pick = rounds_of([&] {
            select->click();
            app.processEvents();
            common::windows::unload(QStringLiteral("frmFindAC"));
            app.processEvents();
        });
        line("open the picker from a voucher window", pick, pickQ);
        common::windows::unload(QStringLiteral("frmBP"));
        app.processEvents();
    });
}

} // namespace
