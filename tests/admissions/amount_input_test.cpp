// What the application form's amount, text and date boxes take when typed
// or pasted, checked in the stored rows.
#include "admissions/application_window_fixture.h"
#include "common/input.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDateEdit>
#include <QGuiApplication>
#include <QTest>

namespace {

class ApplicationInput : public ApplicationWindow {
protected:
    void paste(QWidget *box, const QString &text)
    {
        QGuiApplication::clipboard()->setText(text);
        box->setFocus(Qt::OtherFocusReason);
        if (auto *edit = qobject_cast<QLineEdit *>(box))
            edit->selectAll();
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCoreApplication::processEvents(); // a refusal is told once the box is back
    }
    void type(QWidget *box, const QString &text)
    {
        typeText(box, text);
        QCoreApplication::processEvents();
    }
};

TEST_F(ApplicationInput, AmountsAreTakenWholeOrRefusedAloudNamesLoseControlCharactersDatesMustExist)
{
    exec("insert into tblSubject (SubId, CourseId, SubName, TotAmt) values (4, 1, 'BIG', ?)",
        {db::Value(db::Money::parse(u"999999999999.99"))});
    open();
    const QString refused = common::input::amountRefusal();
    const struct {
        const char *box;
        bool pasted;
        QString input;
        const char *shown;
        bool refused;
    } cases[] = {
        {"txtRegfee", true, "1e309", "", true},
        {"txtRegfee", true, "99999999999999.99", "", true},
        {"txtRegfee", false, "0.005", "0.00", true},
        {"txtRegfee", false, "1.2.3", "1.23", true},
        {"txtRegfee", false, "999999999999.99", "999999999999.99", false},
        {"txtDiscount", true, "12345678901234567890", "", true},
        {"txtDiscount", true, " 12 ", "", true},
        {"txtRecAmt", true, "5e2", "", true},
        {"txtRecAmt", true, "-1", "", true},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(std::string(t.box) + (t.pasted ? " pasted " : " typed ") + t.input.toStdString());
        dialogs().clear();
        c(t.box)->clear();
        if (t.pasted)
            paste(c(t.box), t.input);
        else
            type(c(t.box), t.input);
        EXPECT_EQ(text(t.box), QString::fromLatin1(t.shown));
        EXPECT_EQ(dialogs().texts(), t.refused ? QStringList({refused}) : QStringList());
    }
    c("txtDiscount")->clear();
    c("txtRecAmt")->clear();

    // A date that does not exist is refused, not moved to the month's end.
    auto *date = c<QDateEdit>("dtpDate");
    date->setDate(QDate(2009, 2, 10));
    dialogs().clear();
    paste(date->findChild<QLineEdit *>(), "31/02/2009");
    EXPECT_EQ(date->date(), QDate(2009, 2, 10));
    EXPECT_EQ(dialogs().texts(), QStringList({"31/02/2009 is not a date. Please enter a valid date."}));
    paste(date->findChild<QLineEdit *>(), "28/02/2009");
    EXPECT_EQ(date->date(), QDate(2009, 2, 28));

    dialogs().clear();
    type(c("txtStuNm"), "ali raza");
    paste(c("txtfathNm"), QStringLiteral("KHAN") + QChar(0) + QStringLiteral(" SAHIB"));
    EXPECT_EQ(text("txtfathNm"), "KHAN SAHIB");
    EXPECT_EQ(dialogs().texts(),
        QStringList({"The text held control characters, which cannot be stored; they were left out."}));
    type(c("txtCellNo"), "0300");
    // The largest fee picked is shown and kept whole.
    pick("BIG");
    EXPECT_EQ(text("txt_rate"), "999999999999.99");
    EXPECT_EQ(text("txtNetAmt"), "999999999999.99");
    type(c("txtDiscount"), "0.99");
    EXPECT_EQ(text("txtNetAmt"), "999999999999");
    type(c("txtRecAmt"), "999999999999");
    press("cmd_ADD_1");
    dialogs().clear();
    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join("; ").toStdString();
    EXPECT_EQ(rows("select FatherName, AppDate, RegFee, TotAmt, CashReceive from tblMasApp"),
        QStringList({"KHAN SAHIB|2009-02-28|999999999999.99|999999999999.00|999999999999.00"}));
    EXPECT_EQ(rows("select SubAmt, Discount, NetAmount, RecAmount from tblDetApp"),
        QStringList({"999999999999.99|0.99|999999999999.00|999999999999.00"}));
}

} // namespace
