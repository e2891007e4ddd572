#include "platform/report/definition_p.h"
#include "platform/report/reporterror.h"
#include "platform/report/xmltree_p.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPageSize>

#include <algorithm>
#include <set>

namespace report::def {

namespace {

// Limits that keep the reader, the compiler and the renderer (which walk
// groups and subreports level by level) far from the end of the stack.
constexpr int kMaxGroupLevels = 50;
constexpr int kMaxSubreportLevels = 10;

class Loader {
public:
    explicit Loader(QString source)
        : m_source(std::move(source))
    {
    }

    std::shared_ptr<Definition> run(const QString &xml)
    {
        const XNode root = readTree(xml, m_source);
        auto def = std::make_shared<Definition>();
        def->source = m_source;
        reportAttributes(root, *def);
        body(root, *def, false);
        return def;
    }

private:
    [[noreturn]] void fail(int line, const QString &reason) const
    {
        throw Error(placeText(m_source, line), reason + u'.');
    }

    void allow(const XNode &n, std::initializer_list<const char *> names) const
    {
        for (const QString &a : n.attrOrder) {
            bool ok = false;
            for (const char *name : names)
                ok = ok || a == QLatin1String(name);
            if (!ok)
                fail(n.line, QStringLiteral("<%1> has no attribute '%2'").arg(n.name, a));
        }
    }

    // An element that holds a text or nothing: an element inside it would be lost.
    void leaf(const XNode &n) const
    {
        if (!n.kids.empty())
            fail(n.kids.front().line,
                QStringLiteral("<%1> is not known in <%2>").arg(n.kids.front().name, n.name));
    }

    double number(const XNode &n, const char *attr, double fallback) const
    {
        const QString key = QLatin1String(attr);
        if (!n.attrs.contains(key))
            return fallback;
        bool ok = false;
        const double v = n.attrs.value(key).trimmed().toDouble(&ok);
        if (!ok || v < 0)
            fail(n.line,
                QStringLiteral("'%1' must be a number of millimetres, not '%2'")
                    .arg(key, n.attrs.value(key)));
        return v;
    }

    bool flag(const XNode &n, const char *attr) const
    {
        const QString key = QLatin1String(attr);
        if (!n.attrs.contains(key))
            return false;
        const QString v = n.attrs.value(key).trimmed().toLower();
        if (v == QLatin1String("true") || v == QLatin1String("yes") || v == QLatin1String("1"))
            return true;
        if (v == QLatin1String("false") || v == QLatin1String("no") || v == QLatin1String("0"))
            return false;
        fail(n.line, QStringLiteral("'%1' must be true or false, not '%2'").arg(key, n.attrs.value(key)));
    }

    template <class T>
    T choice(const XNode &n, const char *attr, std::initializer_list<std::pair<const char *, T>> options,
        T fallback) const
    {
        const QString key = QLatin1String(attr);
        if (!n.attrs.contains(key))
            return fallback;
        const QString v = n.attrs.value(key).trimmed();
        QStringList names;
        for (const auto &o : options) {
            if (v.compare(QLatin1String(o.first), Qt::CaseInsensitive) == 0)
                return o.second;
            names << QLatin1String(o.first);
        }
        fail(n.line,
            QStringLiteral("'%1' must be one of %2, not '%3'").arg(key, names.join(QStringLiteral(", ")), v));
    }

    void reportAttributes(const XNode &n, Definition &def)
    {
        allow(n, {"name", "pageSize", "orientation", "margins", "font", "fontSize"});
        def.name = n.attrs.value(QStringLiteral("name"), QFileInfo(m_source).completeBaseName());
        def.line = n.line;
        const QString size = n.attrs.value(QStringLiteral("pageSize"), QStringLiteral("A4")).trimmed();
        QPageSize::PageSizeId id = QPageSize::A4;
        if (size.compare(QLatin1String("A4"), Qt::CaseInsensitive) == 0)
            id = QPageSize::A4;
        else if (size.compare(QLatin1String("A5"), Qt::CaseInsensitive) == 0)
            id = QPageSize::A5;
        else if (size.compare(QLatin1String("Letter"), Qt::CaseInsensitive) == 0)
            id = QPageSize::Letter;
        else if (size.compare(QLatin1String("Legal"), Qt::CaseInsensitive) == 0)
            id = QPageSize::Legal;
        else
            fail(n.line,
                QStringLiteral("'pageSize' must be one of A4, A5, Letter, Legal, not '%1'").arg(size));
        def.pageSize = QPageSize(id).size(QPageSize::Millimeter);
        def.landscape = choice<bool>(n, "orientation", {{"portrait", false}, {"landscape", true}}, false);
        if (def.landscape)
            def.pageSize.transpose();
        if (n.attrs.contains(QStringLiteral("margins"))) {
            const QStringList parts
                = n.attrs.value(QStringLiteral("margins")).split(u' ', Qt::SkipEmptyParts);
            std::vector<double> v;
            for (const QString &p : parts) {
                bool ok = false;
                v.push_back(p.toDouble(&ok));
                if (!ok || v.back() < 0)
                    fail(n.line, QStringLiteral("'margins' takes one or four numbers of millimetres"));
            }
            if (v.size() == 1)
                def.margins = QMarginsF(v[0], v[0], v[0], v[0]);
            else if (v.size() == 4) // top right bottom left
                def.margins = QMarginsF(v[3], v[0], v[1], v[2]);
            else
                fail(n.line, QStringLiteral("'margins' takes one or four numbers of millimetres"));
        }
        def.style.family = n.attrs.value(QStringLiteral("font"), QStringLiteral("DejaVu Sans"));
        def.style.pointSize = number(n, "fontSize", 9);
        if (def.style.pointSize <= 0)
            fail(n.line, QStringLiteral("'fontSize' must be above 0"));
    }

