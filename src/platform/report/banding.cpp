#include "platform/report/engine_p.h"

#include <algorithm>
#include <cmath>

namespace report {

void Body::selectFrom(int from)
{
    const int n = m_st.rows->rowCount();
    m_order.reserve(size_t(n));
    RowCtx ctx(m_st, -1, nullptr);
    const Formula &selection = m_st.expr(m_c.selection);
    const bool all = selection.isEmpty();
    for (int r = from; r < n; ++r) {
        if (!all) {
            ctx.setRow(r);
            if (!selection.eval(ctx).isTrue())
                continue;
        }
        m_order.push_back(r);
    }
    m_fetched = n;
}

bool Body::has(int pos)
{
    // Rows come in parts only for a report without groups or sorts.
    while (pos >= count()) {
        if (!m_st.rows->fetchMore())
            return false;
        selectFrom(m_fetched);
        m_breakLevel.resize(m_order.size(), int(m_c.groups.size()));
    }
    return true;
}

void Body::select()
{
    m_order.clear();
    selectFrom(0);
    sortSelected();
    markGroupBreaks();
}

// Sort keys: groups first (unless they keep the fetched order), then the
// record sorts. Stable, so the query's own order breaks ties.
void Body::sortSelected()
{
    RowCtx ctx(m_st, -1, nullptr);
    struct Key {
        const Formula *f;
        bool descending;
    };
    std::vector<Key> keys;
    for (const BGroup &g : m_c.groups)
        if (g.g->order != GroupOrder::Original)
            keys.push_back({&m_st.expr(g.by), g.g->order == GroupOrder::Descending});
    for (const auto &[slot, descending] : m_c.sorts)
        keys.push_back({&m_st.expr(slot), descending});
    const size_t K = keys.size();
    const size_t N = m_order.size();
    if (K == 0)
        return;
    // Texts are folded once, so that sorting compares them as plain strings
    // yet still without regard to case.
    std::vector<Val> keyVals(N * K);
    for (size_t p = 0; p < N; ++p) {
        ctx.setRow(m_order[p]);
        for (size_t k = 0; k < K; ++k) {
            Val v = keys[k].f->eval(ctx);
            if (v.kind() == Val::Text)
                v = Val(v.text().toCaseFolded());
            keyVals[p * K + k] = std::move(v);
        }
    }
    auto compareKeys = [](const Val &a, const Val &b) {
        if (a.kind() == Val::Text && b.kind() == Val::Text) {
            const int c = a.text().compare(b.text(), Qt::CaseSensitive);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        return orderVals(a, b);
    };
    auto before = [&](int a, int b) {
        for (size_t k = 0; k < K; ++k) {
            const int c = compareKeys(keyVals[size_t(a) * K + k], keyVals[size_t(b) * K + k]);
            if (c != 0)
                return keys[k].descending ? c > 0 : c < 0;
        }
        return false;
    };
    bool sortedAlready = true;
    for (size_t p = 1; p < N && sortedAlready; ++p)
        sortedAlready = !before(int(p), int(p - 1));
    if (sortedAlready)
        return;
    std::vector<int> perm(N);
    for (size_t p = 0; p < N; ++p)
        perm[p] = int(p);
    std::stable_sort(perm.begin(), perm.end(), before);
    std::vector<int> sorted(N);
    for (size_t p = 0; p < N; ++p)
        sorted[p] = m_order[size_t(perm[p])];
    m_order.swap(sorted);
}

// Per selected row, the outermost group level whose value changes there.
void Body::markGroupBreaks()
{
    const size_t G = m_c.groups.size();
    const size_t N = m_order.size();
    m_breakLevel.assign(N, int(G));
    if (G == 0 || N == 0)
        return;
    RowCtx ctx(m_st, -1, nullptr);
    std::vector<Val> prev(G), cur(G);
    for (size_t p = 0; p < N; ++p) {
        ctx.setRow(m_order[p]);
        for (size_t l = 0; l < G; ++l)
            cur[l] = m_st.expr(m_c.groups[l].by).eval(ctx);
        if (p == 0) {
            m_breakLevel[p] = 0;
        } else {
            for (size_t l = 0; l < G; ++l) {
                if (orderVals(cur[l], prev[l]) != 0) {
                    m_breakLevel[p] = int(l);
                    break;
                }
            }
        }
        prev.swap(cur);
    }
}

void Body::startFooterSums()
{
    m_footerSums.clear();
    m_streaming = !m_c.isSub && laysOutInOrder(m_c);
    if (!m_streaming || !m_c.reportFooter.present())
        return;
    for (const BElement &be : m_c.reportFooter.elements) {
        if (be.e->kind != ElementKind::Summary)
            continue;
        if (be.expr >= 0) {
            try {
                // Bound to fields and parameters only, it adds up the same whether
                // the rows are added as they go by or all at the end.
                (void)m_c.exprs[size_t(be.expr)].bound(NarrowScope(m_st, NarrowScope::FieldsOnly));
            } catch (const FormulaError &) {
                // It reads formula fields or running totals: from every row at the end.
                m_streaming = false;
                m_footerSums.clear();
                return;
            }
        }
        m_footerSums.push_back({&be, Accum(be.e->aggregate),
            lineContext(*m_c.def, be.e->line) + QStringLiteral("the summary ")});
    }
}

void Body::addToFooterSums(const RowCtx &ctx)
{
    for (FooterSum &f : m_footerSums) {
        const Formula &expr = m_st.expr(f.element->expr);
        f.sum.add(expr.isEmpty() ? Val(true) : expr.eval(ctx), f.what);
    }
}

Val Body::summary(const BElement &be, int from, int to)
{
    for (const FooterSum &f : m_footerSums)
        if (f.element == &be)
            return f.sum.value();
    const Element &e = *be.e;
    Accum acc(e.aggregate);
    const Formula &expr = m_st.expr(be.expr);
    RowCtx ctx(m_st, -1, &m_running);
    const QString what = lineContext(*m_c.def, e.line) + QStringLiteral("the summary ");
    for (int p = from; p < to; ++p) {
        ctx.setRow(m_order[size_t(p)]);
        acc.add(expr.isEmpty() ? Val(true) : expr.eval(ctx), what);
    }
    return acc.value();
}

bool Body::makeBand(const BSection &s, int row, int from, int to, Band &b)
{
    if (!s.present())
        return false;
    RowCtx ctx(m_st, row, &m_running);
    const Formula &visible = m_st.expr(s.visible);
    if (!visible.isEmpty() && !visible.eval(ctx).isTrue())
        return false;
    b.height = s.s->height;
    b.row = row;
    b.newPageBefore = s.s->newPageBefore;
    b.texts.reserve(s.elements.size());
    // Where each element's items start, and how many lines a growing text took.
    std::vector<std::pair<size_t, size_t>> firstItem;
    std::vector<int> grownLines;
    bool grew = false;
    if (s.grows) {
        firstItem.reserve(s.elements.size());
        grownLines.assign(s.elements.size(), 1);
    }
    for (size_t ei = 0; ei < s.elements.size(); ++ei) {
        if (s.grows)
            firstItem.emplace_back(b.texts.size(), b.lines.size());
        const int lines = placeElement(s.elements[ei], ctx, from, to, b);
        if (lines > 1) {
            grownLines[ei] = lines;
            grew = true;
        }
    }
    if (grew)
        growBand(s, b, firstItem, grownLines);
    return true;
}

int Body::placeElement(const BElement &be, const RowCtx &ctx, int from, int to, Band &b)
{
    const Element &e = *be.e;
    const int leftAlign = int(Qt::AlignLeft | Qt::AlignVCenter);
    const int rightAlign = int(Qt::AlignRight | Qt::AlignVCenter);
    switch (e.kind) {
    case ElementKind::Text:
        if (e.grow)
            return placeLines(b, be, e.text, std::uint16_t(e.align >= 0 ? e.align : leftAlign));
        b.texts.push_back(
            {e.rect, e.text, be.style, std::uint16_t(e.align >= 0 ? e.align : leftAlign), e.wrap});
        return 1;
    case ElementKind::Field:
    case ElementKind::Summary: {
        const Val v = e.kind == ElementKind::Field
            ? m_st.expr(be.expr).eval(ctx)
            : summary(be, e.reportScope ? 0 : from, e.reportScope ? count() : to);
        QString text = e.blankWhenZero && isZero(v) ? QString() : be.format.apply(v);
        const int align = e.align >= 0 ? e.align : (v.isNumber() ? rightAlign : leftAlign);
        if (e.grow)
            return placeLines(b, be, text, std::uint16_t(align));
        if (e.shrinkToFit && !text.isEmpty()) {
            // Tenths of a point, so the sizes a document needs stay few.
            const double size = std::floor(shrunkPointSize(e.style, text, e.rect.width()) * 10) / 10;
            if (size < e.style.pointSize) {
                TextStyle smaller = e.style;
                smaller.pointSize = std::max(0.5, size);
                b.restyled.emplace_back(int(b.texts.size()), smaller);
            }
        }
        b.texts.push_back({e.rect, std::move(text), be.style, std::uint16_t(align), e.wrap});
        return 1;
    }
    case ElementKind::Special: {
        QString text;
        if (e.special == Special::PrintDate)
            text = be.format.apply(Val(QDate::currentDate()));
        else
            b.specials.emplace_back(int(b.texts.size()), e.special);
        b.texts.push_back(
            {e.rect, text, be.style, std::uint16_t(e.align >= 0 ? e.align : leftAlign), e.wrap});
        return 1;
    }
    case ElementKind::Line:
        b.lines.push_back({QLineF(e.rect.topLeft(), e.rect.bottomRight()), e.lineWidth});
        return 1;
    case ElementKind::Box: {
        const QRectF &r = e.rect;
        b.lines.push_back({QLineF(r.topLeft(), r.topRight()), e.lineWidth});
        b.lines.push_back({QLineF(r.topRight(), r.bottomRight()), e.lineWidth});
        b.lines.push_back({QLineF(r.bottomRight(), r.bottomLeft()), e.lineWidth});
        b.lines.push_back({QLineF(r.bottomLeft(), r.topLeft()), e.lineWidth});
        return 1;
    }
    case ElementKind::Subreport:
        break;
    }
    return 1;
}

int Body::placeLines(Band &b, const BElement &be, const QString &text, std::uint16_t align)
{
    const Element &e = *be.e;
    const QStringList lines
        = text.isEmpty() ? QStringList {QString()} : wrapText(e.style, text, e.rect.width());
    for (qsizetype i = 0; i < lines.size(); ++i)
        b.texts.push_back(
            {e.rect.translated(0, double(i) * e.rect.height()), lines[i], be.style, align, false});
    return int(lines.size());
}

// Moves what stands below a text that took more lines than one down by
// the room it took, and the section with it; one growing text below
// another moves by both.
void Body::growBand(const BSection &s, Band &b, const std::vector<std::pair<size_t, size_t>> &firstItem,
    const std::vector<int> &grownLines)
{
    const size_t n = s.elements.size();
    auto top = [&](size_t i) {
        const QRectF &r = s.elements[i].e->rect;
        return std::min(r.top(), r.bottom());
    };
    auto bottom = [&](size_t i) {
        const QRectF &r = s.elements[i].e->rect;
        return std::max(r.top(), r.bottom());
    };
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t c) { return top(a) < top(c); });
    std::vector<double> shift(n, 0), growth(n, 0);
    double extra = 0;
    for (size_t k = 0; k < n; ++k) {
        const size_t i = order[k];
        growth[i] = (grownLines[i] - 1) * s.elements[i].e->rect.height();
        for (size_t m = 0; m < k; ++m) {
            const size_t j = order[m];
            if (growth[j] > 0 && bottom(j) <= top(i) + 1e-6)
                shift[i] = std::max(shift[i], shift[j] + growth[j]);
        }
        extra = std::max(extra, shift[i] + growth[i]);
    }
    for (size_t i = 0; i < n; ++i) {
        if (shift[i] <= 0)
            continue;
        const size_t textsEnd = i + 1 < n ? firstItem[i + 1].first : b.texts.size();
        const size_t linesEnd = i + 1 < n ? firstItem[i + 1].second : b.lines.size();
        for (size_t t = firstItem[i].first; t < textsEnd; ++t)
            b.texts[t].rect.translate(0, shift[i]);
        for (size_t l = firstItem[i].second; l < linesEnd; ++l)
            b.lines[l].line.translate(0, shift[i]);
    }
    b.height += extra;
}

