// The chart window driven by its controls' names, as a user drives it.
#include "accounts/chart.h"
#include "accounts/chart_rules.h"
#include "common/hooks.h"
#include "common/input.h"
#include "common/printing.h"
#include "platform/report/report.h"
#include "platform/report/viewer.h"
#include "platform/ui/grid.h"
#include "platform/ui/maskededit.h"
#include "platform/ui/treeview.h"
#include "shell/frmVeiwer.h"
#include "support/testserver.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>

using common::Answer;

namespace {

class ChartWindow : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        // Mouse clicks off the headless screen (800 pixels wide) are lost.
        m_host->mainWindow()->resize(800, 780);
        accounts::registerChartWindow();
        shell::registerViewer();
        common::setAppPath(QStringLiteral(ORU_REPORTS_DIR));
        common::hooks::setApplyMenuRights([this] { ++m_menuRights; });
    }
    void TearDown() override
    {
        TestServer::TearDown();
        common::hooks::setApplyMenuRights({});
    }

    // ASSETS 1 > CURRENT ASSETS 1.1 > CASH IN HAND 1.1.1; LIABILITIES 2
    void seedChart()
    {
        accounts::addControlAccount(conn(), "ASSETS");
        accounts::addChildAccount(conn(), "1", "CURRENT ASSETS");
        accounts::addChildAccount(conn(), "1.1", "CASH IN HAND", [](db::Recordset &rs) {
            rs.fields("ContactPer").setValue("ALI");
            rs.fields("Contact").setValue("021555");
        });
        accounts::addControlAccount(conn(), "LIABILITIES");
    }

    common::Window *open()
    {
        m_w = common::windows::show("frmAccount");
        EXPECT_NE(m_w, nullptr);
        return m_w;
    }
    template <class T = QLineEdit> T *c(const QString &name) { return findControl<T>(m_w, name); }
    ui::TreeView *tree() { return c<ui::TreeView>("lstTree"); }
    QString caption() { return c<QPushButton>("cmdCreateAc")->text(); }
    void press(const QString &button) { clickButton(m_w, button); }
    void node(const QString &code, Qt::MouseButton b = Qt::LeftButton)
    {
        clickNode(tree(), "'" + code + "'", b);
    }
    // Replaces what a box holds with typed text.
    void retype(const QString &box, const QString &text)
    {
        c(box)->clear();
        typeText(c(box), text);
    }
    db::Value col(const QString &code, const QString &column)
    {
        return scalar("select " + column + " from Accounts where AcNodes = ?", {code});
    }
    std::int64_t count() { return scalar("select count(*) from Accounts").toInt(); }
    QString parentKeyOf(const QString &code)
    {
        QTreeWidgetItem *n = tree()->node("'" + code + "'");
        return n && n->parent() ? ui::TreeView::keyOf(n->parent()) : QString();
    }

    common::Window *m_w = nullptr;
    int m_menuRights = 0;
};

TEST_F(ChartWindow, CreatesOneAccountOfEachLevelUnderTheRightParents)
{
    open();
    EXPECT_EQ(m_w->windowTitle(), "Chart Of Accounts");
    EXPECT_EQ(tree()->nodeCount(), 0);

    click(c<QCheckBox>("chkHead"));
    press("cmdCreateAc");
    EXPECT_EQ(caption(), "&Save");
    EXPECT_TRUE(c("txtAcDes")->isEnabled());
    typeText(c("txtAcDes"), "assets");
    typeText(c("txtOrder"), "12a");
    EXPECT_EQ(c("txtAcDes")->text(), "ASSETS");
    EXPECT_EQ(c("txtOrder")->text(), "12");
    press("cmdCreateAc");
    EXPECT_EQ(col("1", "AcName").toString(), "ASSETS");
    EXPECT_EQ(col("1", "OrderStatus").toInt(), 12);
    EXPECT_EQ(caption(), "&New");
    EXPECT_FALSE(c<QCheckBox>("chkHead")->isChecked());

    node("1");
    press("cmdCreateAc");
    EXPECT_FALSE(c("txtAcDes")->isEnabled());
    EXPECT_EQ(c("txtSubControl")->text(), "ASSETS");
    retype("txtSubControl", "current assets");
    press("cmdCreateAc");
    EXPECT_EQ(col("1.1", "AcStatus").toString(), "HD");
    EXPECT_EQ(parentKeyOf("1.1"), "'1'");

    node("1.1");
    press("cmdCreateAc");
    EXPECT_TRUE(c<QGroupBox>("frmEntry")->isVisible());
    EXPECT_EQ(c("txtAcDes")->text(), "ASSETS");
    EXPECT_EQ(c("txtSubControl")->text(), "CURRENT ASSETS");
    EXPECT_FALSE(c("txtSubControl")->isEnabled());
    typeText(c("txtSubsidiary"), "cash in hand");
    press("cmdCreateAc");
    EXPECT_EQ(col("1.1.1", "AcName").toString(), "CASH IN HAND");
    EXPECT_EQ(parentKeyOf("1.1.1"), "'1.1'");
    EXPECT_TRUE(tree()->node("'1'")->isExpanded());
    EXPECT_TRUE(tree()->node("'1.1'")->isExpanded());
    EXPECT_EQ(caption(), "&New");

    // One picture per level, the key in each node's tag.
    const QTreeWidgetItem *leaf = tree()->node("'1.1.1'");
    EXPECT_EQ(ui::TreeView::tagOf(leaf), col("1.1.1", "RowID").toString());
    EXPECT_FALSE(leaf->icon(0).isNull());
    EXPECT_NE(leaf->icon(0).cacheKey(), tree()->node("'1'")->icon(0).cacheKey());
}

