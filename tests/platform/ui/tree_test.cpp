#include "platform/ui/treeview.h"
#include "support/gui.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <stdexcept>

using ui::TreeView;
using Rel = ui::TreeView::Relation;

TEST(Tree, NodesByKeyWithTagsAndOrder)
{
    TreeView tree;
    tree.setObjectName(QStringLiteral("lstTree"));
    tree.resize(300, 400);
    tree.show();
    QTreeWidgetItem *one = tree.addRoot(QStringLiteral("'1'"), QStringLiteral("ASSETS"), 1);
    TreeView::setTag(one, QStringLiteral("11"));
    QTreeWidgetItem *sub = tree.addNode(
        QStringLiteral("'1'"), Rel::Child, QStringLiteral("'1.1'"), QStringLiteral("CASH AND BANK"), 2);
    QTreeWidgetItem *leaf = tree.addNode(
        QStringLiteral("'1.1'"), Rel::Child, QStringLiteral("'1.1.1'"), QStringLiteral("CASH IN HAND"), 3);
    TreeView::setTag(leaf, QStringLiteral("13"));
    tree.addRoot(QStringLiteral("'2'"), QStringLiteral("LIABILITIES"), 1);
    QTreeWidgetItem *before = tree.addNode(
        QStringLiteral("'2'"), Rel::Previous, QStringLiteral("'0'"), QStringLiteral("FIRST"), 1);

    EXPECT_EQ(tree.node(QStringLiteral("'1.1.1'")), leaf);
    EXPECT_EQ(leaf->parent(), sub);
    EXPECT_EQ(TreeView::tagOf(tree.node(QStringLiteral("'1'"))), QStringLiteral("11"));
    EXPECT_EQ(TreeView::keyOf(leaf), QStringLiteral("'1.1.1'"));
    EXPECT_EQ(tree.node(QStringLiteral("1")), nullptr) << "the quotes are part of the key";
    EXPECT_EQ(tree.indexOfTopLevelItem(before), 1);
    EXPECT_EQ(tree.nodes().size(), 5);
    EXPECT_EQ(tree.nodes().at(2), leaf) << "nodes keep the order they were added in";
    EXPECT_FALSE(leaf->icon(0).isNull());
    EXPECT_FALSE(sub->isExpanded());

    try {
        tree.addRoot(QStringLiteral("'1'"), QStringLiteral("AGAIN"));
        ADD_FAILURE() << "duplicate key accepted";
    } catch (const std::invalid_argument &e) {
        EXPECT_STREQ(e.what(), "Key is not unique in collection");
    }
    EXPECT_THROW(tree.addNode(QStringLiteral("'9'"), Rel::Child, QStringLiteral("'9.1'"), QString()),
        std::invalid_argument);
    EXPECT_EQ(tree.nodeCount(), 5);

    tree.selectNode(leaf);
    EXPECT_EQ(tree.selectedNode(), leaf);
    EXPECT_TRUE(sub->isExpanded() && one->isExpanded()) << "selecting shows the node";

    QSignalSpy clicks(&tree, &TreeView::nodeClicked);
    clickNode(&tree, QStringLiteral("'1.1'"), Qt::RightButton);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<QTreeWidgetItem *>(), sub);
    EXPECT_EQ(clicks.at(0).at(1).value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(tree.selectedNode(), sub) << "a right click selects the node";
    clickNode(&tree, QStringLiteral("'2'"));
    EXPECT_EQ(tree.selectedNode(), tree.node(QStringLiteral("'2'")));
    EXPECT_EQ(clicks.count(), 2);

    tree.clearNodes();
    EXPECT_EQ(tree.nodeCount(), 0);
    EXPECT_EQ(tree.node(QStringLiteral("'1'")), nullptr);
    tree.addRoot(QStringLiteral("'1'"), QStringLiteral("ASSETS"), 1);
}
