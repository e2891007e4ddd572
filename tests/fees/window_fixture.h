#pragma once
// The fee receipt window driven by object name, with the account picker and
// the report viewer registered as the program registers them.
#include "accounts/picker.h"
#include "common/hooks.h"
#include "common/printing.h"
#include "fees/feereceipt.h"
#include "fees/fixture.h"
#include "fees/frmInsRec.h"
#include "platform/report/report.h"
#include "platform/report/viewer.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "shell/frmVeiwer.h"
#include "support/gui.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

class FeeWindowTest : public FeeFixture {
protected:
    void SetUp() override
    {
        FeeFixture::SetUp();
        accounts::registerPickerWindows();
        shell::registerViewer();
        fees::registerFeeReceiptWindow();
        common::hooks::setApplyMenuRights([this] { ++menuRights; });
        common::setAppPath(QStringLiteral(ORU_REPORTS_DIR));
        gUserName = QStringLiteral("sa");
        gUserPassword = saPassword();
    }
    void TearDown() override
    {
        FeeFixture::TearDown();
        common::hooks::setApplyMenuRights({});
    }

    fees::frmInsRec *open()
    {
        w = qobject_cast<fees::frmInsRec *>(common::windows::show(QStringLiteral("frmInsRec")));
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
    ui::DataCombo *subjects() { return c<ui::DataCombo>("cboSubject"); }
    ui::DataCombo *sessions() { return c<ui::DataCombo>("cboSession"); }
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
    // Picks through the picker's list: types the title, double-clicks the row.
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
    void chooseSubject(const char *name)
    {
        const int i = subjects()->findText(QString::fromLatin1(name));
        ASSERT_GE(i, 0) << name;
        subjects()->setCurrentIndex(i);
    }
    void addLine(const char *amount, const char *narration = nullptr)
    {
        c("txtDRCR")->clear();
        typeText(c("txtDRCR"), QString::fromLatin1(amount));
        if (narration)
            typeText(c("txtNaration"), QString::fromLatin1(narration));
        press("cmdAdd");
    }
    QString figures() { return c("txtReceived")->text() + u'/' + c("txtRemaingAmt")->text(); }
    // Grid lines as "cash|student|amount|cheque|narration|student key|session|subject".
    QStringList gridLines() { return ::gridLines(grid(), {1, 2, 3, 4, 5, 6, 7, 12}); }
    QString total() { return c<QLabel>("lblTotalAmount")->text(); }
    void openFromList(int no)
    {
        ui::showTab(c<QTabWidget>("SSTab"), 1);
        if (!doubleClickRowWith(list(), 0, QString::number(no)))
            ADD_FAILURE() << "receipt " << no << " not listed";
    }
    QStringList listRows() { return ::gridLines(list()); }
    QStringList printed()
    {
        report::CRViewer91 *v = common::viewerControl();
        return v && v->document() ? v->document()->allLines() : QStringList();
    }

    fees::frmInsRec *w = nullptr;
    int menuRights = 0;
};
