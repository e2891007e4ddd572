#pragma once
// The carry-forward window driven by object name, with the application and
// subject pickers registered as the program registers them.
#include "admissions/catalogue.h"
#include "common/format.h"
#include "common/hooks.h"
#include "fees/carryforward.h"
#include "fees/carryforward_fixture.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/maskededit.h"
#include "support/gui.h"

#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>

class CarryForwardWindowTest : public CarryForwardFixture {
protected:
    void SetUp() override
    {
        CarryForwardFixture::SetUp();
        admissions::registerCatalogueWindows();
        fees::registerCarryForwardWindows();
        common::hooks::setApplyMenuRights([this] { ++menuRights; });
    }
    void TearDown() override
    {
        CarryForwardFixture::TearDown();
        common::hooks::setApplyMenuRights({});
    }

    // Opens the window as the menu item does.
    common::Window *open()
    {
        w = common::windows::show(QStringLiteral("frmCarryForward"));
        EXPECT_NE(w, nullptr);
        if (w)
            w->moveTwips(1500, 300);
        return w;
    }
    template <class T = QLineEdit> T *c(const char *name)
    {
        return findControl<T>(w, QString::fromLatin1(name));
    }
    void press(const char *button) { clickButton(w, QString::fromLatin1(button)); }
    ui::Grid *grid() { return c<ui::Grid>("MshSubject"); }
    ui::Grid *list() { return c<ui::Grid>("Msh"); }
    common::Window *appPicker() { return common::windows::ifLoaded("frmFindApp"); }
    common::Window *subPicker() { return common::windows::ifLoaded("frmSearchSub"); }
    common::Window *active() const
    {
        QMdiSubWindow *sub = host()->currentSubWindow();
        return sub ? qobject_cast<common::Window *>(sub->widget()) : nullptr;
    }

    // Opens the application picker, types the search text and double-clicks row `row`.
    void pickApplication(const char *text, int row = 1)
    {
        press("cmdFindApplication");
        ASSERT_NE(appPicker(), nullptr);
        typeText(findControl<QLineEdit>(appPicker(), "txt_s_value"), QString::fromLatin1(text));
        auto *g = findControl<ui::Grid>(appPicker(), "Msh");
        ASSERT_GT(g->rows(), row);
        doubleClickRow(g, row);
        flushDeferred();
    }
    // Opens the subject picker, types part of the name and double-clicks the first row.
    void pickSubject(const char *text)
    {
        press("cmdFindsubject");
        ASSERT_NE(subPicker(), nullptr);
        typeText(findControl<QLineEdit>(subPicker(), "txtFind"), QString::fromLatin1(text));
        auto *g = findControl<ui::Grid>(subPicker(), "Msh");
        ASSERT_GE(g->rows(), 2);
        doubleClickRow(g, 1);
        flushDeferred();
    }
    // Answers as the subject picker does: the answer set, the picker gone,
    // the window active again.
    void answerSubject(int subId, const char *name, const char *course = "CA")
    {
        press("cmdFindsubject");
        gPickSubId = subId;
        gPickSubName = QString::fromLatin1(name);
        gPickCourseName = QString::fromLatin1(course);
        gPickCourseDurr = QStringLiteral("3");
        gPickSubAmount = db::Money::fromCents(500000);
        common::windows::unload(QStringLiteral("frmSearchSub"));
        flushDeferred();
        w->activateWindowNow();
    }
    void chooseSession(const char *combo, const char *name)
    {
        auto *box = c<ui::DataCombo>(combo);
        box->setCurrentIndex(box->findText(QString::fromLatin1(name)));
    }
    // Fills the line boxes and presses "&Add", answering "Add more subject" with `more`.
    void addLine(const char *amount, const char *narration = "", const char *session = "JUL-2023",
        common::Answer more = common::Answer::No)
    {
        c("txtNarration")->setText(QString::fromLatin1(narration));
        chooseSession("cboSession", session);
        c("txtForAmt")->clear();
        typeText(c("txtForAmt"), QString::fromLatin1(amount));
        dialogs().answer(more);
        press("cmd_ADD_1");
    }
    // The grid's lines, every column joined by "|".
    QStringList gridLines() { return ::gridLines(grid()); }
    QStringList listRows() { return ::gridLines(list()); }
    void openFromList(int formId)
    {
        ui::showTab(c<QTabWidget>("SSTab"), 1);
        for (int r = 1; r < list()->rows(); ++r) {
            if (list()->textMatrix(r, 0) == QString::number(formId)) {
                doubleClickRow(list(), r);
                return;
            }
        }
        ADD_FAILURE() << "form " << formId << " not listed";
    }

    common::Window *w = nullptr;
    int menuRights = 0;
};
