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
    // Each figure timed in turn with its bare query within every round.
    auto interleaved
        = [rounds](const std::vector<std::function<void()>> &work) { return alternating(rounds, work); };
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
            const std::vector<double> t = interleaved({rows, first, whole});
            const double q = t[0], f = t[1], w = t[2];
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
        // The bare query: the ledger's lines as the procedure reads them, and
        // as the report then reads them.
        const std::vector<double> t = interleaved({
            [&] {
                bare(QStringLiteral("select * from DetJV where AcCode = ? and VouDate between '2023-01-01' "
                                    "and '2024-12-31' and ifnull(VouStatus, '') <> 'CF' "
                                    "order by VouDate, VouStatus, VouNo, EntryNo"),
                    {ac});
            },
            [&] { bare(QStringLiteral("select * from rptLedger order by LineNo")); },
            [&] {
                procedure();
                auto rpt = ledgerReport(ac);
                rpt->render([](const std::shared_ptr<const report::Document> &, double) { return false; });
            },
        });
        const double q = t[1], r = t[2];
        line("long ledger: first page from the click, beside its postings", r, t[0]);
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
        const std::vector<double> t = interleaved({
            [&] {
                plainList(QString());
                bare(QStringLiteral("select * from VouSetting where VouStatus = 'BP'"));
                bare(QStringLiteral("select max(VouNo) from MasJV where VouStatus = 'BP'"));
            },
            [&] {
                common::windows::show(QStringLiteral("frmBP"));
                app.processEvents();
                common::windows::unload(QStringLiteral("frmBP"));
                app.processEvents();
            },
        });
        const double q = t[0], r = t[1];
        line("open a voucher window (frmBP)", r, q);

        common::Window *w = common::windows::show(QStringLiteral("frmBP"));
        app.processEvents();
        auto *search = w->findChild<QLineEdit *>(QStringLiteral("txtSearch"));
        int k = 0;
        // Keystrokes that leave a short list: "12", "123", ... of five digits.
        const QStringList texts = {QStringLiteral("1234"), QStringLiteral("2345"), QStringLiteral("3456")};
        int j = 0;
        const std::vector<double> keys = interleaved({[&] { plainList(texts[k++ % texts.size()]); },
            [&] { search->setText(texts[j++ % texts.size()]); }});
        const double keyQ = keys[0], key = keys[1];
        line("a search keystroke (frmBP)", key, keyQ);

        auto *select = w->findChild<QPushButton *>(QStringLiteral("cmdSelectDr"));
        const std::vector<double> picks = interleaved({
            [&] {
                bare(
                    QStringLiteral("Select RowID,AcNodes,AcName,OpenBal,Contact,Fax,Addr,Addr2 From Accounts "
                                   "Where acStatus='DD'  and AcName Like ? ESCAPE '\\' order by AcName"),
                    {QStringLiteral("%")});
            },
            [&] {
                select->click();
                app.processEvents();
                common::windows::unload(QStringLiteral("frmFindAC"));
                app.processEvents();
            },
        });
        const double pickQ = picks[0], pick = picks[1];
        line("open the picker from a voucher window", pick, pickQ);
        common::windows::unload(QStringLiteral("frmBP"));
        app.processEvents();
    });
}

} // namespace
