#include "platform/ui/grid.h"
#include "platform/ui/maskededit.h"
#include "shell/admin_fixture.h"
#include "support/printers.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>

namespace {

class Company : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        exec("insert into Company (Company, comTel, comTax, comNTN, comActive) values "
             "('OLD INSTITUTE', '021-111', '11-22-3333-444-55', '1234567-8', 'Y'), "
             "('SECOND CAMPUS', null, null, null, null)");
        w = common::windows::show(QStringLiteral("frmCompany"));
        ASSERT_TRUE(w);
    }
    template <class T = QLineEdit> T *ctl(const char *name)
    {
        return findControl<T>(w, QString::fromLatin1(name));
    }
    ui::Grid *grid() { return ctl<ui::Grid>("Msh"); }

    // Double-clicks the company's line in the list, as a user picks it.
    void pick(const QString &company)
    {
        ctl<QTabWidget>("tabCompany")->setCurrentIndex(1);
        for (int r = 1; r < grid()->rows(); ++r)
            if (grid()->textMatrix(r, 1) == company) {
                doubleClickRow(grid(), r);
                ASSERT_EQ(ctl<QTabWidget>("tabCompany")->currentIndex(), 0) << "the fields come to the front";
                return;
            }
        FAIL() << "no line for " << company.toStdString();
    }
    QStringList active()
    {
        return column("select Company from Company where comActive = 'Y' order by Company");
    }
    QString cell(const char *column, const char *company)
    {
        return scalar(
            QStringLiteral("select %1 from Company where Company = ?").arg(QLatin1String(column)), {company})
            .toString();
    }

    common::Window *w = nullptr;
};

} // namespace

TEST_F(Company, ActiveMarkMovesOnlyWithATickedSave)
{
    typeText(ctl("txtCompany"), "NEW INSTITUTE");
    typeText(ctl("txtAddr"), "CLIFTON, KARACHI");
    ctl<QCheckBox>("chkComActive")->setChecked(true);
    EXPECT_TRUE(ctl<QCheckBox>("chkComActive")->font().bold()) << "a ticked box shows bold";
    clickButton(w, "cmdNew");
    EXPECT_EQ(active(), QStringList {"NEW INSTITUTE"});
    EXPECT_EQ(cell("comAddr", "NEW INSTITUTE"), "CLIFTON, KARACHI");
    EXPECT_TRUE(ctl("txtCompany")->text().isEmpty()) << "the fields are cleared after a save";
    EXPECT_FALSE(ctl<QCheckBox>("chkComActive")->isChecked());

    // Changing the active company with the box unticked keeps its mark.
    pick("NEW INSTITUTE");
    ASSERT_TRUE(ctl<QCheckBox>("chkComActive")->isChecked());
    ctl<QCheckBox>("chkComActive")->setChecked(false);
    ctl("txtAddr")->setText("SADDAR, KARACHI");
    clickButton(w, "cmdNew");
    EXPECT_EQ(active(), QStringList {"NEW INSTITUTE"});
    EXPECT_EQ(cell("comAddr", "NEW INSTITUTE"), "SADDAR, KARACHI");

    // An unticked new company stays inactive and moves nothing.
    typeText(ctl("txtCompany"), "THIRD");
    clickButton(w, "cmdNew");
    EXPECT_EQ(active(), QStringList {"NEW INSTITUTE"});
    EXPECT_EQ(scalar("select count(*) from Company").toInt(), 4);
}

TEST_F(Company, MaskedNumbersAreStoredOnlyWhenComplete)
{
    pick("OLD INSTITUTE");
    auto *tax = ctl<ui::MaskedEdit>("mskTax");
    auto *ntn = ctl<ui::MaskedEdit>("mskNTN");
    EXPECT_EQ(tax->text(), "11-22-3333-444-55");
    tax->reset();
    typeText(tax, "98");
    ntn->reset();
    typeText(ntn, "76543210");
    clickButton(w, "cmdNew");
    EXPECT_EQ(cell("comTax", "OLD INSTITUTE"), "11-22-3333-444-55")
        << "a partly filled number keeps the old one";
    EXPECT_EQ(cell("comNTN", "OLD INSTITUTE"), "7654321-0") << "a complete number is stored with its dash";

    pick("SECOND CAMPUS");
    EXPECT_EQ(tax->text(), "__-__-____-___-__") << "an empty column resets the box";
    typeText(tax, "12345678901234");
    clickButton(w, "cmdNew");
    EXPECT_EQ(cell("comTax", "SECOND CAMPUS"), "12-34-5678-901-23");
}

