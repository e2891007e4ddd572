#include "platform/report/engine_p.h"

#include <climits>
#include <optional>

namespace report {

using namespace def;

namespace {

// A parameter value in the field's type.
Val convertParameter(const Parameter &p, int index, const db::Value &v)
{
    if (v.isNull())
        return {};
    const QString shown = v.toString();
    auto refuse = [&](const char *what) -> Val {
        throw Error(QStringLiteral("The parameter field %1 ('%2') takes %3, not '%4'.")
                        .arg(index)
                        .arg(p.name, QLatin1String(what), shown));
    };
    switch (p.type) {
    case ParamType::Integer: {
        std::int64_t i = 0;
        if (v.type() == db::Type::Int) {
            i = v.toInt();
        } else if (v.type() == db::Type::Text) {
            bool ok = false;
            i = v.toString().trimmed().toLongLong(&ok);
            if (!ok)
                return refuse("a whole number");
        } else if (v.type() == db::Type::Money && v.toMoney().cents() % 100 == 0) {
            i = v.toMoney().cents() / 100;
        } else {
            return refuse("a whole number");
        }
        if (i < INT_MIN || i > INT_MAX)
            return refuse("a whole number of 32 bits");
        return Val(i);
    }
    case ParamType::Number: {
        if (v.type() == db::Type::Int)
            return Val(v.toInt());
        if (v.type() == db::Type::Money)
            return Val(v.toMoney());
        if (v.type() == db::Type::Real)
            return Val(v.toDouble());
        db::Money m;
        if (v.type() == db::Type::Text && db::Money::tryParse(v.toString(), &m))
            return Val(m);
        return refuse("a number");
    }
    case ParamType::Text:
        return Val(v.toString());
    case ParamType::Date: {
        const QDate d = v.type() == db::Type::Date ? v.toDate() : db::parseDate(v.toString().trimmed());
        if (!d.isValid())
            return refuse("a date");
        return Val(d);
    }
    }
    return {};
}

} // namespace

// ------------------------------------------------------------ Report

struct Report::Impl {
    QString fileName;
    std::shared_ptr<const Definition> def;
    Compiled main; // changed only by the setters, never by a render
    std::shared_ptr<DataSource> source;
    std::vector<std::optional<Val>> params;
    std::shared_ptr<const Document> doc;
};

Report::Report()
    : d(std::make_unique<Impl>())
{
}
Report::~Report() = default;

std::shared_ptr<Report> Report::create(std::shared_ptr<def::Definition> def, const QString &fileName)
{
    std::shared_ptr<Report> r(new Report);
    r->d->fileName = fileName;
    r->d->def = def;
    r->d->main = compile(def, false);
    r->d->params.resize(def->parameters.size());
    return r;
}

std::shared_ptr<Report> Report::open(const QString &path)
{
    return create(def::load(path), path);
}

std::shared_ptr<Report> Report::fromText(const QString &xml, const QString &source)
{
    return create(def::parse(xml, source), source);
}

QString Report::name() const
{
    return d->def->name;
}

const QString &Report::fileName() const
{
    return d->fileName;
}

void Report::logOn(const LogOnInfo &info)
{
    auto conn = std::make_shared<db::Connection>();
    conn->setProperty(QStringLiteral("Data Source"), info.server);
    conn->setProperty(QStringLiteral("Initial Catalog"), info.database);
    conn->setProperty(QStringLiteral("User ID"), info.user);
    conn->setProperty(QStringLiteral("Password"), info.password);
    conn->open();
    d->source = std::make_shared<ConnectionSource>(std::move(conn));
}

void Report::setDataSource(std::shared_ptr<DataSource> source)
{
    d->source = std::move(source);
}

bool Report::isLoggedOn() const
{
    return bool(d->source);
}

QString Report::recordSelectionFormula() const
{
    return d->main.exprs[size_t(d->main.selection)].text();
}

namespace {
void setSelection(Compiled &c, const QString &formula)
{
    Formula f = parseIn(c.selectionContext, formula);
    if (!f.canBeCondition())
        throw Error(c.selectionContext + QStringLiteral("it must give true or false."));
    c.exprs[size_t(c.selection)] = std::move(f);
}
} // namespace

void Report::setRecordSelectionFormula(const QString &formula)
{
    setSelection(d->main, formula);
}

int Report::parameterCount() const
{
    return int(d->def->parameters.size());
}

QString Report::parameterName(int index) const
{
    if (index < 1 || index > parameterCount())
        return {};
    return d->def->parameters[size_t(index - 1)].name;
}

void Report::setParameterValue(int index, const db::Value &value)
{
    if (index < 1 || index > parameterCount()) {
        const int n = parameterCount();
        throw Error(n == 0
                ? QStringLiteral("The report '%1' has no parameter fields; parameter field %2 was given.")
                      .arg(name())
                      .arg(index)
                : QStringLiteral("The report '%1' has no parameter field %2 (it has %3).")
                      .arg(name())
                      .arg(index)
                      .arg(n));
    }
    d->params[size_t(index - 1)] = convertParameter(d->def->parameters[size_t(index - 1)], index, value);
}

QStringList Report::formulaNames() const
{
    QStringList out;
    for (const FormulaField &f : d->def->formulas)
        out << f.name;
    return out;
}

QString Report::formulaText(const QString &name) const
{
    const int i = d->main.findFormula(name);
    return i < 0 ? QString() : d->main.exprs[size_t(d->main.formulas[size_t(i)])].text();
}

void Report::setFormula(const QString &name, const QString &formulaText)
{
    const int i = d->main.findFormula(name);
    if (i < 0)
        throw Error(
            QStringLiteral("The report '%1' has no formula field named '%2'.").arg(this->name(), name));
    d->main.exprs[size_t(d->main.formulas[size_t(i)])]
        = parseIn(formulaFieldPlace(*d->def, d->def->formulas[size_t(i)]), formulaText);
}

QStringList Report::subreportNames() const
{
    QStringList out;
    for (const auto &s : d->def->subreports)
        out << s->name;
    return out;
}

Subreport Report::openSubreport(const QString &name)
{
    const auto &subs = d->def->subreports;
    for (size_t i = 0; i < subs.size(); ++i)
        if (subs[i]->name.compare(name, Qt::CaseInsensitive) == 0)
            return Subreport(this, int(i));
    throw Error(QStringLiteral("The report '%1' has no subreport named '%2'.").arg(this->name(), name));
}

const QString &Subreport::name() const
{
    return m_owner->d->def->subreports[size_t(m_index)]->name;
}

QString Subreport::recordSelectionFormula() const
{
    const Compiled &sub = m_owner->d->main.subs[size_t(m_index)];
    return sub.exprs[size_t(sub.selection)].text();
}

void Subreport::setRecordSelectionFormula(const QString &formula)
{
    setSelection(m_owner->d->main.subs[size_t(m_index)], formula);
}

const Document &Report::render(const PageDone &pageDone)
{
    if (!d->source)
        throw Error(QStringLiteral("The report '%1' is not logged on to a database.").arg(name()));
    RenderState st(d->main);
    st.params.assign(d->params.size(), Val());
    for (size_t i = 0; i < d->params.size(); ++i) {
        const Parameter &p = d->def->parameters[i];
        if (d->params[i]) {
            st.params[i] = *d->params[i];
        } else if (p.hasDefault) {
            st.params[i] = convertParameter(p, int(i + 1), db::Value(p.defaultText));
        } else {
            throw Error(QStringLiteral("The parameter field %1 ('%2') of the report '%3' has no value.")
                            .arg(i + 1)
                            .arg(p.name, name()));
        }
    }

    auto doc = std::make_shared<Document>();
    doc->title = name();
    doc->pageSize = d->def->pageSize;
    doc->landscape = d->def->landscape;
    doc->styles = d->main.styles;
    fetchAndBind(st, *d->source);
    layOut(st, doc, pageDone);
    d->doc = std::move(doc);
    return *d->doc;
}

const Document *Report::document() const
{
    return d->doc.get();
}

std::shared_ptr<const Document> Report::sharedDocument() const
{
    return d->doc;
}

} // namespace report
