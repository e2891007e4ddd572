#include "platform/report/engine_p.h"

#include <QDate>

#include <algorithm>

namespace report {

namespace {

// Puts bands on pages: page header and footer on each page, page breaks
// where a band does not fit, group headers kept with what follows them.
// Thrown out of the layout when the page callback asks to stop.
struct LayoutStopped { };

class Paginator : public Sink {
public:
    Paginator(std::shared_ptr<Document> doc, const Compiled &c, Body &body, const Report::PageDone &pageDone)
        : m_shared(std::move(doc))
        , m_doc(*m_shared)
        , m_c(c)
        , m_body(body)
        , m_pageDone(pageDone)
    {
        const Definition &def = *c.def;
        m_left = def.margins.left();
        m_bottom = def.pageSize.height() - def.margins.bottom()
            - (c.pageFooter.present() ? c.pageFooter.s->height : 0);
    }

    void place(Band &&band) override
    {
        if (band.newPageAfter && band.keepWithNext)
            band.keepWithNext = false;
        m_chain.push_back(std::move(band));
        if (m_chain.back().keepWithNext)
            return;
        flushChain();
    }

    void finish()
    {
        flushChain();
        if (!m_open)
            startPage(-1, true);
        putPendingPageHeader();
        finishPage();
    }

private:
    static constexpr double eps = 1e-6;

    void flushChain()
    {
        if (m_chain.empty())
            return;
        std::vector<Band> chain;
        chain.swap(m_chain);
        if (!m_open) {
            // The report header (with its subreports) comes first on page 1,
            // the page header under it.
            m_pageHeaderPending = chain.front().reportHeader;
            startPage(chain.front().row, !m_pageHeaderPending);
        }
        if (m_pageHeaderPending) {
            auto it = chain.begin();
            for (; it != chain.end() && it->reportHeader; ++it)
                put(*it);
            chain.erase(chain.begin(), it);
            if (chain.empty())
                return;
            putPendingPageHeader();
        }
        double total = 0;
        for (const Band &b : chain)
            total += b.height;
        if (m_hasBody && ((m_pendingBreak || chain.front().newPageBefore) || m_y + total > m_bottom + eps))
            newPage(chain.front());
        m_pendingBreak = false;
        for (Band &b : chain)
            put(b);
    }

    void put(Band &b)
    {
        if (m_hasBody && (m_pendingBreak || b.newPageBefore || m_y + b.height > m_bottom + eps))
            newPage(b);
        m_pendingBreak = false;
        putHere(b);
        m_hasBody = true;
        if (b.newPageAfter)
            m_pendingBreak = true;
    }

    void putHere(Band &b)
    {
        Page &page = m_page;
        const int pageIndex = m_doc.pageCount();
        const size_t base = page.texts.size();
        for (TextItem &t : b.texts) {
            t.rect.translate(m_left, m_y);
            page.texts.push_back(std::move(t));
        }
        for (LineItem &l : b.lines) {
            l.line.translate(m_left, m_y);
            page.lines.push_back(l);
        }
        for (const auto &[index, style] : b.restyled)
            page.texts[base + size_t(index)].style = styleIndex(style);
        for (const auto &[index, kind] : b.specials) {
            const int at = int(base) + index;
            if (kind == Special::PageNumber) {
                page.texts[size_t(at)].text = QString::number(pageIndex + 1);
            } else {
                // Until the last page is known (or for good, when the layout is stopped).
                if (kind == Special::PageNofM)
                    page.texts[size_t(at)].text = QStringLiteral("Page %1").arg(pageIndex + 1);
                m_totals.push_back({at, kind == Special::PageNofM});
            }
        }
        m_y += b.height;
        if (b.row >= 0)
            m_lastRow = b.row;
    }

    std::uint16_t styleIndex(const TextStyle &style)
    {
        auto &styles = m_doc.styles;
        for (size_t i = 0; i < styles.size(); ++i)
            if (styles[i] == style)
                return std::uint16_t(i);
        styles.push_back(style);
        return std::uint16_t(styles.size() - 1);
    }

    void newPage(const Band &next)
    {
        m_pageHeaderPending = false;
        finishPage();
        if (m_pageDone && !m_pageDone(m_shared, m_body.done()))
            throw LayoutStopped();
        startPage(next.row >= 0 ? next.row : m_lastRow, true);
        const int below = next.headerLevel >= 0 ? next.headerLevel : m_body.groupCount();
        for (Band &h : m_body.repeatedHeaders(below))
            putHere(h);
        m_hasBody = false;
    }

    void startPage(int row, bool withHeader)
    {
        m_page = Page();
        m_totals.clear();
        m_open = true;
        m_y = m_c.def->margins.top();
        m_hasBody = false;
        if (withHeader)
            putPageHeader(row);
    }

    void putPendingPageHeader()
    {
        if (!m_pageHeaderPending)
            return;
        m_pageHeaderPending = false;
        // A report header with a page of its own is a title page.
        if (m_pendingBreak)
            return;
        putPageHeader(m_lastRow);
        m_hasBody = false;
    }

    void putPageHeader(int row)
    {
        if (!m_c.pageHeader.present())
            return;
        Band h = m_body.pageBand(m_c.pageHeader, row);
        putHere(h);
    }

    // Puts the page footer on the open page and hands the page to the document.
    void finishPage()
    {
        if (!m_open)
            return;
        if (m_c.pageFooter.present()) {
            Band f = m_body.pageBand(m_c.pageFooter, m_lastRow);
            m_y = m_bottom;
            putHere(f);
        }
        m_doc.addPage(m_page, m_totals);
        m_page = Page();
        m_totals.clear();
        m_open = false;
    }

    std::shared_ptr<Document> m_shared;
    Document &m_doc;
    const Compiled &m_c;
    Body &m_body;
    const Report::PageDone &m_pageDone;
    double m_left = 0, m_bottom = 0, m_y = 0;
    bool m_hasBody = false;
    bool m_pendingBreak = false;
    bool m_pageHeaderPending = false;
    int m_lastRow = -1;
    std::vector<Band> m_chain;
    Page m_page; // the page being laid out
    std::vector<PageTotal> m_totals; // its texts that take the page count
    bool m_open = false;
};

} // namespace

void renderSubreports(RenderState &st)
{
    st.subValues.clear();
    for (auto &sub : st.subs) {
        renderSubreports(*sub);
        sub->bands.clear();
        Collect sink(sub->bands);
        Body body(*sub, &sink);
        body.select();
        body.run();
        const Compiled &c = sub->c;
        for (size_t i = 0; i < c.shared.size(); ++i) {
            const RunningTotal &t = c.def->shared[i];
            st.subValues.push_back(body.aggregate(sub->expr(c.shared[i]), t.aggregate,
                lineContext(*c.def, t.line) + QStringLiteral("the shared value ")));
        }
    }
}

void layOut(RenderState &st, const std::shared_ptr<Document> &doc, const Report::PageDone &pageDone)
{
    renderSubreports(st);
    Body body(st);
    Paginator pages(doc, st.c, body, pageDone);
    body.setSink(&pages);
    body.select();
    try {
        body.run();
        pages.finish();
        doc->finishLayout(true);
    } catch (const LayoutStopped &) {
        doc->finishLayout(false);
    }
}

} // namespace report