TEST_F(ChartWindow, EmptyChartAsksForAControlAccountFirst)
{
    open();
    press("cmdCreateAc");
    EXPECT_TRUE(c("txtAcDes")->isEnabled());
    typeText(c("txtAcDes"), "ASSETS");
    press("cmdCreateAc");
    EXPECT_EQ(dialogs().last().text, "please select any one type or create a control account ");
    EXPECT_EQ(dialogs().last().icon, common::Icon::Information);
    EXPECT_EQ(count(), 0);
}

// The order number takes digits only: a paste of anything else, or of more
// digits than the box takes, is refused whole and said so; typed keys other
// than digits are dropped.
TEST_F(ChartWindow, TheOrderNumberTakesDigitsOnlyAndIsNeverCut)
{
    open();
    press("cmdCreateAc"); // an empty chart opens the control account's boxes
    QLineEdit *box = c("txtOrder");
    ASSERT_TRUE(box->isEnabled());
    const QString refused = common::input::digitsRefusal(4);
    const struct {
        const char *input;
        bool pasted;
        const char *shown;
        bool said;
    } cases[] = {
        {"12a", true, "", true},
        {"12345", true, "", true},
        {"0042", true, "0042", false},
        {"4A2", false, "42", false},
        {"12345", false, "1234", true},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(std::string(k.pasted ? "pasted " : "typed ") + k.input);
        box->clear();
        dialogs().clear();
        if (k.pasted) {
            QGuiApplication::clipboard()->setText(QString::fromUtf8(k.input));
            box->setFocus(Qt::OtherFocusReason);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            QCoreApplication::processEvents();
        } else {
            typeText(box, QString::fromUtf8(k.input));
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(box->text(), QString::fromUtf8(k.shown));
        EXPECT_EQ(dialogs().texts(), k.said ? QStringList({refused}) : QStringList());
    }
}

TEST_F(ChartWindow, LevelThreeFieldsStoreNullForEmptyBoxesAndOnlyCompleteTaxNumbers)
{
    seedChart();
    open();
    node("1.1");
    press("cmdCreateAc");
    typeText(c("txtSubsidiary"), "HBL");
    typeText(c<ui::MaskedEdit>("txt_Gstno"), "1234567890123");
    typeText(c<ui::MaskedEdit>("txt_Ntnno"), "123");
    press("cmdCreateAc");
    ASSERT_EQ(dialogs().count(), 0) << dialogs().last().text.toStdString();
    for (const char *column : {"ContactPer", "Addr", "Addr2", "Contact", "Fax", "Email", "WebSite",
             "Location", "OpenBal", "BStatus", "NTN"})
        EXPECT_TRUE(col("1.1.2", column).isNull()) << column;
    EXPECT_EQ(col("1.1.2", "GST").toString(), "12-34-5678-901-23");
    EXPECT_EQ(col("1.1.2", "openDate").toDate(), QDate::currentDate());

    // A changed account keeps a number whose box is not completely filled.
    node("1.1.2");
    EXPECT_EQ(caption(), "&Save");
    EXPECT_EQ(c<ui::MaskedEdit>("txt_Gstno")->text(), "12-34-5678-901-23");
    EXPECT_EQ(c<ui::MaskedEdit>("txt_Ntnno")->text(), "_______-_");
    c<ui::MaskedEdit>("txt_Gstno")->reset();
    typeText(c<ui::MaskedEdit>("txt_Gstno"), "99");
    typeText(c<ui::MaskedEdit>("txt_Ntnno"), "12345678");
    typeText(c("txtLocation"), "karachi");
    press("cmdCreateAc");
    EXPECT_EQ(col("1.1.2", "GST").toString(), "12-34-5678-901-23");
    EXPECT_EQ(col("1.1.2", "NTN").toString(), "1234567-8");
    EXPECT_EQ(col("1.1.2", "Location").toString(), "KARACHI");
    EXPECT_EQ(caption(), "&Save");
    EXPECT_EQ(ui::TreeView::keyOf(tree()->selectedNode()), "'1.1.2'");
}

TEST_F(ChartWindow, OpeningBalanceIsAnAmountOrNothing)
{
    seedChart();
    open();
    struct Case {
        const char *typed;
        const char *stored; // nullptr: refused
    } cases[] = {{"-", ""}, {".", ""}, {"-.", ""}, {"1500.5", "1500.50"}, {"-20", "-20.00"},
        {"12-", "12.00"}}; // a minus after the digits is refused as it is typed
    for (const Case &k : cases) {
        node("1.1.1");
        retype("txt_OpenBal", k.typed);
        dialogs().clear();
        press("cmdCreateAc");
        if (k.stored) {
            EXPECT_EQ(dialogs().count(), 0) << k.typed;
            EXPECT_EQ(col("1.1.1", "OpenBal").toString(), k.stored) << k.typed;
            EXPECT_EQ(col("1.1.1", "OpenBal").isNull(), QString(k.stored).isEmpty()) << k.typed;
        } else {
            EXPECT_EQ(dialogs().texts(), QStringList {"please enter a valid Opening Balance"}) << k.typed;
            EXPECT_EQ(col("1.1.1", "OpenBal").toString(), "-20.00") << k.typed;
        }
    }
}

TEST_F(ChartWindow, BankAndSupplierExcludeEachOther)
{
    seedChart();
    open();
    node("1.1.1");
    auto *bank = c<QCheckBox>("chkBank");
    auto *supplier = c<QCheckBox>("chkSupplier");
    click(bank);
    EXPECT_TRUE(bank->font().bold());
    click(supplier);
    EXPECT_FALSE(bank->isChecked());
    EXPECT_FALSE(bank->font().bold());
    EXPECT_TRUE(supplier->font().bold());
    press("cmdCreateAc");
    EXPECT_EQ(col("1.1.1", "BStatus").toString(), "S");
    click(bank);
    EXPECT_FALSE(supplier->isChecked());
    press("cmdCreateAc");
    EXPECT_EQ(col("1.1.1", "BStatus").toString(), "B");
    click(bank);
    press("cmdCreateAc");
    EXPECT_TRUE(col("1.1.1", "BStatus").isNull());
}

TEST_F(ChartWindow, EditIsOfferedOnControlAndSubControlNodesOnly)
{
    seedChart();
    open();
    node("1.1.1", Qt::RightButton); // no menu: an unexpected one fails the test
    EXPECT_TRUE(dialogs().menusShown().isEmpty());

    dialogs().menu("");
    node("1.1", Qt::RightButton);
    dialogs().menu("Edit");
    node("1", Qt::RightButton);
    EXPECT_EQ(dialogs().menusShown(), QStringList({"Edit", "Edit"}));
    EXPECT_EQ(caption(), "&Save");
    EXPECT_TRUE(c("txtAcDes")->isEnabled());
    EXPECT_TRUE(c("txtOrder")->isEnabled());
    EXPECT_FALSE(c<QCheckBox>("chkHead")->isEnabled());

    // A changed title is checked against the others, not against itself.
    retype("txtAcDes", "cash in hand");
    press("cmdCreateAc");
    EXPECT_EQ(dialogs().last().text, "Account Titel is already exitis, please change Account Title");
    EXPECT_EQ(col("1", "AcName").toString(), "ASSETS");
    retype("txtAcDes", "AS SETS");
    c("txtOrder")->clear();
    press("cmdCreateAc");
    EXPECT_EQ(col("1", "AcName").toString(), "AS SETS");
    EXPECT_TRUE(col("1", "OrderStatus").isNull());
    EXPECT_EQ(caption(), "&New");

    // Sub-control titles are never checked.
    dialogs().menu("Edit");
    node("1.1", Qt::RightButton);
    EXPECT_TRUE(c("txtSubControl")->isEnabled());
    EXPECT_FALSE(c("txtAcDes")->isEnabled());
    retype("txtSubControl", "LIABILITIES");
    press("cmdCreateAc");
    EXPECT_EQ(col("1.1", "AcName").toString(), "LIABILITIES");
}

TEST_F(ChartWindow, EmptyTitlesAreRefusedAtEveryLevel)
{
    seedChart();
    open();
    struct Case {
        const char *select;
        const char *box;
    } cases[] = {{"1", "txtSubControl"}, {"1.1", "txtSubsidiary"}};
    for (const Case &k : cases) {
        node(k.select);
        press("cmdCreateAc");
        c(k.box)->setText("   ");
        dialogs().clear();
        press("cmdCreateAc");
        EXPECT_EQ(dialogs().texts(), QStringList {"please enter Account Title"}) << k.box;
    }
    node("1.1.1");
    c("txtSubsidiary")->clear();
    press("cmdCreateAc");
    EXPECT_EQ(dialogs().last().text, "please enter Account Title");
    EXPECT_EQ(col("1.1.1", "AcName").toString(), "CASH IN HAND");
    EXPECT_EQ(count(), 4);
}

TEST_F(ChartWindow, SavingAnAccountAnotherCopyDeletedWritesNothing)
{
    seedChart();
    open();
    node("1.1.1");
    exec("delete from Accounts where AcNodes = '1.1.1'");
    retype("txtSubsidiary", "PETTY CASH");
    press("cmdCreateAc");
    EXPECT_EQ(dialogs().last().text, "This account no longer exists; another user may have deleted it.");
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(tree()->node("'1.1.1'"), nullptr);

    node("2");
    press("cmdCreateAc");
    exec("delete from Accounts where AcNodes = '2'");
    retype("txtSubControl", "LOANS");
    press("cmdCreateAc");
    EXPECT_EQ(dialogs().last().text, "This account no longer exists; another user may have deleted it.");
    EXPECT_EQ(count(), 2);
}

TEST_F(ChartWindow, DeleteFollowsTheRulesAndAsksFirst)
{
    seedChart();
    open();
    press("Command3");
    EXPECT_EQ(dialogs().last().text, "please select any one account");
    node("1");
    press("Command3");
    EXPECT_EQ(dialogs().last().text, "this head not remove ");

    node("1.1.1");
    dialogs().answer(Answer::No);
    press("Command3");
    EXPECT_EQ(dialogs().last().text, "are you sure delete this account");
    EXPECT_EQ(dialogs().last().buttons, common::Buttons::YesNo);
    EXPECT_EQ(count(), 4);
    dialogs().answer(Answer::Yes);
    press("Command3");
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(tree()->node("'1.1.1'"), nullptr);
    EXPECT_TRUE(c("txtFindParent")->text().isEmpty());
}

TEST_F(ChartWindow, RowsWithoutAParentAreLeftOutOfTheTree)
{
    seedChart();
    exec("insert into Accounts (ParentID, Dcode, AcNodes, AcName, AcStatus) values ('9', 1, '9.1', 'ORPHAN', "
         "'HD')");
    exec("insert into Accounts (ParentID, Dcode, AcNodes, AcName, AcStatus) values ('9.1', 1, '9.1.1', "
         "'ORPHAN 2', "
         "'DD')");
    open();
    EXPECT_EQ(tree()->nodeCount(), 4);
    EXPECT_NE(tree()->node("'2'"), nullptr);
    EXPECT_EQ(tree()->node("'9.1'"), nullptr);
}

TEST_F(ChartWindow, SearchDoubleClickShowsTheAccountInTheTree)
{
    seedChart();
    accounts::addChildAccount(conn(), "1.1", "BANK AL HABIB");
    open();
    auto *tabs = c<QTabWidget>("SSTab");
    tabs->setCurrentIndex(1);
    auto *grid = c<ui::Grid>("mshSearch");
    EXPECT_EQ(grid->rows(), 3); // both subsidiary accounts, by title
    EXPECT_EQ(grid->textMatrix(1, 2), "BANK AL HABIB");
    EXPECT_EQ(grid->textMatrix(0, 2), "Account Title");
    typeText(c("txtFindAC"), "cash");
    ASSERT_EQ(grid->rows(), 2);
    EXPECT_EQ(grid->textMatrix(1, 1), "1.1.1");
    typeText(c("txtFindAC"), "%");
    EXPECT_EQ(grid->rows(), 2);
    EXPECT_TRUE(grid->textMatrix(1, 0).isEmpty());
    retype("txtFindAC", "cash");

    doubleClickRow(grid, 1);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(ui::TreeView::keyOf(tree()->selectedNode()), "'1.1.1'");
    EXPECT_TRUE(tree()->node("'1.1'")->isExpanded());
    EXPECT_FALSE(tree()->node("'2'")->isExpanded());
    EXPECT_EQ(c("txtSubsidiary")->text(), "CASH IN HAND");
    EXPECT_EQ(c("txtSubControl")->text(), "CURRENT ASSETS");
    EXPECT_EQ(c("txtAcDes")->text(), "ASSETS");
    EXPECT_EQ(c("txtContactPerson")->text(), "ALI");
    EXPECT_EQ(caption(), "&Save");
    EXPECT_TRUE(c<QGroupBox>("frmEntry")->isVisible());
}

TEST_F(ChartWindow, ExpandingANodeReturnsThePanelToNew)
{
    seedChart();
    accounts::addChildAccount(conn(), "2", "LOANS");
    open();
    node("1.1.1");
    ASSERT_EQ(caption(), "&Save");
    // A click on the expand arrow of another node leaves the selection alone.
    QTreeWidgetItem *other = tree()->node("'2'");
    const QRect r = tree()->visualItemRect(other);
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::NoModifier,
        QPoint(r.left() - tree()->indentation() / 2, r.center().y()));
    ASSERT_TRUE(other->isExpanded());
    EXPECT_EQ(ui::TreeView::keyOf(tree()->selectedNode()), "'1.1.1'");
    EXPECT_EQ(caption(), "&New");
    EXPECT_FALSE(c<QGroupBox>("frmEntry")->isVisible());
    EXPECT_EQ(c("txtSubControl")->text(), "CURRENT ASSETS");
    EXPECT_FALSE(c("txtSubControl")->isEnabled());
}

