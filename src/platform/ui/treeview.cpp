#include "platform/ui/treeview.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <stdexcept>

namespace ui {

namespace {

constexpr int keyRole = Qt::UserRole + 1;
constexpr int tagRole = Qt::UserRole + 2;

QIcon drawn(int kind)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case 1: { // cabinet: a control account
        p.setPen(QColor(30, 50, 110));
        p.setBrush(QColor(60, 90, 170));
        p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
        p.setPen(QColor(220, 225, 240));
        p.drawLine(QPointF(3.5, 8), QPointF(12.5, 8));
        p.drawLine(QPointF(7, 4.5), QPointF(9, 4.5));
        p.drawLine(QPointF(7, 11), QPointF(9, 11));
        break;
    }
    case 2: { // folder: a sub-control account
        QPainterPath path;
        path.moveTo(1.5, 4);
        path.lineTo(6, 4);
        path.lineTo(7.5, 5.5);
        path.lineTo(14.5, 5.5);
        path.lineTo(14.5, 13.5);
        path.lineTo(1.5, 13.5);
        path.closeSubpath();
        p.setPen(QColor(150, 110, 20));
        p.setBrush(QColor(240, 200, 80));
        p.drawPath(path);
        break;
    }
    default: { // page: a subsidiary account
        p.setPen(QColor(90, 90, 90));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 1.5, 9, 13));
        p.setPen(QColor(140, 160, 190));
        for (int y = 5; y <= 11; y += 3)
            p.drawLine(QPointF(5, y), QPointF(11, y));
        break;
    }
    }
    return QIcon(pm);
}

} // namespace

TreeView::TreeView(QWidget *parent)
    : QTreeWidget(parent)
    , m_pictures(standardPictures())
{
    setColumnCount(1);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setRootIsDecorated(true);
}

QList<QIcon> TreeView::standardPictures()
{
    return {drawn(1), drawn(2), drawn(3)};
}

void TreeView::setPictures(const QList<QIcon> &pictures)
{
    m_pictures = pictures;
}

QTreeWidgetItem *TreeView::addNode(
    const QString &relativeKey, Relation relation, const QString &key, const QString &text, int picture)
{
    if (m_byKey.contains(key))
        throw std::invalid_argument("Key is not unique in collection");
    QTreeWidgetItem *relative = nullptr;
    if (!relativeKey.isEmpty()) {
        relative = m_byKey.value(relativeKey);
        if (!relative)
            throw std::invalid_argument("Element not found");
    }
    auto *item = new QTreeWidgetItem;
    item->setText(0, text);
    item->setData(0, keyRole, key);
    if (picture >= 1 && picture <= m_pictures.size())
        item->setIcon(0, m_pictures[picture - 1]);

    if (!relative) {
        addTopLevelItem(item);
    } else if (relation == Relation::Child) {
        relative->addChild(item);
    } else {
        QTreeWidgetItem *parent = relative->parent();
        const int at = parent ? parent->indexOfChild(relative) : indexOfTopLevelItem(relative);
        const int count = parent ? parent->childCount() : topLevelItemCount();
        int pos = count;
        switch (relation) {
        case Relation::First:
            pos = 0;
            break;
        case Relation::Previous:
            pos = at;
            break;
        case Relation::Next:
            pos = at + 1;
            break;
        case Relation::Last:
        case Relation::Child:
            break;
        }
        if (parent)
            parent->insertChild(pos, item);
        else
            insertTopLevelItem(pos, item);
    }
    m_byKey.insert(key, item);
    m_order.append(item);
    return item;
}

QTreeWidgetItem *TreeView::node(const QString &key) const
{
    return m_byKey.value(key);
}

void TreeView::clearNodes()
{
    m_pressed = nullptr;
    m_byKey.clear();
    m_order.clear();
    clear();
}

QString TreeView::keyOf(const QTreeWidgetItem *node)
{
    return node ? node->data(0, keyRole).toString() : QString();
}

QString TreeView::tagOf(const QTreeWidgetItem *node)
{
    return node ? node->data(0, tagRole).toString() : QString();
}

void TreeView::setTag(QTreeWidgetItem *node, const QString &tag)
{
    node->setData(0, tagRole, tag);
}

void TreeView::selectNode(QTreeWidgetItem *node)
{
    for (QTreeWidgetItem *p = node ? node->parent() : nullptr; p; p = p->parent())
        p->setExpanded(true);
    setCurrentItem(node);
    if (node)
        scrollToItem(node);
}

void TreeView::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed(event->button());
    m_pressed = itemAt(event->position().toPoint());
    if (event->button() == Qt::RightButton && m_pressed)
        setCurrentItem(m_pressed);
    QTreeWidget::mousePressEvent(event);
}

void TreeView::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeWidgetItem *pressed = m_pressed;
    m_pressed = nullptr;
    QTreeWidget::mouseReleaseEvent(event);
    // A click on the expand arrow changes no selection and is no node click.
    QTreeWidgetItem *here = itemAt(event->position().toPoint());
    if (pressed && here == pressed && currentItem() == pressed
        && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)) {
        const QRect r = visualItemRect(here);
        const int indent = r.left();
        if (event->position().x() >= indent)
            emit nodeClicked(here, event->button());
    }
}

void TreeView::keyPressEvent(QKeyEvent *event)
{
    QTreeWidgetItem *before = currentItem();
    QTreeWidget::keyPressEvent(event);
    if (currentItem() && currentItem() != before)
        emit nodeClicked(currentItem(), Qt::NoButton);
}

} // namespace ui
