// How long the chart window takes to fill its tree from a chart of about
// 5,000 accounts (20 control accounts, 10 sub-control accounts under each,
// 24 subsidiary accounts under each of those).
//   build/bench/bench/bench_accounts [rounds]
#include "accounts/chart.h"
#include "accounts/frmAccount.h"
#include "app/startup.h"
#include "common/errors.h"
#include "common/globals.h"
#include "common/window.h"
#include "platform/db/db.h"
#include "platform/ui/treeview.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int seed(db::Connection &conn)
{
    db::Transaction tx(conn);
    int rows = 0;
    const QString insert = QStringLiteral("insert into Accounts (ParentID, Dcode, AcNodes, AcName, AcStatus, "
                                          "Contact) values (?, ?, ?, ?, ?, ?)");
    for (int h = 1; h <= 20; ++h) {
        const QString hh = QString::number(h);
        conn.execute(insert, {hh, 0, hh, QStringLiteral("CONTROL %1").arg(h), "HH", db::Value()});
        ++rows;
        for (int s = 1; s <= 10; ++s) {
            const QString hd = hh + u'.' + QString::number(s);
            conn.execute(insert, {hh, s, hd, QStringLiteral("SUB CONTROL %1").arg(hd), "HD", db::Value()});
            ++rows;
            for (int d = 1; d <= 24; ++d) {
                const QString dd = hd + u'.' + QString::number(d);
                conn.execute(
                    insert, {hd, d, dd, QStringLiteral("SUBSIDIARY %1").arg(dd), "DD", "021-5550000"});
                ++rows;
            }
        }
    }
    tx.commit();
    return rows;
}

} // namespace

int main(int argc, char **argv)
{
    app::registerStorage();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    common::Application app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;

    QTemporaryDir dir;
    const QString server = dir.path() + QStringLiteral("/server");
    db::server::create(server, QStringLiteral("bench-pw"), db::server::HashCost::Minimal);
    common::createSharedObjects();
    gConn->setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
    gConn->setProperty(QStringLiteral("Password"), QStringLiteral("bench-pw"));
    gConn->setProperty(QStringLiteral("Data Source"), server);
    gConn->setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
    gConn->open();
    const int rows = seed(*gConn);

    accounts::registerChartWindow();
    QElapsedTimer t;
    t.start();
    auto *w = common::windows::get<frmAccount>(QStringLiteral("frmAccount"));
    const double loadMs = t.nsecsElapsed() / 1e6;
    if (!w) {
        std::fprintf(stderr, "frmAccount did not load\n");
        return 1;
    }
    w->showWindow();
    app.processEvents();

    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        t.restart();
        w->FillTreeData();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const int nodes = w->findChild<ui::TreeView *>(QStringLiteral("lstTree"))->nodeCount();
    std::printf("accounts: %d, tree nodes: %d\n", rows, nodes);
    std::printf("window load (tree, field lengths, search list): %.1f ms\n", loadMs);
    std::printf("FillTreeData over %d rounds: min %.1f ms, median %.1f ms, max %.1f ms\n", rounds, ms.front(),
        ms[ms.size() / 2], ms.back());
    w->unload();
    return ms[ms.size() / 2] < 500.0 ? 0 : 2;
}
