#include "common/hooks.h"
#include "common/printing.h"
#include "directory/directory.h"
#include "directory/directory_rules.h"
#include "platform/report/viewer.h"
#include "platform/ui/grid.h"
#include "shell/frmVeiwer.h"
#include "support/printers.h"
#include "support/testserver.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QTabWidget>

namespace {

// The columns of a contact in the order the fixtures give them.
const QStringList contactColumns = {"Client_Name", "Company", "Contact_Per", "Tele_No", "Mob_No", "Fax_NO",
    "Email", "WebSite", "Location", "City", "Country", "Address"};

class Directory : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        directory::registerWindows();
        shell::registerViewer();
        common::hooks::setApplyMenuRights([this] { ++menuRightsCalls; });
    }
    void TearDown() override
    {
        TestServer::TearDown();
        common::hooks::setApplyMenuRights(nullptr);
    }

    common::Window *open()
    {
        w = common::windows::show(QStringLiteral("frm_Tele_Directory"));
        if (!w)
            throw std::runtime_error("directory window not loaded");
        return w;
    }
    template <class T = QLineEdit> T *ctl(const char *name)
    {
        return findControl<T>(w, QString::fromLatin1(name));
    }
    ui::Grid *grid() { return ctl<ui::Grid>("Msh"); }
    QTabWidget *tabs() { return ctl<QTabWidget>("tabDirectory"); }

    // A contact written straight into the table: name, company, telephone, address.
    std::int64_t addContact(const QString &name, const QString &company, const QString &tele,
        const QString &address = QStringLiteral("MAIN ROAD"))
    {
        directory::Entry e;
        e.fields = {{"Client_Name", name}, {"Company", company}, {"Tele_No", tele}, {"Address", address}};
        return directory::saveEntry(conn(), e);
    }

    QStringList listColumn(int c)
    {
        QStringList out = gridLines(grid(), {c});
        out.sort();
        return out;
    }
    // Shows the list and double-clicks the line of that client.
    void pick(const QString &clientName)
    {
        tabs()->setCurrentIndex(1);
        for (int r = 1; r < grid()->rows(); ++r)
            if (grid()->textMatrix(r, 2) == clientName) {
                doubleClickRow(grid(), r);
                return;
            }
        FAIL() << "no line for " << clientName.toStdString();
    }
    QString stored(const QString &column, std::int64_t rowNo)
    {
        const db::Value v = scalar("select " + column + " from tbl_Tele_Directory where Row_No = ?", {rowNo});
        return v.isNull() ? QStringLiteral("<null>") : v.toString();
    }
    int count() { return int(scalar("select count(*) from tbl_Tele_Directory").toInt()); }
    QStringList shownLines()
    {
        report::CRViewer91 *v = common::viewerControl();
        return v && v->document() ? v->document()->allLines() : QStringList();
    }

    common::Window *w = nullptr;
    int menuRightsCalls = 0;
};

const QString pageHeader1
    = "Client Name | Company | Contact Person | TelePhone No | Mobile No | Fax No | E-mail";
const QString pageHeader2 = "Address | Location | City | Country | Web Site";

} // namespace

TEST_F(Directory, NewEntriesAreNumberedAndEditsKeepKeyAndCode)
{
    EXPECT_EQ(directory::nextRowNo(conn()), 1);
    const auto first = addContact("ALI", "ALI TRADERS", "021-111");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(stored("Code_No", 1), "TD-");
    EXPECT_EQ(stored("Mob_No", 1), "<null>") << "an optional field left empty is Null";
    EXPECT_EQ(addContact("BILAL", "B & CO", "042-222"), 2);

    exec("update tbl_Tele_Directory set Code_No = 'TD-OLD' where Row_No = 2");
    directory::Entry edit;
    edit.rowNo = "2";
    edit.codeNo = "ignored";
    edit.fields = {{"Client_Name", "BILAL"}, {"Mob_No", "0300-1234567"}, {"Address", ""}};
    EXPECT_EQ(directory::saveEntry(conn(), edit), 2);
    EXPECT_EQ(stored("Code_No", 2), "TD-OLD");
    EXPECT_EQ(stored("Mob_No", 2), "0300-1234567");
    EXPECT_EQ(stored("Address", 2), "<null>");
    EXPECT_EQ(count(), 2);
}

TEST_F(Directory, FailedSavesWriteNothing)
{
    addContact("ALI", "ALI TRADERS", "021-111");
    // An entry deleted elsewhere while it was open is not brought back.
    directory::Entry gone;
    gone.rowNo = "7";
    gone.fields = {{"Client_Name", "GHOST"}};
    EXPECT_THROW(directory::saveEntry(conn(), gone), db::Error);

    // A new entry whose insert fails leaves neither a row nor a used key.
    directory::Entry tooLong;
    tooLong.fields = {{"Client_Name", "X"}, {"City", QString(200, u'C')}};
    EXPECT_THROW(directory::saveEntry(conn(), tooLong), db::Error);
    EXPECT_EQ(count(), 1);
    EXPECT_FALSE(conn().inTransaction());
    EXPECT_EQ(directory::nextRowNo(conn()), 2);
}

