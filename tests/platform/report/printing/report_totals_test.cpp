// A total the database cannot hold, met while a report reads its rows, is
// refused as the report's: nothing was to be saved.
#include "platform/report/report.h"
#include "support/testserver.h"

#include <limits>

namespace {

class ReportTotals : public TestServer { };

} // namespace

TEST_F(ReportTotals, ASumTooLargeInTheQueryIsTheReportsRefusal)
{
    exec("create table TstBig (Amt MONEY)");
    exec("insert into TstBig values (?), (?)",
        {db::Money::fromCents(std::numeric_limits<std::int64_t>::max() - 1), db::Money::fromCents(2)});
    auto rpt = report::Report::fromText(
        QStringLiteral("<report><data><query>select money(sum(Amt)) as \"TstBig.Total\" from TstBig</query>"
                       "</data><details><field>{TstBig.Total}</field></details></report>"),
        QStringLiteral("big.rpt"));
    rpt->setDataSource(std::make_shared<report::ConnectionSource>(
        std::shared_ptr<db::Connection>(&conn(), [](db::Connection *) {})));
    try {
        rpt->render();
        ADD_FAILURE() << "rendered";
    } catch (const report::Error &e) {
        EXPECT_EQ(e.text(), "A total in the report is too large for an amount.");
    }
}
