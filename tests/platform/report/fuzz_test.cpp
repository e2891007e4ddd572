// Mutated report files and formulas: whatever the text, the definition reader
// and the formula language answer with a report error, never a crash or
// undefined behaviour (the test build runs under the sanitizers).
#include "platform/report/formula.h"
#include "platform/report/report.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

#include <limits>
#include <random>

using report::Val;

namespace {

struct Corpus {
    QStringList files; // the shipped definitions, as text
    QStringList formulas; // every formula they hold
};

void collectFormulas(const QString &xml, QStringList &out)
{
    static const QStringList holders {"field", "summary", "formula", "selection", "runningTotal", "sort"};
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement)
            continue;
        for (const char *attr : {"by", "visible"})
            if (r.attributes().hasAttribute(QLatin1String(attr)))
                out << r.attributes().value(QLatin1String(attr)).toString();
        if (holders.contains(r.name().toString())) {
            const QString text = r.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
            if (!text.isEmpty())
                out << text;
        }
    }
}

const Corpus &corpus()
{
    static const Corpus c = [] {
        Corpus c;
        for (const QString &folder :
            {QStringLiteral(ORU_REPORTS_DIR), QStringLiteral(ORU_REPORTS_DIR "/Vel_Report")}) {
            const QDir dir(folder);
            for (const QString &name : dir.entryList({QStringLiteral("*.rpt")}, QDir::Files, QDir::Name)) {
                QFile f(dir.filePath(name));
                if (!f.open(QIODevice::ReadOnly))
                    continue;
                c.files << QString::fromUtf8(f.readAll());
                collectFormulas(c.files.last(), c.formulas);
            }
        }
        return c;
    }();
    return c;
}

// Small edits that reach the corners of a reader: cuts, copies, odd
// characters, words of the language, and long runs that nest deeply.
class Mutator {
public:
    explicit Mutator(std::uint32_t seed)
        : m_rng(seed)
    {
    }

    QString mutate(QString s)
    {
        const int edits = 1 + pick(4);
        for (int i = 0; i < edits; ++i)
            edit(s);
        return s;
    }

    int pick(int n) { return int(m_rng() % std::uint32_t(n)); }

private:
    void edit(QString &s)
    {
        static const char *const pieces[] = {"(", ")", "{", "}", "'", "\"", "#", "<", ">", "&amp;", "&", "-",
            "+", "*", "/", "=", ",", ".", "0", "9", " not ", " and ", " or ", " if ", " then ", " else ",
            " in ", " to ", " like ", "{T.A}", "{?P}", "{@F}", "{#R}", "ToText(", "IsNull(",
            "9223372036854775807", "-9223372036854775808", "99999999999999999", "0.01", "#2009-01-01#",
            "</field>", "<field>", "<group by=\"", "\"", "=\"", "/>", "\xe2\x82\xac", "\n"};
        const qsizetype at = s.isEmpty() ? 0 : pick(int(s.size()) + 1);
        switch (pick(6)) {
        case 0: // cut a run
            s.remove(at, 1 + pick(40));
            break;
        case 1: { // copy a run elsewhere
            const QString run = s.mid(at, 1 + pick(60));
            s.insert(s.isEmpty() ? 0 : pick(int(s.size()) + 1), run);
            break;
        }
        case 2: // a piece of the language
            s.insert(at, QString::fromUtf8(pieces[pick(int(std::size(pieces)))]));
            break;
        case 3: // one character changed
            if (at < s.size())
                s[at] = QChar(char16_t(1 + pick(0x7f)));
            break;
        case 4: { // deep nesting (of formulas, groups, subreports) or a long chain
            static const char *const runs[] = {"(", "not ", "-", "1+", "ToText(", "if true then ",
                "<group by=\"{T.A}\">", "<details><subreport name=\"s\"><data><query>q</query></data>"};
            const QString unit = QString::fromLatin1(runs[pick(int(std::size(runs)))]);
            s.insert(at, unit.repeated(pick(8) ? 50 + pick(500) : 3000 + pick(3000)));
            break;
        }
        default: // a number at the edge of 64 bits
            s.insert(
                at, pick(2) ? QStringLiteral("9223372036854775807") : QStringLiteral("4611686018427387904"));
            break;
        }
    }