TEST_F(Directory, AddThroughTheWindowCapitalisesAndEmptiesTheForm)
{
    open();
    EXPECT_EQ(w->windowTitle(), "");
    EXPECT_EQ(tabs()->currentIndex(), 0);
    typeText(ctl("txtCName"), "ahmed khan");
    pressEnter(ctl("txtCName"));
    EXPECT_EQ(focusIn(w), ctl("txtComName")) << "Enter moves on";
    typeText(ctl("txtComName"), "khan sons");
    typeText(ctl("txtTeleNo"), "021-5550001");
    typeText(ctl("txtEmail"), "Info@KhanSons.pk");
    typeText(ctl("txtWebsite"), "www.khansons.pk");
    typeText(ctl("txtLocation"), "saddar");
    typeText(ctl("txtAdd"), "shop 4, main road");
    clickButton(w, "cmdSave");
    EXPECT_EQ(dialogs().count(), 0);

    EXPECT_EQ(count(), 1);
    EXPECT_EQ(stored("Client_Name", 1), "AHMED KHAN");
    EXPECT_EQ(stored("Company", 1), "KHAN SONS");
    EXPECT_EQ(stored("Email", 1), "Info@KhanSons.pk") << "e-mail keeps its letters";
    EXPECT_EQ(stored("WebSite", 1), "www.khansons.pk");
    EXPECT_EQ(stored("Location", 1), "saddar") << "the location box has no key handling";
    EXPECT_EQ(stored("Address", 1), "SHOP 4, MAIN ROAD");
    EXPECT_EQ(stored("Code_No", 1), "TD-");
    EXPECT_EQ(stored("Fax_NO", 1), "<null>");
    for (const char *box : {"txtCName", "txtComName", "txtEmail", "txtAdd", "txt_Row_No", "txtCodeNo"})
        EXPECT_EQ(ctl(box)->text(), "") << box;
    EXPECT_EQ(listColumn(2), QStringList {"AHMED KHAN"});
    EXPECT_EQ(grid()->textMatrix(0, 5), "TelePhone No");
    EXPECT_EQ(grid()->colWidth(0), 0);
    EXPECT_NEAR(grid()->colWidth(13), 5000, 15);

    // The next save is a new entry again.
    typeText(ctl("txtCName"), "B");
    typeText(ctl("txtComName"), "B");
    typeText(ctl("txtTeleNo"), "2");
    typeText(ctl("txtAdd"), "B");
    clickButton(w, "cmdSave");
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(stored("Client_Name", 2), "B");
}

TEST_F(Directory, SaveAsksForEachRequiredFieldInTurn)
{
    open();
    struct Case {
        QStringList filled; // boxes given a text, of name, company, telephone, address
        const char *message;
        const char *focus;
    } cases[] = {
        {{}, "please enter Client Name", "txtCName"},
        {{"txtAdd", "txtTeleNo"}, "please enter Client Name", "txtCName"},
        {{"txtCName"}, "please enter Company Name", "txtComName"},
        {{"txtCName", "txtComName", "txtAdd"}, "please enter Telephone No", "txtTeleNo"},
        {{"txtCName", "txtComName", "txtTeleNo"}, "please enter Address", "txtAdd"},
    };
    for (const Case &c : cases) {
        clickButton(w, "cmdCancel");
        for (const QString &box : c.filled)
            ctl(box.toLatin1().constData())->setText("X");
        ctl("txtMobNo")->setText("0300");
        tabs()->setCurrentIndex(1);
        dialogs().clear();
        clickButton(w, "cmdSave");
        ASSERT_EQ(dialogs().count(), 1) << c.message;
        EXPECT_EQ(dialogs().last().text, c.message);
        EXPECT_EQ(dialogs().last().icon, common::Icon::Information);
        EXPECT_EQ(tabs()->currentIndex(), 0);
        EXPECT_EQ(focusIn(w), ctl(c.focus)) << c.message;
        EXPECT_EQ(ctl("txtMobNo")->text(), "0300") << "the form keeps what was typed";
    }
    // A name of blanks is no name.
    clickButton(w, "cmdCancel");
    for (const char *box : {"txtComName", "txtTeleNo", "txtAdd"})
        ctl(box)->setText("X");
    ctl("txtCName")->setText("   ");
    dialogs().clear();
    clickButton(w, "cmdSave");
    EXPECT_EQ(dialogs().texts(), QStringList {"please enter Client Name"});
    EXPECT_EQ(count(), 0);
}

