#pragma once
// The admission window over the admission fixture, with the helpers that
// type a student and pick subjects the way a user does.
#include "admissions/admission.h"
#include "admissions/catalogue.h"
#include "admissions/fixture.h"
#include "common/hooks.h"
#include "platform/ui/grid.h"
#include "platform/ui/maskededit.h"
#include "shell/frmVeiwer.h"
#include "support/gui.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QStringList>

class ApplicationWindow : public AdmissionTest {
protected:
    void SetUp() override
    {
        AdmissionTest::SetUp();
        admissions::registerAdmissionWindows();
        admissions::registerCatalogueWindows();
        shell::registerViewer();
        common::setAppPath(QStringLiteral(ORU_REPORTS_DIR));
        common::hooks::setApplyMenuRights([this] { ++menuRights; });
    }
    void TearDown() override
    {
        AdmissionTest::TearDown();
        common::hooks::setApplyMenuRights({});
    }

    common::Window *open()
    {
        w = common::windows::show("frmOruApplication");
        EXPECT_NE(w, nullptr);
        return w;
    }
    template <class T = QLineEdit> T *c(const QString &name) { return findControl<T>(w, name); }
    void press(const QString &button) { clickButton(w, button); }
    QString text(const QString &box) { return c(box)->text(); }
    void retype(const QString &box, const QString &typed)
    {
        c(box)->clear();
        typeText(c(box), typed);
    }
    ui::Grid *lines() { return c<ui::Grid>("MshSubject"); }
    ui::Grid *list() { return c<ui::Grid>("Msh"); }
    QStringList gridRow(ui::Grid *g, int row)
    {
        QStringList cells;
        for (int col = 0; col < g->cols(); ++col)
            cells << g->textMatrix(row, col);
        return cells;
    }

    // Picks the subject through the subject picker, as the user does.
    void pick(const QString &subject)
    {
        press("cmdFindsubject");
        common::Window *picker = common::windows::ifLoaded("frmSearchSub");
        ASSERT_NE(picker, nullptr);
        auto *find = findControl<QLineEdit>(picker, "txtFind");
        typeText(find, subject);
        auto *grid = findControl<ui::Grid>(picker, "Msh");
        ASSERT_EQ(grid->textMatrix(1, 2), subject);
        doubleClickRow(grid, 1);
        flushDeferred();
        ASSERT_EQ(common::windows::ifLoaded("frmSearchSub"), nullptr);
    }
    void addLine(
        const QString &subject, const QString &discount, const QString &received, bool inactive = false)
    {
        pick(subject);
        if (!discount.isEmpty())
            typeText(c("txtDiscount"), discount);
        if (!received.isEmpty())
            typeText(c("txtRecAmt"), received);
        c<QCheckBox>("ChkInactive")->setChecked(inactive);
        press("cmd_ADD_1");
    }
    // ALI RAZA with AUDIT (discount 100, received 500) and TAXATION (received 200.25).
    void enterStudent(const QString &name = "ali raza")
    {
        typeText(c("txtStuNm"), name);
        typeText(c("txtfathNm"), "khan");
        typeText(c("txtCellNo"), "0300-1234567");
        typeText(c("txtMailAdd"), "12 mall road");
        typeText(c("txtConRes"), "042111");
        typeText(c<ui::MaskedEdit>("mskNIC"), "1234512345671");
        addLine("AUDIT", "100", "500");
        addLine("TAXATION", "", "200.25", true);
    }

    common::Window *w = nullptr;
    int menuRights = 0;
};
