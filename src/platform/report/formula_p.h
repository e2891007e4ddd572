#pragma once
// The parsed form of a formula, shared by the parser, the evaluator and
// Formula. Internal to the engine.
#include "platform/report/formula.h"

#include <memory>
#include <vector>

namespace report::fx {

enum class Op {
    Lit,
    Field,
    Param,
    FormulaRef,
    RunRef,
    Or,
    And,
    Not,
    Eq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    In,
    Like,
    IsNull,
    Add,
    Sub,
    Mul,
    Div,
    Concat,
    Neg,
    If,
    ToText,
    Trim,
    Upper,
    Lower,
};

// How many levels a formula may nest: each parenthesis, not, minus, if,
// function call and operator of a chain holds what it applies to one level
// deeper (a value alone, or a sum of 201 terms, nests 0 or 200 levels).
// Parsing and evaluating go one call deeper per level, and this keeps them
// well inside the default stack, also under the sanitizers.
constexpr int maxDepth = 200;
// How many levels evaluation may go: each operator, not, minus, if and
// function call, and each formula field used on the way (parentheses alone
// take no call here).
constexpr int maxEvalDepth = 1000;

struct Node {
    Op op = Op::Lit;
    int pos = 0;
    int depth = 1; // levels of the tree below and including this node
    QString token;
    Val lit;
    QString a, b;
    int index = -1;
    std::vector<std::unique_ptr<Node>> kids;
};

[[noreturn]] void fail(int pos, const QString &token, const QString &reason, bool atEnd = false);

// Throws FormulaError for a syntax error; `text` is not blank.
std::unique_ptr<Node> parseText(const QString &text);

bool nodeCanBeCondition(const Node &n);
void bindNode(Node &n, const Scope &scope);
std::unique_ptr<Node> cloneNode(const Node &n);
void collectFormulaRefs(const Node &n, std::vector<int> &out);
Val evalNode(const Node &n, const Context &ctx);

} // namespace report::fx
