#include "accounts/frmAcSetting.h"
#include "accounts/picker_fixture.h"
#include "accounts/vousetting.h"
#include "common/hooks.h"
#include "support/testengine.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

using accounts::vouSettingKeys;

class SetupTest : public PickerFixture {
protected:
    void SetUp() override
    {
        PickerFixture::SetUp();
        common::hooks::setApplyMenuRights([this] { ++m_menuRights; });
    }
    void TearDown() override
    {
        PickerFixture::TearDown();
        common::hooks::setApplyMenuRights({});
    }

    common::Window *open()
    {
        m_w = common::windows::show(QStringLiteral("frmAcSetting"));
        EXPECT_NE(m_w, nullptr);
        return m_w;
    }
    template <class T = QLineEdit> T *c(const char *name)
    {
        return findControl<T>(m_w, QString::fromLatin1(name));
    }
    QString tag(const char *box) { return qobject_cast<accounts::frmAcSetting *>(m_w)->accountKey(c(box)); }
    void press(const char *button) { clickButton(m_w, QString::fromLatin1(button)); }

    // The table, one line per row in the order stored.
    QStringList dump()
    {
        db::Recordset rs;
        rs.open(QStringLiteral(
                    "Select VouStatus,VouNo,AcCode,AcStatus,Fix,OthAcCode,ITaxAc,STaxAc From VouSetting "
                    "order by rowid"),
            conn());
        QStringList lines;
        for (; !rs.eof(); rs.moveNext()) {
            QStringList cells;
            for (int i = 0; i < rs.fieldCount(); ++i)
                cells << (rs.fields(i).isNull() ? QStringLiteral("-") : rs.fields(i).toString());
            lines << cells.join(u'|');
        }
        return lines;
    }
    QStringList keysStored()
    {
        QStringList keys;
        for (const QString &line : dump())
            keys << line.section(u'|', 0, 0);
        return keys;
    }

    // A complete setup as an earlier save left it.
    void seedSetup()
    {
        const auto row = [this](const char *key, db::Value no, db::Value ac, db::Value side, db::Value fix,
                             db::Value oth = {}, db::Value itax = {}, db::Value stax = {}) {
            exec(QStringLiteral(
                     "Insert Into VouSetting (VouStatus,VouNo,AcCode,AcStatus,Fix,OthAcCode,ITaxAc,STaxAc) "
                     "Values (?,?,?,?,?,?,?,?)"),
                {key, no, ac, side, fix, oth, itax, stax});
        };
        row("CP", 100, cashInHand, "CR", "Y");
        row("CR", 200, cashInHand, "DR", "N");
        row("BP", 300, hbl, "CR", "N");
        row("BR", 400, allied, "DR", "Y");
        row("JV", 500, {}, {}, "N");
        row("SI", 600, supplier, "DR", "Y");
        row("PO", 11, {}, {}, {});
        row("QT", 12, {}, {}, {});
        row("DC", 13, {}, {}, {});
        row("TI", 14, hbl, {}, {}, allied, cashInHand, 999); // 999: an account deleted since
        row("GI", 15, supplier, {}, {});
        row("IR", 0, students, {}, {});
        row("RI", 700, cashInHand, "DR", "N");
    }

    common::Window *m_w = nullptr;
    int m_menuRights = 0;
};