    // The parts a report and a subreport share.
    void body(const XNode &n, Definition &def, bool isSubreport)
    {
        Names names;
        bool seenData = false;
        for (const XNode &k : n.kids) {
            const QString &name = k.name;
            if (name == QLatin1String("data")) {
                if (seenData)
                    fail(k.line, QStringLiteral("only one <data> element is allowed"));
                seenData = true;
                data(k, def);
            } else if (!declaration(k, def, isSubreport, names) && !bodySection(k, def)) {
                fail(k.line, QStringLiteral("<%1> is not known here").arg(name));
            }
        }
        if (!seenData || def.query.isEmpty())
            fail(n.line, QStringLiteral("the report needs <data> with a <query>"));
        if (isSubreport && (def.pageHeader.present || def.pageFooter.present))
            fail(n.line, QStringLiteral("a subreport has no page header or footer"));
        for (const RunningTotal &t : def.runningTotals)
            if (t.resetGroup >= int(def.groups.size()))
                fail(t.line, QStringLiteral("the report has no group %1").arg(t.resetGroup + 1));
    }

    // The names a report declares, each kind apart (without regard to case).
    struct Names {
        std::set<QString> formulas, parameters, running;
    };

    // A parameter field, formula field, running total or shared value;
    // false for any other element.
    bool declaration(const XNode &k, Definition &def, bool isSubreport, Names &names)
    {
        const QString &name = k.name;
        const bool known = name == QLatin1String("parameter") || name == QLatin1String("formula")
            || name == QLatin1String("runningTotal") || name == QLatin1String("shared");
        if (!known)
            return false;
        leaf(k);
        if (name == QLatin1String("parameter")) {
            if (isSubreport)
                fail(k.line, QStringLiteral("a subreport has no parameter fields"));
            def.parameters.push_back(parameter(k));
            unique(names.parameters, def.parameters.back().name, k, "parameter field");
        } else if (name == QLatin1String("formula")) {
            allow(k, {"name"});
            FormulaField f;
            f.line = k.line;
            f.name = required(k, "name");
            f.text = k.text.trimmed();
            unique(names.formulas, f.name, k, "formula field");
            def.formulas.push_back(f);
        } else if (name == QLatin1String("runningTotal")) {
            def.runningTotals.push_back(runningTotal(k));
            unique(names.running, def.runningTotals.back().name, k, "running total");
        } else if (name == QLatin1String("shared")) {
            if (!isSubreport)
                fail(k.line, QStringLiteral("only a subreport shares values with its report"));
            allow(k, {"name", "function"});
            RunningTotal t = aggregateOf(k, "a shared value needs the value it adds up");
            unique(names.running, t.name, k, "running total or shared value");
            def.shared.push_back(t);
        }
        return true;
    }

    Parameter parameter(const XNode &k) const
    {
        allow(k, {"name", "type", "default"});
        Parameter p;
        p.line = k.line;
        p.name = required(k, "name");
        p.type = choice<ParamType>(k, "type",
            {{"integer", ParamType::Integer}, {"number", ParamType::Number}, {"text", ParamType::Text},
                {"date", ParamType::Date}},
            ParamType::Text);
        p.hasDefault = k.attrs.contains(QStringLiteral("default"));
        p.defaultText = k.attrs.value(QStringLiteral("default"));
        return p;
    }

