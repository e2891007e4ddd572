#include "common/globals.h"
#include "platform/ui/animation.h"
#include "platform/ui/controls.h"
#include "support/testserver.h"

#include <QFile>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

class Controls : public TestServer { };

TEST_F(Controls, DataComboListsOneFieldAndStandsForAnother)
{
    exec(QStringLiteral("create table tblProbe (SessionID INTEGER PRIMARY KEY, SessionName VARCHAR(20))"));
    exec(QStringLiteral("insert into tblProbe values (4, '2008-2009'), (5, '2009-2010')"));
    ui::DataCombo combo;
    db::Recordset rs;
    rs.open(QStringLiteral("select * from tblProbe order by SessionName"), *gConn);
    combo.fill(rs, QStringLiteral("SessionName"), QStringLiteral("SessionID"));
    EXPECT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.text(), QString()) << "nothing chosen after filling";
    EXPECT_EQ(combo.boundText(), QString());
    combo.setCurrentIndex(1);
    EXPECT_EQ(combo.text(), QStringLiteral("2009-2010"));
    EXPECT_EQ(combo.boundText(), QStringLiteral("5"));
    combo.setBoundText(QStringLiteral("4"));
    EXPECT_EQ(combo.text(), QStringLiteral("2008-2009"));
    combo.setBoundText(QStringLiteral("99"));
    EXPECT_EQ(combo.text(), QString());
    EXPECT_THROW(combo.fill(rs, QStringLiteral("Nope"), QStringLiteral("SessionID")), db::Error);
}

TEST(Controls2, DatePickerAndTabs)
{
    ui::DatePicker picker;
    EXPECT_EQ(picker.date(), QDate::currentDate());
    picker.setDate(QDate(2009, 8, 3));
    EXPECT_EQ(picker.text(), QStringLiteral("03/08/2009"));
    EXPECT_TRUE(picker.calendarPopup());
    ui::DatePicker search(nullptr, QStringLiteral("dd-MM-yyyy"));
    search.setDate(QDate(2009, 8, 3));
    EXPECT_EQ(search.text(), QStringLiteral("03-08-2009"));

    QTabWidget tabs;
    tabs.addTab(new QWidget, QStringLiteral("Add / Change Company"));
    tabs.addTab(new QWidget, QStringLiteral("Search Company"));
    ui::showTab(&tabs, 1);
    EXPECT_EQ(tabs.currentIndex(), 1);
}

TEST(Controls2, AnimationDrawsItsOwnEmblemWhenTheMovieCannotPlay)
{
    QTemporaryDir dir;
    const QString swf = dir.filePath(QStringLiteral("vo.swf"));
    QFile f(swf);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("FWS\x0a not a movie Qt can decode");
    f.close();

    for (const QString &path : {swf, dir.filePath(QStringLiteral("missing.swf"))}) {
        ui::Animation a;
        a.resize(120, 120);
        a.setMovie(path);
        EXPECT_FALSE(a.playsMovie());
        a.show();
        const QImage first = a.grab().toImage();
        QTest::qWait(250);
        const QImage later = a.grab().toImage();
        EXPECT_NE(first, later) << "the emblem moves";
        EXPECT_NE(first.pixel(60, 60), first.pixel(1, 1)) << "something is drawn";
    }
}