    std::mt19937 m_rng;
};

// Knows every name; gives values of every kind, the extremes of 64 bits among them.
class AnyRow : public report::Scope, public report::Context {
public:
    int findField(const QString &table, const QString &field) const override
    {
        return int(qHash(table + field) % values().size());
    }
    int findParameter(const QString &name) const override { return int(qHash(name) % values().size()); }
    int findFormula(const QString &name) const override { return int(qHash(name) % values().size()); }
    int findRunningTotal(const QString &name) const override { return int(qHash(name) % values().size()); }
    Val field(int index) const override { return values()[size_t(index)]; }
    Val parameter(int index) const override { return values()[size_t(index)]; }
    Val formula(int index) const override { return values()[size_t(index)]; }
    Val runningTotal(int index) const override { return values()[size_t(index)]; }

private:
    static const std::vector<Val> &values()
    {
        static const std::vector<Val> v {Val(), Val(std::numeric_limits<std::int64_t>::max()),
            Val(std::numeric_limits<std::int64_t>::min()),
            Val(db::Money::fromCents(std::numeric_limits<std::int64_t>::min())),
            Val(db::Money::fromCents(125050)), Val(0), Val(-1), Val(1e308), Val("12"), Val("CP"),
            Val(QDate(2009, 6, 15)), Val(true)};
        return v;
    }
};

} // namespace

TEST(Fuzz, MutatedReportFilesAreReadOrRefusedWithAReportError)
{
    const Corpus &c = corpus();
    ASSERT_GE(c.files.size(), 20);
    Mutator m(20091213);
    int refused = 0;
    const int rounds = 2000;
    for (int i = 0; i < rounds; ++i) {
        const QString text = m.mutate(c.files[m.pick(int(c.files.size()))]);
        try {
            report::Report::fromText(text, QStringLiteral("fuzz.rpt"));
        } catch (const report::Error &e) {
            ++refused;
            // Every refusal says where in the file it stands.
            EXPECT_TRUE(e.text().startsWith(QLatin1String("fuzz.rpt, line "))) << e.text().toStdString();
        }
    }
    // The edits hit the definitions, not only their comments.
    EXPECT_GT(refused, rounds / 4);
}

TEST(Fuzz, MutatedFormulasParseBindAndEvaluateOrFailWithAFormulaError)
{
    const Corpus &c = corpus();
    ASSERT_GE(c.formulas.size(), 50);
    Mutator m(615);
    const AnyRow row;
    int evaluated = 0;
    for (int i = 0; i < 3000; ++i) {
        const QString text = m.mutate(c.formulas[m.pick(int(c.formulas.size()))]);
        const QString origin = QStringLiteral("fuzz.rpt, line 1, field: ");
        try {
            report::Formula f = report::Formula::parse(text, origin);
            f.bind(row);
            report::formatVal(f.eval(row), {});
            ++evaluated;
        } catch (const report::Error &e) {
            // Read, bound or evaluated, an error tells where the formula stands, once.
            EXPECT_TRUE(e.text().startsWith(origin)) << e.text().toStdString();
            EXPECT_EQ(e.text().count(origin), 1) << e.text().toStdString();
        }
    }
    EXPECT_GT(evaluated, 100);
}

namespace {

// One row with one whole number, for reports that must get as far as a render.
class OneRow : public report::DataSource {
public:
    std::unique_ptr<report::RowSet> fetch(const QString &, const db::Params &) override
    {
        auto rows = std::make_unique<report::MemoryRowSet>(std::vector<report::ColumnName> {{"T", "A"}});
        rows->addRow({db::Value(1LL)});
        return rows;
    }
};

QString nested(const QString &open, const QString &inner, const QString &close, int depth)
{
    return open.repeated(depth) + inner + close.repeated(depth);
}

// A chain of formula fields, each using the next: F0 uses F1 ... the last is 1.
QString chainOfFormulas(int length)
{
    QString xml = QStringLiteral("<report><data><query>q</query></data>");
    for (int i = 0; i < length; ++i)
        xml += i + 1 < length ? QStringLiteral("<formula name=\"F%1\">{@F%2}</formula>\n").arg(i).arg(i + 1)
                              : QStringLiteral("<formula name=\"F%1\">1</formula>\n").arg(i);
    return xml + QStringLiteral("<details><field>{@F0}</field></details></report>");
}

} // namespace

