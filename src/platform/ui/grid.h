#pragma once
// The list and entry grid: a table of text cells whose row 0 is the header
// row (shown as the column headers) and whose rows 1.. are the lines.
// Column widths are in twips; a width of 0 hides a column, which still
// carries its values (a row's key in column 0).
#include <QStringList>
#include <QTableView>

#include <memory>
#include <vector>

namespace db {
class Recordset;
}

namespace ui {

class GridModel;

// Lines the grid reads as it shows them, rather than copying them all when
// it is filled: a long list costs what is on the screen. The grid keeps the
// source until a line is changed (a cell set, a row added or removed, the
// size changed), when it copies the lines and lets the source go.
class GridSource {
public:
    virtual ~GridSource() = default;
    virtual int lineCount() const = 0;
    virtual int columnCount() const = 0;
    virtual QString header(int col) const = 0;
    // A cell of line 0..lineCount()-1. Must not throw: a value that cannot
    // be read shows empty.
    virtual QString cell(int line, int col) const = 0;
    // A source may drop lines it finds gone as it reads them (lineCount()
    // shrinks): it gives them here once, each as its place among the lines
    // when it was dropped, in the order they went, and the grid drops them
    // from view soon after (it shows a line past the end as empty till then).
    virtual std::vector<int> takeDroppedLines() const { return {}; }
};

class Grid : public QTableView {
    Q_OBJECT
public:
    explicit Grid(QWidget *parent = nullptr);
    ~Grid() override;

    // Counts include the header row: a grid with its header and one line has
    // 2 rows. Growing adds empty rows or columns; shrinking drops them.
    int rows() const;
    void setRows(int rows);
    int cols() const;
    void setCols(int cols);
    // Columns left of this one are shown as fixed (header-like) cells.
    int fixedCols() const { return m_fixedCols; }
    void setFixedCols(int cols);

    // Cell text; row 0 is the header. Throws std::out_of_range outside the grid.
    QString textMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);

    int colWidth(int col) const; // twips; 0 when hidden
    void setColWidth(int col, int twips);
    // The width (twips) a column needs to show `text` whole in a cell.
    int widthToShow(const QString &text) const;

    // The current cell (row 1 is the first line; 0 when the grid has no line).
    int row() const;
    void setRow(int row);
    int col() const;
    void setCol(int col);

    // Shows every row and column of the result: the header row holds the
    // field names, one line per record. The grid keeps a copy; the
    // recordset may be reused afterwards.
    void bind(const db::Recordset &rs);
    // The same for lines read from a source as they are shown; the header
    // row holds the source's headers.
    void bind(std::shared_ptr<const GridSource> source);
    // The same for rows already read: `header` names the columns, each line
    // holds one row's cells (missing cells empty).
    void setLines(const QStringList &header, const QList<QStringList> &lines);
    // Empties every cell, header included, keeping the size.
    void clearCells();
    // The empty list: an empty header row and one blank line.
    void clearToBlank();
    // Appends a line (missing cells empty) and returns its row number.
    int addRow(const QStringList &cells = {});
    // Removes line `row` (1..rows()-1).
    void removeRow(int row);

signals:
    void cellClicked();
    void cellDoubleClicked();
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void checkCell(int row, int col) const;
    void showCells(int lines, int cols, std::vector<QString> cells);
    void showFilled();
    void applyWidths();
    GridModel *m_model;
    int m_fixedCols = 0;
    int m_row = 0;
    int m_col = 0;
    std::vector<int> m_widths; // twips per column; -1 = default
};

} // namespace ui