TEST_F(Directory, PickedEntryIsChangedInPlace)
{
    addContact("ALI", "ALI TRADERS", "021-111");
    exec("update tbl_Tele_Directory set Code_No = 'TD-7', Mob_No = '0300', Country = 'PAKISTAN'");
    addContact("BILAL", "B & CO", "042-222");
    open();
    pick("ALI");
    EXPECT_EQ(tabs()->currentIndex(), 0);
    EXPECT_EQ(focusIn(w), ctl("txtCName"));
    EXPECT_EQ(ctl("txt_Row_No")->text(), "1");
    EXPECT_EQ(ctl("txtCodeNo")->text(), "TD-7");
    EXPECT_EQ(ctl("txtComName")->text(), "ALI TRADERS");
    EXPECT_EQ(ctl("txtCountry")->text(), "PAKISTAN");
    EXPECT_EQ(ctl("txtFaxNo")->text(), "");

    ctl("txtMobNo")->setText("0333-9999999");
    clickButton(w, "cmdSave");
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(stored("Mob_No", 1), "0333-9999999");
    EXPECT_EQ(stored("Code_No", 1), "TD-7");
    EXPECT_EQ(stored("Country", 1), "PAKISTAN");
    EXPECT_EQ(ctl("txt_Row_No")->text(), "");
    EXPECT_EQ(ctl("txtCName")->text(), "");

    // Cancel forgets the picked entry: the next save is new.
    pick("BILAL");
    clickButton(w, "cmdCancel");
    EXPECT_EQ(ctl("txt_Row_No")->text(), "");
    EXPECT_EQ(ctl("txtComName")->text(), "");
}

TEST_F(Directory, SearchByEachCriterionTakesTheTextLiterally)
{
    addContact("ALI", "O'BRIEN TRADERS", "021-111");
    addContact("100% COTTON", "TEXTILE HOUSE", "042 5550");
    addContact("1000 COTTON", "A_Z STORES", "0425550");
    addContact("BILAL", "AZZ STORES", "021-222");
    exec("insert into tbl_Tele_Directory (Row_No, Code_No, Company) values (9, 'TD-', 'NO NAME LTD')");
    open();
    EXPECT_EQ(listColumn(3), QStringList({"AZZ STORES", "A_Z STORES", "O'BRIEN TRADERS", "TEXTILE HOUSE"}))
        << "the first list leaves out entries without a client name";

    struct Case {
        int criterion;
        const char *typed;
        QStringList clients;
    } cases[] = {
        {0, "ali", {"ALI"}},
        {0, "100%", {"100% COTTON"}},
        {0, "cott", {"100% COTTON", "1000 COTTON"}},
        {1, "o'brien", {"ALI"}},
        {1, "a_z", {"1000 COTTON"}},
        {1, "stores", {"1000 COTTON", "BILAL"}},
        {2, "021", {"ALI", "BILAL"}},
        {2, "42 5", {"100% COTTON"}},
    };
    auto *criterion = ctl<QComboBox>("cmb_s_cri");
    EXPECT_EQ(criterion->count(), 3);
    EXPECT_EQ(criterion->currentText(), "Client Name");
    tabs()->setCurrentIndex(1);
    for (const Case &c : cases) {
        criterion->setCurrentIndex(c.criterion);
        ctl("txt_s_value")->clear();
        typeText(ctl("txt_s_value"), QString::fromUtf8(c.typed));
        EXPECT_EQ(listColumn(2), c.clients) << c.criterion << " " << c.typed;
    }
    EXPECT_EQ(ctl("txt_s_value")->text(), "42 5");
    EXPECT_EQ(dialogs().count(), 0);

    // Another criterion alone leaves the list as it is.
    criterion->setCurrentIndex(0);
    EXPECT_EQ(listColumn(2), QStringList {"100% COTTON"});

    // A text found nowhere: two empty rows and no headers.
    typeText(ctl("txt_s_value"), "'; drop table tbl_Tele_Directory; --");
    EXPECT_EQ(grid()->rows(), 2);
    EXPECT_EQ(grid()->textMatrix(0, 2), "");
    EXPECT_EQ(grid()->textMatrix(1, 0), "");
    EXPECT_EQ(count(), 5);
    doubleClickRow(grid(), 1);
    EXPECT_EQ(ctl("txt_Row_No")->text(), "") << "the empty line picks nothing";
}