TEST_F(SetupTest, AnEmptyTableOpensEmptyAndEverySaveWritesExactlyTheThirteenRowsInOrder)
{
    open();
    for (const char *box : {"txtCP", "txtCR", "txtBP", "txtBR", "txtJV", "txtSalInv", "txtInsRec", "txtCPAcc",
             "txtAppSubACC", "txtPurOrder", "txtTaxInv"})
        EXPECT_EQ(c(box)->text(), "") << box;
    EXPECT_FALSE(c<QRadioButton>("optCPDr")->isChecked());
    EXPECT_FALSE(c<QCheckBox>("chkCPYN")->isChecked());

    typeText(c("txtCP"), QStringLiteral("1001"));
    click(c<QRadioButton>("optCPCr"));
    press("cmdSave");
    EXPECT_EQ(dialogs().texts(), QStringList({"Sucessfully  save you Voucher Setting"}));
    EXPECT_EQ(keysStored(), vouSettingKeys());
    const QStringList first = dump();
    EXPECT_EQ(first[0], "CP|1001|-|CR|N|-|-|-");
    EXPECT_EQ(first[1], "CR|-|-|-|N|-|-|-");
    EXPECT_EQ(first[6], "PO|-|-|-|-|-|-|-");
    EXPECT_EQ(first[11], "IR|0|-|-|-|-|-|-");
    EXPECT_EQ(first[12], "RI|-|-|-|N|-|-|-");

    // Neither side may be chosen again, and a second save replaces the rows.
    press("cmdClearCP");
    typeText(c("txtJV"), QStringLiteral("7"));
    press("cmdSave");
    EXPECT_EQ(keysStored(), vouSettingKeys());
    EXPECT_EQ(dump()[0], "CP|-|-|-|N|-|-|-");
    EXPECT_EQ(dump()[4], "JV|7|-|-|N|-|-|-");
}

TEST_F(SetupTest, LoadingAndSavingWritesEveryRowBackUnchangedHiddenOnesIncluded)
{
    seedSetup();
    const QStringList before = dump();
    open();
    EXPECT_EQ(c("txtCP")->text(), "100");
    EXPECT_TRUE(c<QRadioButton>("optCPCr")->isChecked());
    EXPECT_TRUE(c<QCheckBox>("chkCPYN")->isChecked());
    EXPECT_EQ(c("txtCPAcc")->text(), "CASH IN HAND");
    EXPECT_EQ(tag("txtCPAcc"), QString::number(cashInHand));
    EXPECT_EQ(c("txtAppSubACC")->text(), "STUDENTS");
    EXPECT_EQ(c("txtInsRec")->text(), "700");
    // The fee-receipt options show nothing of their own; the sale-invoice ones are greyed.
    EXPECT_FALSE(c<QRadioButton>("optDrPurRet")->isChecked());
    EXPECT_FALSE(c<QRadioButton>("optDrPurRet")->isEnabled());
    EXPECT_TRUE(c<QRadioButton>("optSalInvDr")->isChecked());
    EXPECT_FALSE(c<QRadioButton>("optSalInvDr")->isEnabled());
    EXPECT_FALSE(c("txtPurOrder")->isVisibleTo(m_w));
    // A report account that is gone loads without a title but keeps its key.
    EXPECT_EQ(c("txtSalTaxAcRpt")->text(), "");
    EXPECT_EQ(tag("txtSalTaxAcRpt"), "999");

    press("cmdSave");
    QStringList expected = before;
    // The fee-receipt row takes the cash receipts' side and lock.
    expected[12] = QStringLiteral("RI|700|%1|DR|N|-|-|-").arg(cashInHand);
    EXPECT_EQ(dump(), expected);
}

TEST_F(SetupTest, AHiddenRowThatHoldsNoStartNumberGoesBackAsItWasRead)
{
    seedSetup();
    exec("update VouSetting set VouNo = -1 where VouStatus = 'PO'");
    const QStringList before = dump();
    open();
    press("cmdSave");
    EXPECT_EQ(dialogs().texts(), QStringList({"Sucessfully  save you Voucher Setting"}));
    EXPECT_EQ(scalar("select VouNo from VouSetting where VouStatus = 'PO'").toInt(), -1);
    EXPECT_EQ(dump().size(), before.size());
}

TEST_F(SetupTest, FeeReceiptsTakeTheCashReceiptsSideAndLock)
{
    seedSetup();
    open();
    click(c<QRadioButton>("optCRCr"));
    click(c<QCheckBox>("chkCRYN"));
    press("cmdSave");
    const QStringList rows = dump();
    EXPECT_EQ(rows[1], QStringLiteral("CR|200|%1|CR|Y|-|-|-").arg(cashInHand));
    EXPECT_EQ(rows[12], QStringLiteral("RI|700|%1|CR|Y|-|-|-").arg(cashInHand));
}

