#pragma once
// A small chart of accounts, two windows that ask the picker for an
// account the way every caller does, and helpers to read the picker's list.
#include "accounts/frmFindAC.h"
#include "accounts/picker.h"
#include "common/globals.h"
#include "platform/ui/grid.h"
#include "support/gui.h"
#include "support/testserver.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>

// A window with one account field filled by the picker. frmCallerA clears
// the filter whenever it is activated (as the bank windows do), frmCallerB
// leaves it (as the cash windows do).
class Caller : public common::Window {
public:
    explicit Caller(const QString &name)
        : common::Window(name)
    {
        setWindowTitle(name);
        field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("txtAcc"));
        field->setReadOnly(true);
        resize(320, 120);
    }
    // Asks by name, as the windows of other subsystems do.
    void ask(const QString &filter)
    {
        gFindAcFilter = filter;
        common::windows::show(QStringLiteral("frmFindAC"));
    }
    // The key taken, as a window keeps it ("" for none).
    QString tag() const { return key > 0 ? QString::number(key) : QString(); }
    QLineEdit *field;
    std::int64_t key = 0;

protected:
    void formActivate() override
    {
        if (gFindAcRowID > 0) {
            key = gFindAcRowID;
            field->setText(gFindAcName);
            gFindAcRowID = 0;
            gFindAcName.clear();
        }
        if (windowName() == QLatin1String("frmCallerA"))
            gFindAcFilter.clear();
    }
};

class PickerFixture : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        accounts::registerPickerWindows();
        for (const QString &name : {QStringLiteral("frmCallerA"), QStringLiteral("frmCallerB")})
            common::windows::registerWindow(name, [name] { return new Caller(name); });
        const auto top = addAccount("1", "ASSETS", "HH");
        (void)top;
        banks = addAccount("1.1", "BANKS", "HD");
        cash = addAccount("1.2", "CASH", "HD");
        students = addAccount("1.3", "STUDENTS", "HD");
        hbl = addAccount("1.1.1", "HBL BANK", "DD", "B");
        allied = addAccount("1.1.2", "Allied Bank", "DD", "B");
        cashInHand = addAccount("1.2.1", "CASH IN HAND", "DD");
        supplier = addAccount("1.2.2", "ZEE SUPPLIERS", "DD", "S");
        percent = addAccount("1.2.3", "100% FEE_A/C", "DD");
        student = addAccount("1.3.1", "ALI RAZA", "DD");
    }

    std::int64_t addAccount(
        const char *nodes, const char *name, const char *status, const char *bstatus = nullptr)
    {
        return TestServer::addAccount(
            nodes, name, status, bstatus ? db::Value(bstatus) : db::Value(), db::Money::fromCents(150000));
    }

    Caller *caller(const QString &name) { return static_cast<Caller *>(loadWindow(name)); }
    Caller *showCaller(const QString &name)
    {
        Caller *c = caller(name);
        c->showWindow();
        return c;
    }
    accounts::frmFindAC *picker() { return common::windows::ifLoaded<accounts::frmFindAC>("frmFindAC"); }
    ui::Grid *list() { return findControl<ui::Grid>(picker(), "mshSearch"); }

    // The titles the picker lists, top to bottom.
    QStringList titles()
    {
        QStringList t;
        ui::Grid *g = list();
        for (int r = 1; r < g->rows(); ++r) {
            if (!g->textMatrix(r, 0).isEmpty())
                t << g->textMatrix(r, 2);
        }
        return t;
    }

    common::Window *activeWindow() const
    {
        QMdiSubWindow *sub = host()->currentSubWindow();
        return sub ? qobject_cast<common::Window *>(sub->widget()) : nullptr;
    }

    std::int64_t banks = 0, cash = 0, students = 0, hbl = 0, allied = 0, cashInHand = 0, supplier = 0,
                 percent = 0, student = 0;
};