// Places a section's band, then the bands of the subreports it holds.
void Body::emitSection(const BSection &s, int pos, int from, int to, Band &&proto)
{
    const int row = pos >= 0 && pos < count() ? m_order[size_t(pos)] : -1;
    Band b = std::move(proto);
    if (!makeBand(s, row, from, to, b))
        return;
    std::vector<Band> bands;
    bands.push_back(std::move(b));
    for (const BElement &be : s.elements) {
        if (be.e->kind != ElementKind::Subreport)
            continue;
        const RenderState &sub = *m_st.subs[size_t(be.e->subreport)];
        const double dx = be.e->rect.left();
        for (const Band &sb : sub.bands) {
            Band copy = sb;
            for (TextItem &t : copy.texts)
                t.rect.translate(dx, 0);
            for (LineItem &l : copy.lines)
                l.line.translate(dx, 0);
            copy.row = row;
            copy.headerLevel = -1;
            copy.reportHeader = bands.front().reportHeader;
            copy.keepWithNext = copy.keepWithNext || bands.front().keepWithNext;
            copy.newPageBefore = false;
            copy.newPageAfter = false;
            bands.push_back(std::move(copy));
        }
    }
    // A page break after the section comes after its subreports.
    if (bands.size() > 1) {
        bands.back().newPageAfter = bands.front().newPageAfter;
        bands.front().newPageAfter = false;
    }
    for (Band &band : bands)
        m_sink->place(std::move(band));
}