    // The name, function and value of a running total or a shared value.
    RunningTotal aggregateOf(const XNode &k, const char *needsValue) const
    {
        RunningTotal t;
        t.line = k.line;
        t.name = required(k, "name");
        t.aggregate = aggregate(k);
        t.expr = k.text.trimmed();
        if (t.expr.isEmpty() && t.aggregate != Aggregate::Count)
            fail(k.line, QLatin1String(needsValue));
        return t;
    }

    RunningTotal runningTotal(const XNode &k) const
    {
        allow(k, {"name", "function", "group"});
        RunningTotal t = aggregateOf(k, "a running total needs the value it adds up");
        if (k.attrs.contains(QStringLiteral("group"))) {
            bool ok = false;
            t.resetGroup = k.attrs.value(QStringLiteral("group")).toInt(&ok) - 1;
            if (!ok || t.resetGroup < 0)
                fail(k.line, QStringLiteral("'group' is the number of a group level, from 1"));
        }
        return t;
    }

    // A section or the outermost group; false for any other element.
    bool bodySection(const XNode &k, Definition &def)
    {
        const struct {
            const char *name;
            Section Definition::*section;
        } sections[] = {{"reportHeader", &Definition::reportHeader}, {"pageHeader", &Definition::pageHeader},
            {"details", &Definition::details}, {"pageFooter", &Definition::pageFooter},
            {"reportFooter", &Definition::reportFooter}};
        for (const auto &s : sections) {
            if (k.name == QLatin1String(s.name)) {
                section(k, def, def.*s.section);
                return true;
            }
        }
        if (k.name != QLatin1String("group"))
            return false;
        if (!def.groups.empty())
            fail(k.line, QStringLiteral("nest inner groups inside the outer <group>"));
        group(k, def);
        return true;
    }

    QString required(const XNode &n, const char *attr) const
    {
        const QString v = n.attrs.value(QLatin1String(attr)).trimmed();
        if (v.isEmpty())
            fail(n.line, QStringLiteral("<%1> needs '%2'").arg(n.name, QLatin1String(attr)));
        return v;
    }

    void unique(std::set<QString> &seen, const QString &name, const XNode &n, const char *what) const
    {
        if (!seen.insert(name.toLower()).second)
            fail(n.line, QStringLiteral("the %1 '%2' is defined twice").arg(QLatin1String(what), name));
    }

    Aggregate aggregate(const XNode &n) const
    {
        return choice<Aggregate>(n, "function",
            {{"sum", Aggregate::Sum}, {"count", Aggregate::Count}, {"min", Aggregate::Min},
                {"max", Aggregate::Max}, {"average", Aggregate::Average}},
            Aggregate::Sum);
    }

    void data(const XNode &n, Definition &def)
    {
        allow(n, {});
        for (const XNode &k : n.kids) {
            if (k.name == QLatin1String("query") || k.name == QLatin1String("selection")
                || k.name == QLatin1String("sort"))
                leaf(k);
            if (k.name == QLatin1String("query")) {
                allow(k, {});
                def.query = k.text.trimmed();
                def.queryLine = k.line;
            } else if (k.name == QLatin1String("selection")) {
                allow(k, {});
                def.selection = k.text.trimmed();
                def.selectionLine = k.line;
            } else if (k.name == QLatin1String("sort")) {
                allow(k, {"by", "order"});
                Sort s;
                s.line = k.line;
                s.by = required(k, "by");
                s.descending = choice<bool>(k, "order", {{"ascending", false}, {"descending", true}}, false);
                def.sorts.push_back(s);
            } else {
                fail(k.line, QStringLiteral("<%1> is not known in <data>").arg(k.name));
            }
        }
    }

    void group(const XNode &n, Definition &def)
    {
        allow(n, {"by", "order"});
        Group g;
        g.line = n.line;
        g.by = required(n, "by");
        g.order = choice<GroupOrder>(n, "order",
            {{"ascending", GroupOrder::Ascending}, {"descending", GroupOrder::Descending},
                {"original", GroupOrder::Original}},
            GroupOrder::Ascending);
        const XNode *inner = nullptr;
        for (const XNode &k : n.kids) {
            if (k.name == QLatin1String("header"))
                section(k, def, g.header, true);
            else if (k.name == QLatin1String("footer"))
                section(k, def, g.footer);
            else if (k.name == QLatin1String("group")) {
                if (inner)
                    fail(k.line, QStringLiteral("a group holds at most one inner group"));
                inner = &k;
            } else
                fail(k.line, QStringLiteral("<%1> is not known in <group>").arg(k.name));
        }
        def.groups.push_back(std::move(g));
        if (inner) {
            if (int(def.groups.size()) >= kMaxGroupLevels)
                fail(
                    inner->line, QStringLiteral("groups nest more than %1 levels deep").arg(kMaxGroupLevels));
            group(*inner, def);
        }
    }