TEST_F(SetupTest, TheStudentsHeadIsPickedAmongSubControlHeadsOnly)
{
    open();
    press("cmdAppSub");
    ASSERT_NE(picker(), nullptr);
    EXPECT_EQ(titles(), QStringList({"BANKS", "CASH", "STUDENTS"}));
    EXPECT_FALSE(findControl<QCheckBox>(picker(), "chkAll")->isEnabled());
    doubleClickRow(list(), 3);
    flushDeferred();
    EXPECT_EQ(c("txtAppSubACC")->text(), "STUDENTS");
    EXPECT_EQ(tag("txtAppSubACC"), QString::number(students));
    EXPECT_EQ(gFindAcFilter, "");
    EXPECT_EQ(gFindAcRowID, 0);

    // The next lookup lists subsidiary accounts again, with All Accounts free.
    press("cmdBPFindAC");
    EXPECT_EQ(titles().size(), 6);
    EXPECT_TRUE(findControl<QCheckBox>(picker(), "chkAll")->isEnabled());
    typeText(findControl<QLineEdit>(picker(), "txtFindAC"), QStringLiteral("hbl"));
    doubleClickRow(list(), 1);
    flushDeferred();
    EXPECT_EQ(c("txtBPAcc")->text(), "HBL BANK");
    EXPECT_EQ(c("txtAppSubACC")->text(), "STUDENTS");

    // The fee-receipt account cannot be widened either; closing without a pick fills nothing.
    press("cmdInsRecFindAC");
    EXPECT_FALSE(findControl<QCheckBox>(picker(), "chkAll")->isEnabled());
    clickButton(picker(), "cmdExit");
    flushDeferred();
    EXPECT_EQ(c("txtInsRecACC")->text(), "");

    press("cmdSave");
    EXPECT_EQ(dump()[11], QStringLiteral("IR|0|%1|-|-|-|-|-").arg(students));
    EXPECT_EQ(dump()[2], QStringLiteral("BP|-|%1|-|N|-|-|-").arg(hbl));
}

TEST_F(SetupTest, AStartNumberThatIsNoWholeNumberIsRefusedByNameAndNothingIsWritten)
{
    struct Case {
        const char *box;
        const char *typed;
        const char *named;
    };
    const Case cases[] = {
        {"txtCP", "12A", "Start Cash Payment Voucher Number"},
        {"txtJV", "1.5", "Start Journal Voucher Number"},
        {"txtInsRec", "-4", "Start Installment Receipt Vou# No."},
        {"txtSalInv", "1 2", "Start Sale Invoice Number"},
    };
    seedSetup();
    const QStringList before = dump();
    open();
    for (const Case &t : cases) {
        SCOPED_TRACE(t.box);
        const QString was = c(t.box)->text();
        c(t.box)->clear();
        typeText(c(t.box), QString::fromLatin1(t.typed));
        dialogs().clear();
        press("cmdSave");
        ASSERT_EQ(dialogs().count(), 1);
        EXPECT_TRUE(dialogs().last().text.contains(QString::fromLatin1(t.named)))
            << dialogs().last().text.toStdString();
        EXPECT_TRUE(dialogs().last().text.contains(QString::fromLatin1(t.typed)));
        EXPECT_EQ(dialogs().last().icon, common::Icon::Information);
        EXPECT_EQ(focusIn(m_w), c(t.box));
        EXPECT_EQ(dump(), before);
        c(t.box)->setText(was);
    }
}

TEST_F(SetupTest, AFailureWhileRewritingKeepsThePreviousSetupWhole)
{
    seedSetup();
    const QStringList before = dump();
    open();
    c("txtCP")->setText(QStringLiteral("999"));
    // The fifth row cannot be written.
    schemaStep(testengine::failingTrigger("fail_fifth", "before insert", "VouSetting",
        "(SELECT count(*) FROM VouSetting) = 4", "disk is full"));
    press("cmdSave");
    schemaStep(testengine::dropTrigger("fail_fifth", "VouSetting"));
    EXPECT_EQ(dump(), before);
    ASSERT_EQ(dialogs().count(), 1);
    EXPECT_TRUE(dialogs().last().text.contains("disk is full")) << dialogs().last().text.toStdString();
    EXPECT_NE(dialogs().last().text, "Sucessfully  save you Voucher Setting");
    // The window still holds what was typed, and saves once the fault is gone.
    press("cmdSave");
    EXPECT_EQ(dump()[0].section(u'|', 0, 1), "CP|999");
    EXPECT_EQ(keysStored(), vouSettingKeys());
}

