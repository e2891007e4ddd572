#include "platform/ui/grid.h"

#include "platform/db/db.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPalette>
#include <QStyle>

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace ui {

namespace {
constexpr int twipsPerPixel = 15;
}

// Cells in one block, row 0 being the header row; the view shows rows 1..
// and takes its column headers from row 0. While a source is kept, the
// block holds the header row only and the lines are read from the source.
class GridModel : public QAbstractTableModel {
public:
    explicit GridModel(QObject *parent)
        : QAbstractTableModel(parent)
    {
    }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows - 1; }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_cols; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return {};
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return cell(index.row() + 1, index.column());
        if (role == Qt::BackgroundRole && index.column() < fixedCols)
            return QApplication::palette().button();
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_cols)
            return cell(0, section);
        if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    int rows() const { return m_rows; }
    int cols() const { return m_cols; }
    QString cell(int row, int col) const
    {
        if (m_source && row > 0) {
            const QString text = row - 1 < m_source->lineCount() ? m_source->cell(row - 1, col) : QString();
            if (!m_dropPending && shownLines() > std::max(m_source->lineCount(), 1)) {
                // Lines the source dropped as it read them: not while a view paints.
                m_dropPending = true;
                QMetaObject::invokeMethod(
                    const_cast<GridModel *>(this), [this] { const_cast<GridModel *>(this)->dropGone(); },
                    Qt::QueuedConnection);
            }
            return text;
        }
        return m_cells[std::size_t(row) * m_cols + col];
    }

    // Told when lines the source dropped have gone from view.
    std::function<void()> linesDropped;

    void setCell(int row, int col, const QString &text)
    {
        if (row > 0)
            keepLines();
        m_cells[std::size_t(row) * m_cols + col] = text;
        if (row == 0)
            emit headerDataChanged(Qt::Horizontal, col, col);
        else
            emit dataChanged(index(row - 1, col), index(row - 1, col), {Qt::DisplayRole});
    }

    void setRows(int rows)
    {
        rows = std::max(rows, 1);
        if (rows == m_rows)
            return;
        keepLines();
        if (rows > m_rows) {
            beginInsertRows({}, m_rows - 1, rows - 2);
            m_cells.resize(std::size_t(rows) * m_cols);
            m_rows = rows;
            endInsertRows();
        } else {
            beginRemoveRows({}, rows - 1, m_rows - 2);
            m_cells.resize(std::size_t(rows) * m_cols);
            m_rows = rows;
            endRemoveRows();
        }
    }

    void setCols(int cols)
    {
        cols = std::max(cols, 0);
        if (cols == m_cols)
            return;
        keepLines();
        const bool growing = cols > m_cols;
        if (growing)
            beginInsertColumns({}, m_cols, cols - 1);
        else
            beginRemoveColumns({}, cols, m_cols - 1);
        std::vector<QString> cells(std::size_t(m_rows) * cols);
        const int keep = std::min(cols, m_cols);
        for (int r = 0; r < m_rows; ++r) {
            for (int c = 0; c < keep; ++c)
                cells[std::size_t(r) * cols + c] = std::move(m_cells[std::size_t(r) * m_cols + c]);
        }
        m_cells = std::move(cells);
        m_cols = cols;
        if (growing)
            endInsertColumns();
        else
            endRemoveColumns();
    }

    void removeLine(int row)
    {
        keepLines();
        beginRemoveRows({}, row - 1, row - 1);
        const auto first = m_cells.begin() + std::ptrdiff_t(row) * m_cols;
        m_cells.erase(first, first + m_cols);
        --m_rows;
        endRemoveRows();
    }

    void clearCells()
    {
        m_source.reset();
        m_cells.assign(std::size_t(m_rows) * m_cols, QString());
        if (m_cols > 0) {
            emit headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
            if (m_rows > 1)
                emit dataChanged(index(0, 0), index(m_rows - 2, m_cols - 1));
        }
    }

    void reset(int rows, int cols, std::vector<QString> cells)
    {
        beginResetModel();
        m_source.reset();
        m_rows = rows;
        m_cols = cols;
        m_cells = std::move(cells);
        endResetModel();
    }

    void reset(std::shared_ptr<const GridSource> source)
    {
        beginResetModel();
        m_cols = std::max(source->columnCount(), 0);
        // Like a bound result, at least one line, blank when there is none.
        m_rows = std::max(source->lineCount() + 1, 2);
        m_cells.assign(std::size_t(m_cols), QString());
        for (int c = 0; c < m_cols; ++c)
            m_cells[std::size_t(c)] = source->header(c);
        m_source = std::move(source);
        endResetModel();
    }

    int fixedCols = 0;

