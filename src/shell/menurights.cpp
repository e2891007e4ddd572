#include "shell/menurights.h"

#include "common/globals.h"
#include "shell/MDIForm1.h"
#include "shell/shell.h"

#include <QAction>

namespace shell {

namespace menurights {

const QStringList &boxCaptions()
{
    static const QStringList captions {
        QStringLiteral("Application Form"),
        QStringLiteral("Carry Forward Entry"),
        QStringLiteral("Company"),
        QStringLiteral("Telephone Directory"),
        QStringLiteral("Chart Of Accounts"),
        QStringLiteral("Voucher Setup"),
        QStringLiteral("Subjects"),
        QStringLiteral("Course"),
        QStringLiteral("Session"),
        QStringLiteral("CASH BOOK"),
        QStringLiteral("BANK BOOK"),
        QStringLiteral("SIMPLE LEDGER"),
        QStringLiteral("DETAIL LEDGER"),
        QStringLiteral("SUBSIDIARY TRIAL BALANCE SIMPLE"),
        QStringLiteral("CONTROL TRIAL BALANCE"),
        QStringLiteral("SUBSIDIARY TRIAL BALANCE (WITH OPENING)"),
        QStringLiteral("SESSION WISE OUTSTANDING"),
        QStringLiteral("STOCK SUMMARY REPORT"),
        QStringLiteral("STUDENT FEE DETAIL"),
    };
    return captions;
}

void save(const QList<QPair<QString, bool>> &rows)
{
    db::Transaction tx(*gConn);
    gConn->execute(QStringLiteral("Delete From Menus"));
    OpenQuery(QStringLiteral("Select * From Menus"));
    for (const auto &[caption, granted] : rows) {
        gRs->addNew();
        gRs->fields(QStringLiteral("Menus")).setValue(caption);
        gRs->fields(QStringLiteral("Active")).setValue(granted ? 1 : 0);
        gRs->update();
    }
    tx.commit();
}

} // namespace menurights

void applyMenuRightsNow()
{
    // Nothing to apply to, and nothing may load while the windows go.
    if (common::windows::closingDown())
        return;
    auto *main = common::windows::ifLoaded<MDIForm1>(QStringLiteral("MDIForm1"));
    if (!main || main->isUnloading())
        return;

    main->homePanel()->show();
    const QList<QAction *> items = main->menuItems();
    for (QAction *a : items) {
        if (a->property("Tag").toString() == u"M")
            a->setVisible(true);
    }

    OpenQuery(QStringLiteral("Select Active From Menus Where Active='1'"));
    if (gRs->recordCount() != 0) {
        // Rights granted after a no-grant pass bring the top menus back
        // without a new login.
        if (main->topMenusHiddenByRights()) {
            for (QAction *top : main->governedTopMenus())
                top->setVisible(true);
            main->setTopMenusHiddenByRights(false);
        }
        OpenQuery(QStringLiteral("Select Menus,Active From Menus"));
        if (gRs->recordCount() > 0)
            gRs->moveFirst();
        for (int row = 0, n = gRs->recordCount(); row < n; ++row) {
            const QString caption = gRs->fields(QStringLiteral("Menus")).toString();
            const bool granted = gRs->fields(QStringLiteral("Active")).toString() == u"1";
            for (QAction *a : items) {
                if (MDIForm1::caption(a) == caption)
                    a->setVisible(granted);
            }
            gRs->moveNext();
        }
    } else {
        for (QAction *top : main->governedTopMenus())
            top->setVisible(false);
        main->setTopMenusHiddenByRights(true);
    }
}

} // namespace shell
