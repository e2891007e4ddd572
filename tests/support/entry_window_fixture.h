#pragma once
// An entry window (a voucher window, the fee receipt) driven by object name,
// with the account picker and the report viewer registered as the program
// registers them. `Base` gives the rows; the test's window class is `W`.
#include "accounts/picker.h"
#include "common/entrywindow.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "shell/frmVeiwer.h"
#include "support/gui.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

template <class Base, class W> class EntryWindowTest : public Base {
protected:
    void SetUp() override
    {
        Base::SetUp();
        accounts::registerPickerWindows();
        shell::registerViewer();
        common::hooks::setApplyMenuRights([this] { ++menuRights; });
        gUserName = QStringLiteral("sa");
        gUserPassword = this->saPassword();
    }
    void TearDown() override
    {
        Base::TearDown();
        common::hooks::setApplyMenuRights({});
    }

    W *show(const QString &name)
    {
        w = qobject_cast<W *>(common::windows::show(name));
        EXPECT_NE(w, nullptr);
        return w;
    }
    template <class T = QLineEdit> T *c(const char *name)
    {
        return findControl<T>(w, QString::fromLatin1(name));
    }
    // The key the window keeps for an account box ("" for none).
    QString tag(const char *b)
    {
        const std::int64_t key = w->accountKey(c(b));
        return key > 0 ? QString::number(key) : QString();
    }
    void press(const char *button) { clickButton(w, QString::fromLatin1(button)); }
    ui::Grid *grid() { return c<ui::Grid>("MshEntry"); }
    ui::Grid *list() { return c<ui::Grid>("mshSearch"); }
    common::Window *picker() { return common::windows::ifLoaded("frmFindAC"); }

    // Picks as the picker answers: the answer set, then the opener activated.
    void pickByAnswer(const char *button, std::int64_t key, const char *title)
    {
        press(button);
        gFindAcRowID = key;
        gFindAcName = QString::fromLatin1(title);
        common::windows::unload(QStringLiteral("frmFindAC"));
        flushDeferred();
        w->activateWindowNow();
    }
    // Picks through the picker: opens it with the button, types the title and
    // double-clicks the one row it lists.
    void pickByList(const char *button, const char *title)
    {
        press(button);
        ASSERT_NE(picker(), nullptr);
        typeText(findControl<QLineEdit>(picker(), "txtFindAC"), QString::fromLatin1(title));
        auto *g = findControl<ui::Grid>(picker(), "mshSearch");
        ASSERT_GE(g->rows(), 2);
        doubleClickRow(g, 1);
        flushDeferred();
    }
    QString total() { return c<QLabel>("lblTotalAmount")->text(); }
    // Selects the list row showing that number and double-clicks it.
    void openFromList(int no)
    {
        ui::showTab(c<QTabWidget>("SSTab"), 1);
        if (!doubleClickRowWith(list(), 0, QString::number(no)))
            ADD_FAILURE() << "voucher " << no << " not listed";
    }
    QStringList listRows() { return ::gridLines(list()); }

    W *w = nullptr;
    int menuRights = 0;
};