private:
    int shownLines() const { return m_rows - 1; }

    // Drops from view the lines the source has dropped; like a bound result,
    // one blank line stays when none is left.
    void dropGone()
    {
        m_dropPending = false;
        if (!m_source)
            return;
        const std::shared_ptr<const GridSource> source = m_source;
        std::vector<int> lines = source->takeDroppedLines();
        const int keep = std::max(source->lineCount(), 1);
        bool dropped = false;
        for (int line : lines) {
            if (shownLines() <= keep || line < 0 || line >= shownLines())
                continue;
            removeShown(line, line);
            dropped = true;
        }
        if (shownLines() > keep) { // a source that did not say which
            removeShown(keep, shownLines() - 1);
            dropped = true;
        }
        if (m_cols > 0 && shownLines() > 0)
            emit dataChanged(index(0, 0), index(shownLines() - 1, m_cols - 1));
        if (dropped && linesDropped)
            linesDropped();
    }
    void removeShown(int first, int last)
    {
        beginRemoveRows({}, first, last);
        m_rows -= last - first + 1;
        endRemoveRows();
    }

    // Before a line changes: the source's lines copied into the block.
    void keepLines()
    {
        if (!m_source)
            return;
        std::vector<QString> cells(std::size_t(m_rows) * m_cols);
        for (int r = 0; r < m_rows; ++r)
            for (int c = 0; c < m_cols; ++c)
                cells[std::size_t(r) * m_cols + c] = cell(r, c);
        m_cells = std::move(cells);
        m_source.reset();
    }

    int m_rows = 2;
    int m_cols = 2;
    std::vector<QString> m_cells = std::vector<QString>(4);
    std::shared_ptr<const GridSource> m_source;
    mutable bool m_dropPending = false;
};

Grid::Grid(QWidget *parent)
    : QTableView(parent)
    , m_model(new GridModel(this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setAlternatingRowColors(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_widths.assign(std::size_t(m_model->cols()), -1);
    m_row = 1;
    m_model->linesDropped = [this] {
        m_row = currentIndex().isValid() ? currentIndex().row() + 1 : std::min(m_row, m_model->rows() - 1);
    };
    connect(this, &QAbstractItemView::clicked, this, [this] { emit cellClicked(); });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { emit cellDoubleClicked(); });
}

Grid::~Grid() = default;

int Grid::rows() const
{
    return m_model->rows();
}

void Grid::setRows(int rows)
{
    m_model->setRows(rows);
    if (m_row >= m_model->rows())
        m_row = m_model->rows() - 1;
    if (m_row < 1 && m_model->rows() > 1)
        m_row = 1;
}

int Grid::cols() const
{
    return m_model->cols();
}

void Grid::setCols(int cols)
{
    m_model->setCols(cols);
    m_widths.resize(std::size_t(m_model->cols()), -1);
    if (m_col >= cols)
        m_col = std::max(cols - 1, 0);
    applyWidths();
}

void Grid::setFixedCols(int cols)
{
    m_fixedCols = cols;
    m_model->fixedCols = cols;
    viewport()->update();
}

void Grid::checkCell(int row, int col) const
{
    if (row < 0 || row >= m_model->rows() || col < 0 || col >= m_model->cols())
        throw std::out_of_range("Subscript out of range");
}

QString Grid::textMatrix(int row, int col) const
{
    checkCell(row, col);
    return m_model->cell(row, col);
}

void Grid::setTextMatrix(int row, int col, const QString &text)
{
    checkCell(row, col);
    m_model->setCell(row, col, text);
}

int Grid::colWidth(int col) const
{
    checkCell(0, col);
    if (isColumnHidden(col))
        return 0;
    return columnWidth(col) * twipsPerPixel;
}

void Grid::setColWidth(int col, int twips)
{
    checkCell(0, col);
    m_widths[std::size_t(col)] = std::max(twips, 0);
    applyWidths();
}

int Grid::widthToShow(const QString &text) const
{
    // The item delegate's margins on both sides of the text, and the grid line.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int pixels = fontMetrics().horizontalAdvance(text) + 2 * margin + 2;
    return (pixels + 1) * twipsPerPixel;
}

void Grid::applyWidths()
{
    for (int c = 0; c < m_model->cols(); ++c) {
        const int w = m_widths[std::size_t(c)];
        if (w == 0) {
            setColumnHidden(c, true);
        } else {
            setColumnHidden(c, false);
            setColumnWidth(c, w < 0 ? horizontalHeader()->defaultSectionSize() : w / twipsPerPixel);
        }
    }
}

int Grid::row() const
{
    return m_row;
}

void Grid::setRow(int row)
{
    checkCell(row, 0);
    m_row = row;
    if (row >= 1)
        setCurrentIndex(m_model->index(row - 1, m_col));
}

int Grid::col() const
{
    return m_col;
}

void Grid::setCol(int col)
{
    checkCell(0, col);
    m_col = col;
    if (m_row >= 1)
        setCurrentIndex(m_model->index(m_row - 1, col));
}

void Grid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid()) {
        m_row = current.row() + 1;
        m_col = current.column();
    }
}

