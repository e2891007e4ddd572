#pragma once
// The benchmark's book: a chart of accounts, admitted students and a
// journal of vouchers of every kind, spread evenly over its days and
// written around the journal (its month totals are made afterwards), and
// how a book once generated is kept beside its keys for later runs.
#include <QDate>
#include <QString>

#include <cstdint>
#include <vector>

namespace db {
class Connection;
}

namespace bench {

struct BookParams {
    // Vouchers: cash vouchers of five lines, bank and journal vouchers of four
    // or six, so about five lines each (200,000 make 1M lines).
    int vouchers = 200000;
    int students = 20000; // each with an account and three subject lines
    int controls = 5; // controls of the chart, ten sub-controls each
    int perControl = 1000; // accounts of a control with its heads
    QDate start = QDate(2023, 1, 1);
    int days = 730; // from `start`
    std::uint32_t seed = 12345; // of the amounts and the accounts posted to
    bool pg = false; // the book is on PostgreSQL (how a new key is read back)
};

struct Book {
    std::int64_t cash = 0, firstBank = 0;
    std::vector<std::int64_t> banks, heads, students;
    int lines = 0, masters = 0;
};

Book build(db::Connection &c, const BookParams &p);

// The figures' keys of a kept book, beside it.
void saveBook(const QString &file, const Book &b);
bool loadBook(const QString &file, Book *b);
// Copies the files of folder `from` into folder `to` (made when missing).
void copyFolder(const QString &from, const QString &to);

} // namespace bench
