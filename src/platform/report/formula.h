#pragma once
// The formula language of report definitions and record selections.
//
//   {Table.Field}  a column of the report's data (names without regard to case)
//   {?Name}        a parameter field        {@Name}  a formula field
//   {#Name}        a running total
//   12  12.50  'text'  "text"  #2009-01-01#  true  false
//   = <> < <= > >=   x in a to b   x like 'A*B?'   IsNull(x)
//   and or not  ( )  + - * /  & (joins texts)   if c then a else b
//   ToText(x [, "format"])  Trim(x)  UpperCase(x)  LowerCase(x)
//
// A comparison with Null is false; texts compare without regard to case.
// Formulas are parsed once, bound to a data layout once, and evaluated per
// row; formula text never reaches SQL.
#include "platform/db/db.h"
#include "platform/report/reporterror.h"

#include <QDate>
#include <QString>

#include <memory>
#include <variant>
#include <vector>

namespace report {

// A formula value: db's kinds plus true/false.
class Val {
public:
    enum Kind { Null, Bool, Int, Money, Real, Text, Date };

    Val() = default;
    Val(bool b)
        : m_v(b)
    {
    }
    Val(std::int64_t i)
        : m_v(i)
    {
    }
    Val(int i)
        : m_v(std::int64_t(i))
    {
    }
    Val(db::Money m)
        : m_v(m)
    {
    }
    Val(double d)
        : m_v(d)
    {
    }
    Val(const QString &s)
        : m_v(s)
    {
    }
    Val(QString &&s)
        : m_v(std::move(s))
    {
    }
    Val(const char *s)
        : m_v(QString::fromUtf8(s))
    {
    }
    Val(QDate d);
    static Val fromDb(const db::Value &v);

    Kind kind() const { return Kind(m_v.index()); }
    bool isNull() const { return kind() == Null; }
    bool isNumber() const { return kind() == Int || kind() == Money || kind() == Real; }
    bool isTrue() const { return kind() == Bool && std::get<bool>(m_v); }

    bool toBool() const { return std::get<bool>(m_v); }
    std::int64_t toInt() const { return std::get<std::int64_t>(m_v); }
    db::Money toMoney() const; // Int or Money
    double toReal() const; // any number
    const QString &text() const { return std::get<QString>(m_v); }
    QDate toDate() const { return std::get<QDate>(m_v); }
    // Plain text: numbers without grouping, money with two decimals, dates
    // as dd-mm-yyyy, Null as "".
    QString toString() const;

private:
    std::variant<std::monostate, bool, std::int64_t, db::Money, double, QString, QDate> m_v;
};

// Three-way comparison; false when the two cannot be compared (either Null,
// or kinds that do not meet such as a date and a number).
bool compareVals(const Val &a, const Val &b, int *result);
// A total order for sorting and grouping: Null first, then by value.
int orderVals(const Val &a, const Val &b);
// Case-insensitive match of the whole text with * (any run) and ? (one character).
bool likeMatch(const QString &text, const QString &pattern);

// What a formula refers to, resolved when it is bound.
class Scope {
public:
    virtual ~Scope() = default;
    // -1 when unknown. Names compare without regard to case.
    virtual int findField(const QString &table, const QString &field) const = 0;
    virtual int findParameter(const QString &name) const = 0;
    virtual int findFormula(const QString &name) const = 0;
    virtual int findRunningTotal(const QString &name) const = 0;
};

// Values of the current row, given to a bound formula.
class Context {
public:
    virtual ~Context() = default;
    virtual Val field(int index) const = 0;
    virtual Val parameter(int index) const = 0;
    virtual Val formula(int index) const = 0;
    virtual Val runningTotal(int index) const = 0;
};

// A display format: numbers "##,###0.00", "###0.00", "0" (with any text
// before and after); dates "dd-mm-yyyy", "dd/mm/yyyy", "dd-mmm-yyyy",
// "yyyy-mm-dd". An empty format gives the default text of the value's kind
// (amounts "##,###0.00", dates dd-mm-yyyy). Read once, applied to many values.
class DisplayFormat {
public:
    DisplayFormat() = default;
    explicit DisplayFormat(const QString &format);
    QString apply(const Val &v) const;

private:
    static QString number(
        const Val &v, int decimals, bool grouping, const QString &prefix, const QString &suffix);
    enum class Kind { Default, Number, Date };
    Kind m_kind = Kind::Default;
    QString m_prefix, m_suffix;
    bool m_grouping = false;
    int m_decimals = 0;
    QString m_qtDate;
    QChar m_dateSeparator; // set for dd?mm?yyyy
};

QString formatVal(const Val &v, const QString &format);

// A condition joined by "and" at the top of a formula that compares a field
// with a literal: what a data source may say in its own query language.
struct FieldCondition {
    enum Kind { Eq, Ne, Lt, Le, Gt, Ge, Between, Like, IsNull };
    Kind kind = Eq;
    QString table, field;
    Val value; // the literal; Between: the lower end; Like: the pattern
    Val upper; // Between: the upper end
};

class Formula {
public:
    Formula();
    ~Formula();
    Formula(Formula &&) noexcept;
    Formula &operator=(Formula &&) noexcept;

    // Throws FormulaError for a syntax error. `origin` is where the formula
    // stands in a report definition (a placeText()): every error of the
    // formula, in parsing, binding or evaluating, begins with it.
    static Formula parse(const QString &text, const QString &origin = {});

    const QString &text() const;
    const QString &origin() const;
    bool isEmpty() const; // blank text: no formula
    // False when the formula can only give a number, text or date; a record
    // selection must give true or false.
    bool canBeCondition() const;
    // Throws FormulaError naming the first unknown field, parameter, formula
    // field or running total. Binding again replaces the earlier binding.
    void bind(const Scope &scope);
    // A copy bound to `scope`, as bind() would bind it; this one stays as it is.
    Formula bound(const Scope &scope) const;
    // Requires bind(). Throws FormulaError for errors found while evaluating
    // (a division by zero, a result too large), told at the origin of the
    // innermost formula (a formula field it uses has its own).
    Val eval(const Context &ctx) const;
    // The formula fields it refers to (after bind).
    std::vector<int> formulaRefs() const;
    // Its top-level conjunctions of the form {Table.Field} op literal
    // (=, <>, <, <=, >, >=, in a to b, like, IsNull). Every row the formula
    // selects meets all of them; the formula may select fewer.
    std::vector<FieldCondition> fieldConditions() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace report