TEST_F(Directory, DeleteAsksFirstAndEmptiesTheForm)
{
    addContact("ALI", "ALI TRADERS", "021-111");
    addContact("BILAL", "B & CO", "042-222");
    open();
    clickButton(w, "cmdDelete");
    EXPECT_EQ(dialogs().count(), 0) << "nothing loaded: no question";

    pick("ALI");
    dialogs().answer(common::Answer::No);
    clickButton(w, "cmdDelete");
    ASSERT_EQ(dialogs().count(), 1);
    const auto asked = dialogs().last();
    EXPECT_EQ(asked.text, "Are you sure delete this information");
    EXPECT_EQ(asked.title, "Confirm");
    EXPECT_EQ(asked.buttons, common::Buttons::YesNo);
    EXPECT_EQ(asked.icon, common::Icon::Question);
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(ctl("txtCName")->text(), "ALI") << "No keeps the entry shown";

    dialogs().answer(common::Answer::Yes);
    clickButton(w, "cmdDelete");
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(stored("Client_Name", 2), "BILAL");
    EXPECT_EQ(ctl("txt_Row_No")->text(), "");
    EXPECT_EQ(ctl("txtCName")->text(), "");
    EXPECT_EQ(listColumn(2), QStringList {"BILAL"});
}

TEST_F(Directory, PrintShowsOneEntryOrTheWholeDirectory)
{
    addContact("ZAFAR", "Z LTD", "021-999", "BLOCK 6, PECHS");
    exec(
        "update tbl_Tele_Directory set Contact_Per = 'MR. ZAFAR', Mob_No = '0300-1', Fax_NO = '021-998', "
        "Email = 'z@z.pk', WebSite = 'www.z.pk', Location = 'PECHS', City = 'KARACHI', Country = 'PAKISTAN'");
    addContact("ALI", "ALI TRADERS", "042-111", "MALL ROAD");
    // The printout logs on as the logged-in user; "sa" has a password here.
    ASSERT_FALSE(saPassword().isEmpty());
    open();
    clickButton(w, "cmdPrint");
    ASSERT_EQ(dialogs().count(), 0) << dialogs().texts().join("; ").toStdString();
    auto *viewer = common::windows::ifLoaded<frmVeiwer>("frmVeiwer");
    ASSERT_TRUE(viewer && viewer->isVisible());
    EXPECT_EQ(viewer->windowTitle(), "");
    const QString footer = QDate::currentDate().toString("dd-MM-yyyy") + QStringLiteral(" | Page 1 of 1");
    EXPECT_EQ(shownLines(),
        QStringList({
            "TELEPHONE DIRECTORY",
            pageHeader1,
            pageHeader2,
            "ALI | ALI TRADERS | 042-111",
            "MALL ROAD",
            "ZAFAR | Z LTD | MR. ZAFAR | 021-999 | 0300-1 | 021-998 | z@z.pk",
            "BLOCK 6, PECHS | PECHS | KARACHI | PAKISTAN | www.z.pk",
            "Total Entries : | 2",
            footer,
        }));

    pick("ZAFAR");
    clickButton(w, "cmdPrint");
    const QStringList one = shownLines();
    ASSERT_GE(one.size(), 5);
    EXPECT_EQ(one.mid(3, 3),
        QStringList({"ZAFAR | Z LTD | MR. ZAFAR | 021-999 | 0300-1 | 021-998 | z@z.pk",
            "BLOCK 6, PECHS | PECHS | KARACHI | PAKISTAN | www.z.pk", "Total Entries : | 1"}));
    EXPECT_FALSE(one.join('\n').contains("ALI"));
}

TEST_F(Directory, ClosingAppliesMenuRightsAndALookupPickCloses)
{
    addContact("ALI", "ALI TRADERS", "021-111");
    open();
    clickButton(w, "cmdExit");
    flushDeferred();
    EXPECT_FALSE(common::windows::ifLoaded("frm_Tele_Directory"));
    EXPECT_EQ(menuRightsCalls, 1);

    gLookupMode = true;
    open();
    pick("ALI");
    flushDeferred();
    EXPECT_FALSE(common::windows::ifLoaded("frm_Tele_Directory")) << "a pick in lookup mode closes";
    EXPECT_EQ(menuRightsCalls, 2);
    EXPECT_TRUE(gLookupMode) << "the directory leaves lookup mode alone";

    // Enter on a line closes the window too; on the empty list it does not.
    gLookupMode = false;
    open();
    tabs()->setCurrentIndex(1);
    typeText(ctl("txt_s_value"), "NOBODY");
    grid()->setRow(1);
    pressEnter(grid());
    EXPECT_EQ(common::windows::ifLoaded("frm_Tele_Directory"), w);
    ctl("txt_s_value")->clear();
    grid()->setRow(1);
    pressEnter(grid());
    flushDeferred();
    EXPECT_FALSE(common::windows::ifLoaded("frm_Tele_Directory"));
    EXPECT_EQ(menuRightsCalls, 3);
}
