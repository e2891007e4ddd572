#include "common/binding.h"
#include "common/globals.h"
#include "platform/ui/maskededit.h"
#include "support/testserver.h"

#include <QLineEdit>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace binding = common::binding;

namespace {

class Binding : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        exec(QStringLiteral(
            "create table tblProbe (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name VARCHAR(20) COLLATE "
            "NOCASE, Addr VARCHAR(50) COLLATE NOCASE, Qty INTEGER, Tax VARCHAR(9) COLLATE NOCASE)"));
        auto *layout = new QVBoxLayout(&window);
        name = add("txtName", "M", "Name");
        addr = add("txtAddr", "M", "Addr");
        qty = add("txtQty", "M", "Qty");
        other = add("txtOther", "D", "Name");
        tax = new ui::MaskedEdit(QStringLiteral("#######-#"));
        tax->setObjectName(QStringLiteral("mskTax"));
        binding::bind(tax, QStringLiteral("M"), QStringLiteral("Tax"));
        for (QWidget *w : {static_cast<QWidget *>(name), static_cast<QWidget *>(addr),
                 static_cast<QWidget *>(qty), static_cast<QWidget *>(other), static_cast<QWidget *>(tax)})
            layout->addWidget(w);
    }
    QLineEdit *add(const char *object, const char *tag, const char *field)
    {
        auto *box = new QLineEdit(&window);
        box->setObjectName(QString::fromLatin1(object));
        binding::bind(box, QString::fromLatin1(tag), QString::fromLatin1(field));
        return box;
    }
    QWidget window;
    QLineEdit *name, *addr, *qty, *other;
    ui::MaskedEdit *tax;
};

} // namespace

TEST_F(Binding, SaveStoresTextOrNullAndLoadShowsIt)
{
    EXPECT_EQ(binding::fields(&window, QStringLiteral("M")), (QList<QLineEdit *> {name, addr, qty}))
        << "boxes of the tag in creation order, masked boxes left out";

    name->setText(QStringLiteral("ALI"));
    qty->setText(QStringLiteral("12"));
    tax->setText(QStringLiteral("1234567-8"));
    OpenQuery(QStringLiteral("select * from tblProbe where 0=1"));
    gRs->addNew();
    binding::save(&window, QStringLiteral("M"), *gRs);
    gRs->update();

    OpenQuery(QStringLiteral("select * from tblProbe"));
    ASSERT_EQ(gRs->recordCount(), 1);
    EXPECT_EQ(gRs->fields(QStringLiteral("Name")).toString(), QStringLiteral("ALI"));
    EXPECT_TRUE(gRs->fields(QStringLiteral("Addr")).isNull()) << "an empty box stores Null";
    EXPECT_EQ(gRs->fields(QStringLiteral("Qty")).value(), db::Value(12));
    EXPECT_TRUE(gRs->fields(QStringLiteral("Tax")).isNull()) << "masked boxes are written by the window";

    // A skipped field keeps its column.
    name->setText(QStringLiteral("CHANGED"));
    qty->clear();
    binding::save(&window, QStringLiteral("M"), *gRs, {QStringLiteral("name")});
    gRs->update();
    OpenQuery(QStringLiteral("select * from tblProbe"));
    EXPECT_EQ(gRs->fields(QStringLiteral("Name")).toString(), QStringLiteral("ALI"));
    EXPECT_TRUE(gRs->fields(QStringLiteral("Qty")).isNull());

    binding::clear(&window, QStringLiteral("M"));
    other->setText(QStringLiteral("kept"));
    EXPECT_TRUE(name->text().isEmpty() && addr->text().isEmpty());
    EXPECT_EQ(tax->text(), QStringLiteral("1234567-8")) << "clear leaves masked boxes";
    binding::load(&window, QStringLiteral("M"), *gRs);
    EXPECT_EQ(name->text(), QStringLiteral("ALI"));
    EXPECT_EQ(addr->text(), QString()) << "Null shows as empty";
    EXPECT_EQ(other->text(), QStringLiteral("kept")) << "another tag is not touched";
}

TEST_F(Binding, MaxLengthsFollowTextColumnSizes)
{
    const int qtDefault = QLineEdit().maxLength();
    OpenQuery(QStringLiteral("select * from tblProbe where 0=1"));
    binding::setMaxLengths(&window, QStringLiteral("M"), *gRs, {QStringLiteral("Addr")});
    EXPECT_EQ(name->maxLength(), 20);
    EXPECT_EQ(addr->maxLength(), qtDefault) << "skipped";
    EXPECT_EQ(qty->maxLength(), qtDefault) << "a number column sets no length";
    EXPECT_EQ(other->maxLength(), qtDefault);

    binding::bind(other, QStringLiteral("M"), QStringLiteral("NoSuchColumn"));
    EXPECT_THROW(binding::setMaxLengths(&window, QStringLiteral("M"), *gRs), db::Error);
}
