#pragma once
// The fee receipt window driven by object name, with the account picker and
// the report viewer registered as the program registers them.
#include "common/printing.h"
#include "fees/feereceipt.h"
#include "fees/fixture.h"
#include "fees/frmInsRec.h"
#include "platform/report/report.h"
#include "platform/report/viewer.h"
#include "support/entry_window_fixture.h"

#include <QRadioButton>

class FeeWindowTest : public EntryWindowTest<FeeFixture, fees::frmInsRec> {
protected:
    void SetUp() override
    {
        EntryWindowTest::SetUp();
        fees::registerFeeReceiptWindow();
        common::setAppPath(QStringLiteral(ORU_REPORTS_DIR));
    }

    fees::frmInsRec *open() { return show(QStringLiteral("frmInsRec")); }
    ui::DataCombo *subjects() { return c<ui::DataCombo>("cboSubject"); }
    ui::DataCombo *sessions() { return c<ui::DataCombo>("cboSession"); }
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
    QStringList printed()
    {
        report::CRViewer91 *v = common::viewerControl();
        return v && v->document() ? v->document()->allLines() : QStringList();
    }
};
