#include "platform/report/reporterror.h"
#include "platform/report/xmltree_p.h"

#include <QXmlStreamReader>

namespace report::def {

namespace {

// Keeps the reader, and the loader walking the tree, far from the end of the stack.
constexpr int kMaxElementDepth = 200;

[[noreturn]] void fail(const QString &source, int line, const QString &reason)
{
    throw Error(placeText(source, line), reason + u'.');
}

void startNode(XNode &n, const QXmlStreamReader &r)
{
    n.name = r.name().toString();
    n.line = int(r.lineNumber());
    for (const QXmlStreamAttribute &a : r.attributes()) {
        n.attrs.insert(a.name().toString(), a.value().toString());
        n.attrOrder << a.name().toString();
    }
}

// Reads the element the reader stands on, with all it holds. A loop over
// the open elements rather than a call per level: how deep a file nests
// is up to the file.
XNode readNode(QXmlStreamReader &r, const QString &source)
{
    XNode root;
    startNode(root, r);
    // Only the innermost open element gains children, so these stay valid.
    std::vector<XNode *> open {&root};
    while (!open.empty() && !r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            // The kid's level: the element read first (<report>) is not counted.
            if (int(open.size()) > kMaxElementDepth)
                fail(source, int(r.lineNumber()),
                    QStringLiteral("elements nest more than %1 levels deep inside <report>")
                        .arg(kMaxElementDepth));
            XNode &kid = open.back()->kids.emplace_back();
            startNode(kid, r);
            open.push_back(&kid);
        } else if (r.isCharacters()) {
            open.back()->text += r.text();
        } else if (r.isEndElement()) {
            open.pop_back();
        }
    }
    return root;
}

} // namespace

XNode readTree(const QString &xml, const QString &source)
{
    QXmlStreamReader r(xml);
    XNode root;
    bool seenRoot = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            if (seenRoot)
                fail(source, int(r.lineNumber()), QStringLiteral("only one <report> element is allowed"));
            root = readNode(r, source);
            seenRoot = true;
        }
    }
    if (r.hasError()) {
        QString reason = r.errorString();
        while (reason.endsWith(u'.'))
            reason.chop(1);
        fail(source, int(r.lineNumber()), reason);
    }
    if (!seenRoot || root.name != QLatin1String("report"))
        fail(source, seenRoot ? root.line : 1, QStringLiteral("the file must hold one <report> element"));
    return root;
}

} // namespace report::def
