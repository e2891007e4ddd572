#include "common/globals.h"
#include "platform/ui/grid.h"
#include "support/testserver.h"

#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

class GridTest : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        exec(QStringLiteral("create table tblProbe (ID INTEGER PRIMARY KEY, Name VARCHAR(20) COLLATE NOCASE, "
                            "Amount MONEY, Extra VARCHAR(5))"));
        grid.setObjectName(QStringLiteral("Msh"));
        grid.resize(600, 300);
        grid.show();
    }
    ui::Grid grid;
};

} // namespace

TEST_F(GridTest, BindShowsTheResultAndSetGridRenames)
{
    exec(QStringLiteral("insert into tblProbe values (?, ?, ?, ?), (9, 'ZED', 0, 'x')"),
        {7, QStringLiteral("ALI"), db::Money::fromCents(123450), nullptr});
    OpenQuery(QStringLiteral("select ID, Name, Amount, Extra from tblProbe order by ID desc"));
    grid.bind(*gRs);
    OpenQuery(QStringLiteral("select 1")); // the grid keeps its copy
    EXPECT_EQ(grid.rows(), 3);
    EXPECT_EQ(grid.cols(), 4);
    EXPECT_EQ(grid.textMatrix(0, 1), QStringLiteral("Name"));
    EXPECT_EQ(grid.textMatrix(1, 0), QStringLiteral("9")) << "newest first, as the query orders";
    EXPECT_EQ(grid.textMatrix(2, 2), QStringLiteral("1234.50"));
    EXPECT_EQ(grid.textMatrix(2, 3), QString()) << "Null shows empty";
    EXPECT_EQ(grid.row(), 1);

    // What a window's setGrid does: fewer columns, own headers, key column hidden.
    grid.setCols(3);
    grid.setTextMatrix(0, 1, QStringLiteral("Name"));
    grid.setTextMatrix(0, 2, QStringLiteral("Amount"));
    grid.setColWidth(0, 0);
    grid.setColWidth(1, 3000);
    EXPECT_EQ(grid.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Amount"));
    EXPECT_EQ(grid.colWidth(0), 0);
    EXPECT_TRUE(grid.isColumnHidden(0));
    EXPECT_EQ(grid.colWidth(1), 3000);
    EXPECT_EQ(grid.columnWidth(1), 200);
    EXPECT_EQ(grid.textMatrix(2, 0), QStringLiteral("7")) << "a hidden column keeps its values";
    EXPECT_THROW(grid.textMatrix(1, 3), std::out_of_range);
    EXPECT_THROW(grid.textMatrix(3, 0), std::out_of_range);

    // The user double-clicks the second line.
    QSignalSpy dbl(&grid, &ui::Grid::cellDoubleClicked);
    doubleClickRow(&grid, 2);
    EXPECT_EQ(dbl.count(), 1);
    EXPECT_EQ(grid.row(), 2);
    QSignalSpy enter(&grid, &ui::Grid::enterPressed);
    pressEnter(&grid);
    EXPECT_EQ(enter.count(), 1);
}

TEST_F(GridTest, EmptyListsAndEntryLines)
{
    OpenQuery(QStringLiteral("select ID, Name from tblProbe"));
    grid.bind(*gRs);
    EXPECT_EQ(grid.rows(), 2) << "an empty result shows the header and one blank line";
    EXPECT_EQ(grid.textMatrix(1, 0), QString());

    grid.setTextMatrix(0, 1, QStringLiteral("Title"));
    grid.clearToBlank();
    EXPECT_EQ(grid.rows(), 2);
    EXPECT_EQ(grid.textMatrix(0, 1), QString()) << "the header row is emptied too";

    // An entry grid: header only, then lines added, changed and removed.
    grid.setRows(1);
    grid.setCols(3);
    EXPECT_EQ(grid.rows(), 1);
    EXPECT_EQ(grid.addRow({QStringLiteral("1"), QStringLiteral("CASH")}), 1);
    EXPECT_EQ(grid.addRow({QStringLiteral("2"), QStringLiteral("BANK"), QStringLiteral("9.00")}), 2);
    grid.setRows(grid.rows() + 1);
    grid.setTextMatrix(3, 1, QStringLiteral("THIRD"));
    grid.setRow(2);
    grid.removeRow(grid.row());
    EXPECT_EQ(grid.rows(), 3);
    EXPECT_EQ(grid.textMatrix(2, 1), QStringLiteral("THIRD"));
    EXPECT_EQ(grid.textMatrix(1, 2), QString());
    grid.removeRow(2);
    grid.removeRow(1);
    EXPECT_EQ(grid.rows(), 1);
    EXPECT_EQ(grid.row(), 0);
    EXPECT_THROW(grid.removeRow(1), std::out_of_range);
}

TEST_F(GridTest, LinesAlreadyReadShowAsABoundResultDoes)
{
    grid.setRows(5);
    grid.setColWidth(0, 0);
    grid.setLines({QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Amount")},
        {{QStringLiteral("9"), QStringLiteral("ZED"), QStringLiteral("0.00")}, {QStringLiteral("7")}});
    EXPECT_EQ(grid.rows(), 3);
    EXPECT_EQ(grid.cols(), 3);
    EXPECT_EQ(grid.textMatrix(0, 2), QStringLiteral("Amount"));
    EXPECT_EQ(grid.textMatrix(1, 1), QStringLiteral("ZED"));
    EXPECT_EQ(grid.textMatrix(2, 0), QStringLiteral("7"));
    EXPECT_EQ(grid.textMatrix(2, 2), QString()) << "a short line leaves its last cells empty";
    EXPECT_FALSE(grid.isColumnHidden(0)) << "widths start again from the defaults";
    EXPECT_EQ(grid.row(), 1);

    grid.setLines({QStringLiteral("ID")}, {});
    EXPECT_EQ(grid.rows(), 2) << "no line shows the header and one blank line";
    EXPECT_EQ(grid.textMatrix(1, 0), QString());
}

TEST_F(GridTest, BindsTenThousandRowsQuickly)
{
    exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 10000) "
                        "insert into tblProbe select i, 'NAME ' || i, i * 125, 'x' from n"));
    OpenQuery(QStringLiteral("select ID, Name, Amount, Extra, ID as A, Name as B, Amount as C, Extra as D "
                             "from tblProbe order by ID"));
    QElapsedTimer t;
    t.start();
    grid.bind(*gRs);
    grid.setColWidth(0, 0);
    grid.repaint();
    const qint64 ms = t.elapsed();
    EXPECT_EQ(grid.rows(), 10001);
    EXPECT_EQ(grid.textMatrix(10000, 1), QStringLiteral("NAME 10000"));
    EXPECT_LT(ms, 1000) << "binding took " << ms << " ms";
}