    void section(const XNode &n, Definition &def, Section &s, bool groupHeader = false)
    {
        if (s.present)
            fail(n.line, QStringLiteral("<%1> is given twice").arg(n.name));
        if (groupHeader)
            allow(n, {"height", "visible", "newPageBefore", "newPageAfter", "repeat"});
        else
            allow(n, {"height", "visible", "newPageBefore", "newPageAfter"});
        s.present = true;
        s.line = n.line;
        s.visible = n.attrs.value(QStringLiteral("visible")).trimmed();
        s.newPageBefore = flag(n, "newPageBefore");
        s.newPageAfter = flag(n, "newPageAfter");
        s.repeat = flag(n, "repeat");
        double bottom = 0;
        for (const XNode &k : n.kids) {
            Element e = element(k, def);
            s.elements.push_back(e);
            if (e.kind != ElementKind::Subreport)
                bottom = std::max(bottom, std::max(e.rect.top(), e.rect.bottom()));
        }
        s.height = number(n, "height", bottom);
    }

    void styleOf(const XNode &n, const Definition &def, Element &e)
    {
        e.style = def.style;
        if (n.attrs.contains(QStringLiteral("font")))
            e.style.family = n.attrs.value(QStringLiteral("font"));
        e.style.pointSize = number(n, "fontSize", def.style.pointSize);
        if (e.style.pointSize <= 0)
            fail(n.line, QStringLiteral("'fontSize' must be above 0"));
        e.style.bold = flag(n, "bold");
        e.style.italic = flag(n, "italic");
    }

    Element element(const XNode &n, Definition &def)
    {
        Element e;
        e.line = n.line;
        if (n.name != QLatin1String("subreport"))
            leaf(n);
        if (n.name == QLatin1String("text"))
            textElement(n, def, e);
        else if (n.name == QLatin1String("field"))
            fieldElement(n, def, e);
        else if (n.name == QLatin1String("summary"))
            summaryElement(n, def, e);
        else if (n.name == QLatin1String("special"))
            specialElement(n, def, e);
        else if (n.name == QLatin1String("line"))
            lineElement(n, def, e);
        else if (n.name == QLatin1String("box"))
            boxElement(n, def, e);
        else if (n.name == QLatin1String("subreport"))
            subreportElement(n, def, e);
        else
            fail(n.line, QStringLiteral("<%1> is not known in a section").arg(n.name));
        return e;
    }

    static double bodyWidth(const Definition &def)
    {
        return def.pageSize.width() - def.margins.left() - def.margins.right();
    }

    void box(const XNode &n, const Definition &def, Element &e) const
    {
        const double x = number(n, "x", 0), y = number(n, "y", 0);
        const double w = number(n, "width", std::max(0.0, bodyWidth(def) - x));
        const double h = number(n, "height", 5);
        e.rect = QRectF(x, y, w, h);
    }

    // The box, style and text layout of an element that shows a text.
    void textual(const XNode &n, const Definition &def, Element &e)
    {
        box(n, def, e);
        styleOf(n, def, e);
        e.align = choice<int>(n, "align",
            {{"left", int(Qt::AlignLeft | Qt::AlignVCenter)},
                {"right", int(Qt::AlignRight | Qt::AlignVCenter)},
                {"center", int(Qt::AlignHCenter | Qt::AlignVCenter)}},
            -1);
        e.wrap = flag(n, "wrap");
        e.grow = flag(n, "grow");
        e.shrinkToFit = flag(n, "shrinkToFit");
        if (e.grow && e.shrinkToFit)
            fail(n.line, QStringLiteral("'grow' and 'shrinkToFit' exclude each other"));
    }

    void textElement(const XNode &n, const Definition &def, Element &e)
    {
        allow(
            n, {"x", "y", "width", "height", "align", "font", "fontSize", "bold", "italic", "wrap", "grow"});
        e.kind = ElementKind::Text;
        textual(n, def, e);
        e.text = n.text; // exactly as written: spaces count
    }

    void fieldElement(const XNode &n, const Definition &def, Element &e)
    {
        allow(n,
            {"x", "y", "width", "height", "align", "font", "fontSize", "bold", "italic", "wrap", "format",
                "blankWhenZero", "grow", "shrinkToFit"});
        e.kind = ElementKind::Field;
        textual(n, def, e);
        e.text = n.text.trimmed();
        e.format = n.attrs.value(QStringLiteral("format"));
        e.blankWhenZero = flag(n, "blankWhenZero");
        if (e.text.isEmpty())
            fail(n.line, QStringLiteral("<field> needs the value it shows"));
    }