TEST_F(Company, ContactAndFaxKeys)
{
    typeText(ctl("txtTel"), "021-555, 12x");
    EXPECT_EQ(ctl("txtTel")->text(), "021-555, 12") << "hyphen kept, letters dropped";
    typeText(ctl("txtFax"), "021-555, 12x");
    EXPECT_EQ(ctl("txtFax")->text(), "021555, 12") << "no hyphen in the fax number";
    pressEnter(ctl("txtTel"));
    EXPECT_EQ(focusIn(ctl("txtTel")), ctl("txtFax")) << "Enter moves on";
}

TEST_F(Company, DeleteAsksOnlyForAPickedCompany)
{
    clickButton(w, "cmdDelete");
    EXPECT_EQ(dialogs().count(), 0) << "nothing picked: no question";
    EXPECT_EQ(scalar("select count(*) from Company").toInt(), 2);

    pick("OLD INSTITUTE");
    dialogs().answer(common::Answer::No);
    clickButton(w, "cmdDelete");
    EXPECT_EQ(dialogs().last().text, "are you sure delete this Company");
    EXPECT_EQ(dialogs().last().icon, common::Icon::Information);
    EXPECT_EQ(scalar("select count(*) from Company").toInt(), 2);

    dialogs().answer(common::Answer::Yes);
    clickButton(w, "cmdDelete");
    EXPECT_EQ(column("select Company from Company"), QStringList {"SECOND CAMPUS"});
    EXPECT_TRUE(active().isEmpty()) << "deleting the active company leaves none";
    EXPECT_TRUE(ctl("txtCompCode")->text().isEmpty());
}

TEST_F(Company, AFailedSaveKeepsThePreviousActiveCompany)
{
    exec("create temp trigger failInsert before insert on Company begin select raise(abort, 'disk full'); "
         "end");
    typeText(ctl("txtCompany"), "NEW INSTITUTE");
    ctl<QCheckBox>("chkComActive")->setChecked(true);
    clickButton(w, "cmdNew");
    ASSERT_EQ(dialogs().count(), 1);
    EXPECT_TRUE(dialogs().last().text.contains("disk full"));
    EXPECT_EQ(active(), QStringList {"OLD INSTITUTE"});
    EXPECT_EQ(scalar("select count(*) from Company").toInt(), 2);
    EXPECT_EQ(ctl("txtCompany")->text(), "NEW INSTITUTE") << "the typed fields stay for another try";
    exec("drop trigger failInsert");

    // The same for a change of an existing company.
    exec("create temp trigger failUpdate before update of Company on Company begin "
         "select raise(abort, 'disk full'); end");
    pick("SECOND CAMPUS");
    ctl<QCheckBox>("chkComActive")->setChecked(true);
    ctl("txtCompany")->setText("SECOND CAMPUS (MAIN)");
    clickButton(w, "cmdNew");
    EXPECT_EQ(active(), QStringList {"OLD INSTITUTE"});
    exec("drop trigger failUpdate");
}

TEST_F(Company, EmptyNameIsRefused)
{
    clickButton(w, "cmdNew");
    EXPECT_EQ(dialogs().last().text, "please enter Company Name ");
    EXPECT_EQ(focusIn(ctl("txtCompany")), ctl("txtCompany"));
    EXPECT_EQ(scalar("select count(*) from Company").toInt(), 2);
}

TEST_F(Company, SearchFindsTypedTextLiterally)
{
    exec("insert into Company (Company) values ('100% PURE'), ('A_B TRADERS'), ('O''NEIL & SONS'), ('ABC')");
    const struct {
        const char *typed;
        QStringList found;
    } cases[] = {
        {"%", {"100% PURE"}}, {"_", {"A_B TRADERS"}}, {"'", {"O'NEIL & SONS"}}, {"campus", {"SECOND CAMPUS"}},
        {"zzz", {""}}, // one blank line
    };
    for (const auto &c : cases) {
        ctl("txtSearch")->setText(QString::fromLatin1(c.typed));
        QStringList shown;
        for (int r = 1; r < grid()->rows(); ++r)
            shown << grid()->textMatrix(r, 1);
        EXPECT_EQ(shown, c.found) << c.typed;
    }
    ctl("txtSearch")->clear();
    EXPECT_EQ(grid()->textMatrix(0, 1), "Company");
    EXPECT_EQ(grid()->colWidth(0), 0) << "the key column is hidden";
    EXPECT_EQ(grid()->rows(), 7) << "all companies, by name";
    EXPECT_EQ(grid()->textMatrix(1, 1), "100% PURE");
}

TEST_F(Company, ExitClosesAndAppliesTheMenuRights)
{
    pressEnter(ctl("txtCompany"));
    EXPECT_EQ(focusIn(ctl("txtCompany")), ctl("txtAddr"));
    clickButton(w, "cmdExit");
    flushDeferred();
    EXPECT_FALSE(common::windows::ifLoaded("frmCompany"));
    EXPECT_EQ(menuRightsCalls, 1);
}
