#pragma once
// A report definition file as a small element tree: the loader needs
// look-ahead, and places what it refuses by the line an element stands on.
// Internal to the engine.
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace report::def {

struct XNode {
    QString name;
    QHash<QString, QString> attrs;
    QStringList attrOrder; // the attributes in the order the file gives them
    QString text;
    int line = 0;
    std::vector<XNode> kids;
};

// The one <report> element of `xml` with all it holds. Throws report::Error
// placed in `source` for XML the reader refuses, a file without one <report>
// element, or elements nested more than 200 levels inside it.
XNode readTree(const QString &xml, const QString &source);

} // namespace report::def
