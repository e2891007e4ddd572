#pragma once
// Tree of keyed nodes with one picture per node, as the chart of accounts
// shows its three levels. Each node has a unique key, a text, a picture
// number (1-based, from the tree's pictures) and a tag text.
#include <QIcon>
#include <QList>
#include <QTreeWidget>

namespace ui {

class TreeView : public QTreeWidget {
    Q_OBJECT
public:
    enum class Relation { First, Last, Next, Previous, Child };

    explicit TreeView(QWidget *parent = nullptr);

    // Pictures by number 1..n; the default set has three drawn pictures
    // (a cabinet, a folder and a page).
    void setPictures(const QList<QIcon> &pictures);
    static QList<QIcon> standardPictures();

    // Adds a node placed by `relation` to the node keyed `relativeKey`
    // (empty: a root node, added last). Throws std::invalid_argument with
    // "Key is not unique in collection" when the key is taken, or "Element
    // not found" when the relative node does not exist.
    QTreeWidgetItem *addNode(const QString &relativeKey, Relation relation, const QString &key,
        const QString &text, int picture = 0);
    QTreeWidgetItem *addRoot(const QString &key, const QString &text, int picture = 0)
    {
        return addNode(QString(), Relation::Last, key, text, picture);
    }

    // The node with that key, or nullptr.
    QTreeWidgetItem *node(const QString &key) const;
    // Every node, in the order they were added.
    const QList<QTreeWidgetItem *> &nodes() const { return m_order; }
    int nodeCount() const { return int(m_order.size()); }
    void clearNodes();

    static QString keyOf(const QTreeWidgetItem *node);
    static QString tagOf(const QTreeWidgetItem *node);
    static void setTag(QTreeWidgetItem *node, const QString &tag);

    QTreeWidgetItem *selectedNode() const { return currentItem(); }
    // Selects the node and expands its ancestors so that it shows.
    void selectNode(QTreeWidgetItem *node);

signals:
    // A node was clicked with the left or the right button (the right button
    // also selects the node first), or selected with the keyboard (NoButton).
    void nodeClicked(QTreeWidgetItem *node, Qt::MouseButton button);
    void mousePressed(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QHash<QString, QTreeWidgetItem *> m_byKey;
    QList<QTreeWidgetItem *> m_order;
    QList<QIcon> m_pictures;
    QTreeWidgetItem *m_pressed = nullptr;
};

} // namespace ui