namespace {

// Lines "line:col", counting the cells read.
class CountingSource : public ui::GridSource {
public:
    explicit CountingSource(int lines)
        : m_lines(lines)
    {
    }
    int lineCount() const override { return m_lines; }
    int columnCount() const override { return 3; }
    QString header(int col) const override { return QStringLiteral("H%1").arg(col); }
    QString cell(int line, int col) const override
    {
        ++reads;
        return QStringLiteral("%1:%2").arg(line).arg(col);
    }
    mutable int reads = 0;

private:
    int m_lines;
};

} // namespace

TEST_F(GridTest, ASourceIsReadAsShownAndCopiedOnceALineChanges)
{
    auto source = std::make_shared<CountingSource>(100000);
    const std::weak_ptr<CountingSource> kept = source;
    grid.bind(source);
    grid.repaint();
    EXPECT_EQ(grid.rows(), 100001);
    EXPECT_EQ(grid.cols(), 3);
    EXPECT_EQ(grid.textMatrix(0, 2), QStringLiteral("H2"));
    EXPECT_EQ(grid.textMatrix(100000, 1), QStringLiteral("99999:1"));
    EXPECT_EQ(grid.row(), 1);
    EXPECT_LT(source->reads, 2000) << "only what is shown is read";

    // Headers and widths as a window's labelSearch sets them keep the source.
    grid.setTextMatrix(0, 1, QStringLiteral("Name"));
    grid.setColWidth(0, 0);
    EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Name"));
    QSignalSpy dbl(&grid, &ui::Grid::cellDoubleClicked);
    doubleClickRow(&grid, 2);
    EXPECT_EQ(dbl.count(), 1);
    EXPECT_EQ(grid.textMatrix(grid.row(), 0), QStringLiteral("1:0"));
    source.reset();
    EXPECT_FALSE(kept.expired());

    // A changed line: the lines are the grid's own from then on.
    grid.setTextMatrix(2, 1, QStringLiteral("X"));
    EXPECT_TRUE(kept.expired());
    EXPECT_EQ(grid.textMatrix(2, 1), QStringLiteral("X"));
    EXPECT_EQ(grid.textMatrix(3, 1), QStringLiteral("2:1"));
    EXPECT_EQ(grid.textMatrix(0, 1), QStringLiteral("Name"));

    // Rows added or removed, or the grid emptied, let the source go as well.
    for (const auto &change : std::vector<std::function<void()>> {[this] { grid.removeRow(1); },
             [this] { grid.addRow({QStringLiteral("new")}); }, [this] { grid.setRows(4); },
             [this] { grid.setCols(2); }, [this] { grid.clearToBlank(); }}) {
        auto next = std::make_shared<CountingSource>(5);
        grid.bind(next);
        const std::weak_ptr<CountingSource> held = next;
        next.reset();
        const QString last = grid.textMatrix(5, 0);
        change();
        EXPECT_TRUE(held.expired());
        EXPECT_EQ(grid.textMatrix(0, 0), grid.rows() == 2 ? QString() : QStringLiteral("H0"));
        if (grid.rows() > 5) {
            EXPECT_EQ(grid.textMatrix(5, 0), last);
        }
    }
    EXPECT_EQ(grid.rows(), 2);
    grid.bind(std::make_shared<CountingSource>(0));
    EXPECT_EQ(grid.rows(), 2) << "no line shows the header and one blank line";
    EXPECT_EQ(grid.textMatrix(1, 0), QString());
    EXPECT_EQ(grid.textMatrix(0, 0), QStringLiteral("H0"));
}