    void summaryElement(const XNode &n, const Definition &def, Element &e)
    {
        allow(n,
            {"x", "y", "width", "height", "align", "font", "fontSize", "bold", "italic", "format",
                "blankWhenZero", "function", "scope", "shrinkToFit"});
        e.kind = ElementKind::Summary;
        textual(n, def, e);
        e.text = n.text.trimmed();
        e.format = n.attrs.value(QStringLiteral("format"));
        e.blankWhenZero = flag(n, "blankWhenZero");
        e.aggregate = aggregate(n);
        e.reportScope = choice<bool>(n, "scope", {{"group", false}, {"report", true}}, false);
        if (e.text.isEmpty() && e.aggregate != Aggregate::Count)
            fail(n.line, QStringLiteral("<summary> needs the value it adds up"));
    }

    void specialElement(const XNode &n, const Definition &def, Element &e)
    {
        allow(n,
            {"x", "y", "width", "height", "align", "font", "fontSize", "bold", "italic", "kind", "format"});
        e.kind = ElementKind::Special;
        textual(n, def, e);
        e.format = n.attrs.value(QStringLiteral("format"));
        e.special = choice<Special>(n, "kind",
            {{"pageNumber", Special::PageNumber}, {"totalPages", Special::TotalPages},
                {"pageNofM", Special::PageNofM}, {"printDate", Special::PrintDate}},
            Special::PageNumber);
        if (!n.attrs.contains(QStringLiteral("kind")))
            fail(n.line, QStringLiteral("<special> needs 'kind'"));
    }

    void lineElement(const XNode &n, const Definition &def, Element &e) const
    {
        allow(n, {"x1", "y1", "x2", "y2", "lineWidth"});
        e.kind = ElementKind::Line;
        e.rect = QRectF(QPointF(number(n, "x1", 0), number(n, "y1", 0)),
            QPointF(number(n, "x2", bodyWidth(def)), number(n, "y2", number(n, "y1", 0))));
        e.lineWidth = number(n, "lineWidth", 0.2);
    }

    void boxElement(const XNode &n, const Definition &def, Element &e) const
    {
        allow(n, {"x", "y", "width", "height", "lineWidth"});
        e.kind = ElementKind::Box;
        box(n, def, e);
        e.lineWidth = number(n, "lineWidth", 0.2);
    }

    void subreportElement(const XNode &n, Definition &def, Element &e)
    {
        allow(n, {"name", "x"});
        e.kind = ElementKind::Subreport;
        e.rect = QRectF(number(n, "x", 0), 0, 0, 0);
        auto sub = std::make_shared<Definition>();
        sub->source = m_source;
        sub->line = n.line;
        sub->name = required(n, "name");
        for (const auto &other : def.subreports)
            if (other->name.compare(sub->name, Qt::CaseInsensitive) == 0)
                fail(n.line, QStringLiteral("the subreport '%1' is defined twice").arg(sub->name));
        sub->pageSize = def.pageSize;
        sub->landscape = def.landscape;
        sub->margins = def.margins;
        sub->margins.setLeft(def.margins.left() + e.rect.left());
        sub->style = def.style;
        if (m_subLevels >= kMaxSubreportLevels)
            fail(n.line, QStringLiteral("subreports nest more than %1 levels deep").arg(kMaxSubreportLevels));
        ++m_subLevels;
        body(n, *sub, true);
        --m_subLevels;
        e.subreport = int(def.subreports.size());
        def.subreports.push_back(sub);
    }

    QString m_source;
    int m_subLevels = 0; // subreports open around the one being read
};

} // namespace

QString formulaFieldPlace(const Definition &def, const FormulaField &f)
{
    return placeText(def.source, f.line, QStringLiteral("formula field '%1'").arg(f.name));
}

std::shared_ptr<Definition> parse(const QString &xml, const QString &source)
{
    return Loader(source).run(xml);
}

std::shared_ptr<Definition> load(const QString &path)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("The report file '%1' was not found.").arg(path));
    return parse(QString::fromUtf8(f.readAll()), path);
}

} // namespace report::def

namespace report {

QString placeText(const QString &source, int line, const QString &what)
{
    QString place = QFileInfo(source).fileName();
    if (place.isEmpty())
        place = source;
    if (line > 0)
        place += QStringLiteral(", line %1").arg(line);
    if (!what.isEmpty())
        place += QStringLiteral(", ") + what;
    return place + QStringLiteral(": ");
}

} // namespace report
