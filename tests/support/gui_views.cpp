// Grid and tree helpers (kept apart so that tests without those controls do
// not link them).
#include "platform/ui/grid.h"
#include "platform/ui/treeview.h"
#include "support/gui.h"

#include <QTest>

namespace {

QRect cellRect(ui::Grid *grid, int row)
{
    if (row < 1 || row >= grid->rows()) {
        ADD_FAILURE() << "Grid " << grid->objectName().toStdString() << " has no line " << row;
        throw std::runtime_error("no such grid line");
    }
    int col = 0;
    while (col < grid->cols() && grid->colWidth(col) == 0)
        ++col;
    if (col == grid->cols())
        throw std::runtime_error("grid has no visible column");
    const QModelIndex index = grid->model()->index(row - 1, col);
    grid->scrollTo(index);
    return grid->visualRect(index);
}

} // namespace

void clickRow(ui::Grid *grid, int row)
{
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellRect(grid, row).center());
}

void doubleClickRow(ui::Grid *grid, int row)
{
    const QPoint at = cellRect(grid, row).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

QStringList gridLines(ui::Grid *grid, const QList<int> &columns, bool visibleOnly)
{
    QStringList out;
    for (int r = 1; r < grid->rows(); ++r) {
        QStringList cells;
        if (!columns.isEmpty()) {
            for (int col : columns)
                cells << grid->textMatrix(r, col);
        } else {
            for (int col = 0; col < grid->cols(); ++col) {
                if (!visibleOnly || grid->colWidth(col) > 0)
                    cells << grid->textMatrix(r, col);
            }
        }
        out << cells.join(u'|');
    }
    return out;
}

bool doubleClickRowWith(ui::Grid *grid, int column, const QString &text)
{
    for (int r = 1; r < grid->rows(); ++r) {
        if (grid->textMatrix(r, column) == text) {
            doubleClickRow(grid, r);
            return true;
        }
    }
    return false;
}

void clickNode(ui::TreeView *tree, const QString &key, Qt::MouseButton button)
{
    QTreeWidgetItem *node = tree->node(key);
    if (!node) {
        ADD_FAILURE() << "Tree " << tree->objectName().toStdString() << " has no node " << key.toStdString();
        throw std::runtime_error("no such tree node");
    }
    for (QTreeWidgetItem *p = node->parent(); p; p = p->parent())
        p->setExpanded(true);
    tree->scrollToItem(node);
    const QPoint at = tree->visualItemRect(node).center();
    QTest::mouseClick(tree->viewport(), button, Qt::NoModifier, at);
}