void Grid::bind(const db::Recordset &rs)
{
    const int cols = rs.fieldCount();
    const int lines = rs.recordCount();
    std::vector<QString> cells(std::size_t(lines + 1) * cols);
    for (int c = 0; c < cols; ++c)
        cells[std::size_t(c)] = rs.column(c).name;
    for (int r = 0; r < lines; ++r) {
        QString *line = cells.data() + std::size_t(r + 1) * cols;
        for (int c = 0; c < cols; ++c)
            line[c] = rs.at(r, c).toString();
    }
    showCells(lines, cols, std::move(cells));
}

void Grid::setLines(const QStringList &header, const QList<QStringList> &lines)
{
    const int cols = int(header.size());
    std::vector<QString> cells(std::size_t(lines.size() + 1) * cols);
    std::copy(header.begin(), header.end(), cells.begin());
    for (qsizetype r = 0; r < lines.size(); ++r) {
        QString *line = cells.data() + std::size_t(r + 1) * cols;
        for (int c = 0; c < cols && c < lines[r].size(); ++c)
            line[c] = lines[r][c];
    }
    showCells(int(lines.size()), cols, std::move(cells));
}

void Grid::showCells(int lines, int cols, std::vector<QString> cells)
{
    // A bound grid always shows at least one line, blank when the result is empty.
    const int rows = std::max(lines + 1, 2);
    cells.resize(std::size_t(rows) * cols);
    m_model->reset(rows, cols, std::move(cells));
    showFilled();
}

void Grid::bind(std::shared_ptr<const GridSource> source)
{
    m_model->reset(std::move(source));
    showFilled();
}

void Grid::showFilled()
{
    m_widths.assign(std::size_t(m_model->cols()), -1);
    applyWidths();
    m_row = 1;
    m_col = 0;
    if (m_model->cols() > 0)
        setCurrentIndex(m_model->index(0, 0));
}

void Grid::clearCells()
{
    m_model->clearCells();
}

void Grid::clearToBlank()
{
    m_model->clearCells();
    setRows(2);
    m_row = 1;
}

int Grid::addRow(const QStringList &cells)
{
    const int row = m_model->rows();
    setRows(row + 1);
    for (int c = 0; c < cells.size() && c < m_model->cols(); ++c)
        m_model->setCell(row, c, cells[c]);
    return row;
}

void Grid::removeRow(int row)
{
    if (row < 1 || row >= m_model->rows())
        throw std::out_of_range("Subscript out of range");
    m_model->removeLine(row);
    if (m_row >= m_model->rows())
        m_row = m_model->rows() - 1;
}

void Grid::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit enterPressed();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace ui