TEST_F(SetupTest, ClearEmptiesOneRowClearAllEverythingHiddenIncludedAndExitAppliesTheMenuRights)
{
    seedSetup();
    open();
    press("cmdClearBR");
    EXPECT_EQ(c("txtBR")->text(), "");
    EXPECT_EQ(tag("txtBRAcc"), "");
    EXPECT_FALSE(c<QRadioButton>("optBRDr")->isChecked());
    EXPECT_FALSE(c<QCheckBox>("chkBRYN")->isChecked());
    EXPECT_EQ(c("txtBP")->text(), "300");
    EXPECT_EQ(tag("txtBPAcc"), QString::number(hbl));
    press("cmdSave");
    EXPECT_EQ(dump()[3], "BR|-|-|-|N|-|-|-");
    EXPECT_EQ(dump()[2], QStringLiteral("BP|300|%1|CR|N|-|-|-").arg(hbl));

    press("cmdClear");
    press("cmdSave");
    const QStringList rows = dump();
    EXPECT_EQ(rows[0], "CP|-|-|-|N|-|-|-");
    EXPECT_EQ(rows[5], "SI|-|-|-|N|-|-|-");
    EXPECT_EQ(rows[9], "TI|-|-|-|-|-|-|-");
    EXPECT_EQ(rows[10], "GI|-|-|-|-|-|-|-");
    EXPECT_EQ(rows[11], "IR|0|-|-|-|-|-|-");

    EXPECT_EQ(m_menuRights, 0);
    press("cmdExit");
    flushDeferred();
    EXPECT_EQ(common::windows::ifLoaded("frmAcSetting"), nullptr);
    EXPECT_EQ(m_menuRights, 1);
}

// The read function the voucher, fee-receipt and admission windows call.
TEST_F(SetupTest, ReadingOneSeriesTreatsMissingRowsAndNumbersAsZero)
{
    EXPECT_FALSE(accounts::readVoucherSetup(conn(), "BP").found);
    EXPECT_EQ(accounts::readVoucherSetup(conn(), "BP").startNo, 0);
    seedSetup();
    exec(QStringLiteral("Update VouSetting Set VouNo = Null Where VouStatus = 'JV'"));
    exec(QStringLiteral("Update VouSetting Set AcCode = ? Where VouStatus = 'CR'"), {banks});

    const accounts::VoucherSetup bp = accounts::readVoucherSetup(conn(), "BP");
    EXPECT_TRUE(bp.found);
    EXPECT_EQ(bp.startNo, 300);
    EXPECT_EQ(bp.acCode, hbl);
    EXPECT_EQ(bp.acTitle, "HBL BANK");
    EXPECT_EQ(bp.side, accounts::Side::Credit);
    EXPECT_FALSE(bp.fixed);
    EXPECT_TRUE(accounts::readVoucherSetup(conn(), "BR").fixed);

    const accounts::VoucherSetup jv = accounts::readVoucherSetup(conn(), "JV");
    EXPECT_TRUE(jv.found);
    EXPECT_EQ(jv.startNo, 0);
    EXPECT_EQ(jv.acCode, 0);
    EXPECT_EQ(jv.side, accounts::Side::None);

    // A preset account of the wrong level keeps its key but has no title.
    const accounts::VoucherSetup cr = accounts::readVoucherSetup(conn(), "CR");
    EXPECT_EQ(cr.acCode, banks);
    EXPECT_EQ(cr.acTitle, "");

    const accounts::VoucherSetup ir = accounts::readVoucherSetup(conn(), "IR");
    EXPECT_EQ(ir.acTitle, "STUDENTS");
    EXPECT_EQ(ir.acNodes, "1.3");

    const accounts::VoucherSetup ti = accounts::readVoucherSetup(conn(), "TI");
    EXPECT_EQ(ti.othAcCode, allied);
    EXPECT_EQ(ti.iTaxAc, cashInHand);
    EXPECT_EQ(ti.sTaxAc, 999);
}

} // namespace