// Files nested far deeper than any report needs are refused with the file
// and line, not read until the stack runs out.
TEST(Fuzz, DeepNestingIsRefusedWithAReportErrorNamingTheFileAndLine)
{
    const QString head = QStringLiteral("<report><data><query>q</query></data>");
    const auto subreports = [&](int depth) {
        return head
            + nested("<details><subreport name=\"s\"><data><query>q</query></data>", "",
                "</subreport></details>", depth)
            + "</report>";
    };
    const auto groups = [&](int depth) {
        return head + nested("<group by=\"{T.A}\">", "", "</group>", depth) + "</report>";
    };
    const struct {
        const char *what;
        QString xml;
        const char *says;
    } cases[] = {
        {"50,000 nested elements", head + nested("<details>", "", "</details>", 50000) + "</report>",
            "elements nest more than 200 levels deep"},
        {"20,000 nested groups", groups(20000), "elements nest more than 200 levels deep"},
        {"10,000 nested subreports", subreports(10000), "elements nest more than 200 levels deep"},
        {"51 nested groups", groups(51), "groups nest more than 50 levels deep"},
        {"11 nested subreports", subreports(11), "subreports nest more than 10 levels deep"},
    };
    for (const auto &c : cases) {
        try {
            report::Report::fromText(c.xml, QStringLiteral("deep.rpt"));
            ADD_FAILURE() << c.what << " were read";
        } catch (const report::Error &e) {
            const QString text = QString::fromUtf8(e.what());
            EXPECT_TRUE(text.startsWith("deep.rpt, line 1: ")) << text.toStdString();
            EXPECT_TRUE(text.contains(QLatin1String(c.says))) << c.what << ": " << text.toStdString();
        }
    }
    // Within the limits the same shapes are read.
    EXPECT_NO_THROW(report::Report::fromText(groups(50), QStringLiteral("ok.rpt")));
    EXPECT_NO_THROW(report::Report::fromText(subreports(10), QStringLiteral("ok.rpt")));
}

TEST(Fuzz, LongChainsOfFormulaFieldsAreRefusedAtTheFieldThatGoesTooFar)
{
    auto ok = report::Report::fromText(chainOfFormulas(100), QStringLiteral("chain.rpt"));
    ok->setDataSource(std::make_shared<OneRow>());
    EXPECT_EQ(ok->render().allLines(), QStringList({"1"}));

    auto deep = report::Report::fromText(chainOfFormulas(50000), QStringLiteral("chain.rpt"));
    deep->setDataSource(std::make_shared<OneRow>());
    try {
        deep->render();
        ADD_FAILURE() << "a chain of 50,000 formula fields was rendered";
    } catch (const report::Error &e) {
        // F49899 is the first whose chain (to F49999) is longer than 100;
        // its formula stands on line 49900 of the file.
        EXPECT_EQ(QString::fromUtf8(e.what()),
            "chain.rpt, line 49900, formula field 'F49899': it starts a chain of more than 100 formula "
            "fields, each using the next.");
    }
    // A cycle through the whole chain is still a cycle.
    QString cycle = chainOfFormulas(2000);
    cycle.replace(QStringLiteral("<formula name=\"F1999\">1</formula>"),
        QStringLiteral("<formula name=\"F1999\">{@F0}</formula>"));
    auto looped = report::Report::fromText(cycle, QStringLiteral("chain.rpt"));
    looped->setDataSource(std::make_shared<OneRow>());
    EXPECT_THROW(looped->render(), report::Error);
}
