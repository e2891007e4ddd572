#include "common/pickerlist.h"

#include "common/errors.h"
#include "platform/ui/grid.h"

namespace common {

void PickerList::setList(ui::Grid *grid)
{
    m_list = grid;
    on(grid, &ui::Grid::cellDoubleClicked, this, [this] { pick(); });
    on(grid, &ui::Grid::enterPressed, this, [this] { pick(); });
}

void PickerList::setColumns(std::initializer_list<Column> columns)
{
    m_list->setCols(int(columns.size()));
    int c = 0;
    for (const Column &column : columns) {
        if (column.header)
            m_list->setTextMatrix(0, c, QString::fromLatin1(column.header));
        m_list->setColWidth(c++, column.width);
    }
}

int PickerList::keyAt(int row) const
{
    bool ok = false;
    const int key = m_list->textMatrix(row, 0).toInt(&ok);
    return ok ? key : 0;
}

void PickerList::formLoad()
{
    m_opener.remember(this);
}

void PickerList::formUnload()
{
    if (m_picked && !m_opener.handBack(this))
        dropPick();
}

void PickerList::pick()
{
    const int row = m_list->row();
    if (row < 1 || row >= m_list->rows() || !takePick(row))
        return;
    m_picked = true;
    unload();
}

} // namespace common
