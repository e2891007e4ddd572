#pragma once
// What the chart-of-accounts window reads and saves, as typed rows: the
// chart for its tree, one account for its panel, the subsidiary accounts
// its search tab lists, and the save of its entry panel (chart_rules.h
// holds the numbering, title and delete rules it calls).
#include "common/binding.h"
#include "platform/db/db.h"

#include <QDate>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace accounts {

// One row of the chart, as stored (codes and status untrimmed).
struct ChartNode {
    std::int64_t rowId = 0;
    QString acStatus, parentId, acNodes, acName;
};
// Every account, by code.
QList<ChartNode> chartNodes(db::Connection &conn);

// One account for the entry panel.
struct Account {
    std::int64_t rowId = 0;
    QString acStatus; // trimmed
    QString parentId; // trimmed
    QString acNodes; // trimmed
    QString acName;
    QString orderStatus; // "" for none
    common::binding::Texts columns; // every column as text, for the bound boxes
    QDate openDate;
    std::optional<QString> gst, ntn;
    QString bStatus; // trimmed, upper case
};
std::optional<Account> readAccount(db::Connection &conn, std::int64_t rowId);

// The title and parent of the account coded `code`.
struct ParentAccount {
    QString acName;
    QString parentId; // trimmed
};
std::optional<ParentAccount> accountByCode(db::Connection &conn, const QString &code);

// A subsidiary account of the search list.
struct SubsidiaryRow {
    std::int64_t rowId = 0;
    QString acNodes, acName, location, contact, fax, email;
    std::optional<db::Money> openBal;
    QString addr, addr2;
};
// The subsidiary accounts whose title contains `text`, by title.
QList<SubsidiaryRow> findSubsidiaries(db::Connection &conn, const QString &text);

// --- Saving the entry panel --------------------------------------------------

// The subsidiary account's own columns, as the panel holds them.
struct AccountDetails {
    common::binding::Texts fields; // the bound boxes, OpenBal aside
    QDate openDate;
    db::Value openBal; // Null or an amount
    std::optional<QString> gst, ntn; // written only when complete
    QString bStatus; // "B" bank, "S" supplier, "" neither
};

// The panel's title boxes.
enum class TitleBox { None, Control, SubControl, Subsidiary };

struct ChartEntry {
    bool newControl = false; // a new control account (the head box is ticked)
    bool isNew = false; // a new account under the selected one
    bool hasSelection = false; // an account is selected in the tree
    std::int64_t selected = 0;
    QString oldTitle; // the title as the account was shown
    // The open title box (checked in this order): the control title, the
    // sub-control title, else the subsidiary panel when shown.
    TitleBox open = TitleBox::None;
    QString controlTitle, subControlTitle, subsidiaryTitle;
    std::optional<std::int64_t> order;
    AccountDetails details;
};

// What a save wrote, or why it wrote nothing.
struct ChartSaved {
    enum Kind { Refused, Gone, NewControl, NewChild, Changed, Nothing } kind = Nothing;
    QString message;
    TitleBox focus = TitleBox::None; // where a refusal sends the user
    QString code; // the code whose path the tree shows after the save
    bool subControl = false; // a new sub-control account was written
};

// Checks the titles and writes the entry in one transaction; nothing is
// written when refused or when the selected account has gone.
ChartSaved saveChartEntry(db::Connection &conn, const ChartEntry &entry);

} // namespace accounts