void Body::run()
{
    const int G = int(m_c.groups.size());
    const Definition &def = *m_c.def;
    m_running.clear();
    for (const RunningTotal &t : def.runningTotals)
        m_running.emplace_back(t.aggregate);
    m_openStart.assign(size_t(G), -1);
    m_openEnd.assign(size_t(G), -1);
    startFooterSums();

    Band rh;
    rh.reportHeader = true;
    const bool any = has(0);
    rh.newPageAfter = m_c.reportHeader.present() && m_c.reportHeader.s->newPageAfter && any;
    emitSection(m_c.reportHeader, any ? 0 : -1, 0, count(), std::move(rh));

    const int innermost = G - 1;
    RowCtx ctx(m_st, -1, &m_running);
    for (int p = 0; has(p); ++p) {
        const int n = count();
        m_pos = p;
        const int bl = m_breakLevel[size_t(p)];
        if (p > 0) {
            for (int l = G - 1; l >= bl; --l) {
                Band f;
                f.newPageAfter
                    = m_c.groups[size_t(l)].footer.present() && m_c.groups[size_t(l)].footer.s->newPageAfter;
                emitSection(m_c.groups[size_t(l)].footer, p - 1, m_openStart[size_t(l)], m_openEnd[size_t(l)],
                    std::move(f));
                m_openStart[size_t(l)] = -1;
            }
        }
        for (int l = bl; l < G; ++l) {
            int end = p + 1;
            while (end < n && m_breakLevel[size_t(end)] > l)
                ++end;
            m_openStart[size_t(l)] = p;
            m_openEnd[size_t(l)] = end;
        }
        for (int l = bl; l < G; ++l) {
            Band h;
            h.keepWithNext = true;
            h.headerLevel = l;
            h.newPageAfter
                = m_c.groups[size_t(l)].header.present() && m_c.groups[size_t(l)].header.s->newPageAfter;
            emitSection(
                m_c.groups[size_t(l)].header, p, m_openStart[size_t(l)], m_openEnd[size_t(l)], std::move(h));
        }
        ctx.setRow(m_order[size_t(p)]);
        for (size_t t = 0; t < m_running.size(); ++t) {
            const RunningTotal &rt = def.runningTotals[t];
            if (rt.resetGroup >= 0 && bl <= rt.resetGroup)
                m_running[t].reset();
            const Formula &f = m_st.expr(m_c.running[t]);
            m_running[t].add(f.isEmpty() ? Val(true) : f.eval(ctx),
                lineContext(def, rt.line) + QStringLiteral("the running total "));
        }
        const int from = innermost >= 0 ? m_openStart[size_t(innermost)] : 0;
        const int to = innermost >= 0 ? m_openEnd[size_t(innermost)] : n;
        Band d;
        d.newPageAfter = m_c.details.present() && m_c.details.s->newPageAfter && has(p + 1);
        emitSection(m_c.details, p, from, to, std::move(d));
        if (m_streaming) {
            addToFooterSums(ctx);
            m_st.rows->release(m_order[size_t(p)]);
        }
    }
    const int n = count();
    if (n > 0) {
        for (int l = G - 1; l >= 0; --l) {
            emitSection(
                m_c.groups[size_t(l)].footer, n - 1, m_openStart[size_t(l)], m_openEnd[size_t(l)], Band());
            m_openStart[size_t(l)] = -1;
        }
    }
    m_pos = n;
    emitSection(m_c.reportFooter, n > 0 ? n - 1 : -1, 0, n, Band());
}

} // namespace report