TEST_F(ChartWindow, KeyRulesOfTheFields)
{
    seedChart();
    open();
    node("1.1.1");
    struct Case {
        const char *box;
        const char *typed;
        const char *shown;
    } cases[] = {
        {"txt_OpenBal", "1.2.3-4-a b", "1.23"}, // each refused key told
        {"txt_telno", "021 55a,7", "02155,7"},
        {"txt_faxno", "x9", "9"},
        {"txtContactPerson", "ali khan", "ALI KHAN"},
        {"txt_email", "Info@Oru", "Info@Oru"},
    };
    for (const Case &k : cases) {
        retype(k.box, k.typed);
        EXPECT_EQ(c(k.box)->text(), k.shown) << k.box;
    }
    typeText(c("txtSubsidiary"), "");
    pressEnter(c("txtSubsidiary"));
    EXPECT_EQ(focusIn(m_w)->objectName(), "txtContactPerson");
}

TEST_F(ChartWindow, PrintShowsEveryAccountInCodeOrder)
{
    seedChart();
    for (int i = 2; i <= 10; ++i)
        accounts::addChildAccount(conn(), "1", QStringLiteral("HEAD %1").arg(i));
    open();
    press("cmdPrint");
    report::CRViewer91 *viewer = common::viewerControl();
    ASSERT_NE(viewer, nullptr);
    ASSERT_NE(viewer->reportSource(), nullptr);
    EXPECT_TRUE(viewer->reportSource()->fileName().endsWith("rptChartAC.rpt"));
    QStringList codes;
    for (const QString &line : viewer->document()->allLines()) {
        const QString first = line.section(" | ", 0, 0);
        if (QRegularExpression("^\\d+(\\.\\d+)*$").match(first).hasMatch())
            codes << first;
    }
    EXPECT_EQ(codes,
        QStringList(
            {"1", "1.1", "1.1.1", "1.10", "1.2", "1.3", "1.4", "1.5", "1.6", "1.7", "1.8", "1.9", "2"}));
    EXPECT_TRUE(viewer->document()->allLines().contains("1.1.1 | CASH IN HAND | ALI | 021555"));
}

TEST_F(ChartWindow, ExitHidesInLookupModeAndClosesOtherwise)
{
    seedChart();
    gLookupMode = true;
    open();
    press("cmdExit");
    EXPECT_NE(common::windows::ifLoaded("frmAccount"), nullptr);
    EXPECT_FALSE(m_w->frame()->isVisible());
    EXPECT_EQ(m_menuRights, 0);

    gLookupMode = false;
    open();
    press("cmdExit");
    flushDeferred();
    EXPECT_EQ(common::windows::ifLoaded("frmAccount"), nullptr);
    EXPECT_GE(m_menuRights, 1);
}

} // namespace
