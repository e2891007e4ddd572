#pragma once
// The voucher setup (table VouSetting) as plain functions over a connection.
//
// Windows that number a series or preset an account read their own row with
// readVoucherSetup() once, when they load:
//
//   const accounts::VoucherSetup s = accounts::readVoucherSetup(*gConn, "BP");
//   m_StartNo = s.startNo;              // 0 when the row or its number is missing
//   if (s.acCode > 0) { box->setText(s.acTitle); ... }
//   if (s.fixed) findButton->setEnabled(false);
//
// Only the voucher-setup window writes the table, always all thirteen rows
// at once (writeVouSetting).
#include "platform/db/db.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace accounts {

// The thirteen series in the order the setup writes them.
const QStringList &vouSettingKeys();

// The side of a voucher a preset account stands on; stored as "DR" or "CR"
// (VouSetting.AcStatus), anything else meaning none.
enum class Side { None, Debit, Credit };
Side sideOf(const QString &stored); // blanks and case do not count
QString sideCode(Side side); // "DR", "CR", or "" for none

// One series' setup as a reading window uses it.
struct VoucherSetup {
    bool found = false; // the table holds a row of that kind
    std::int32_t startNo = 0; // VouNo; 0 when missing or Null
    std::int64_t acCode = 0; // preset account (Accounts.RowID); 0 for none
    // The preset account's title and code when it is an account of the level
    // the series expects (a subsidiary account "DD"; for "IR" the students'
    // sub-control head "HD"); empty otherwise, even when acCode is set.
    QString acTitle;
    QString acNodes;
    Side side = Side::None;
    bool fixed = false; // Fix = "Y": the preset account is locked
    // Row "TI" only: the report accounts; 0 for none.
    std::int64_t othAcCode = 0;
    std::int64_t iTaxAc = 0;
    std::int64_t sTaxAc = 0;
};

// The setup of one series ("CP", "CR", "BP", "BR", "JV", "RI", "IR", "TI", ...).
// A missing row gives found = false and everything else empty or 0. When the
// table holds the key twice, the first row wins.
VoucherSetup readVoucherSetup(db::Connection &conn, const QString &vouStatus);

// A start number as typed: empty (blanks only) is no number (Null); digits
// are the number. Returns false for anything else (the text is refused).
bool parseStartNumber(const QString &typed, db::Value *out);

// One row as the setup writes it; a Null field is left unset.
struct VouSettingRow {
    QString vouStatus;
    db::Value vouNo;
    db::Value acCode;
    db::Value acStatus;
    db::Value fix;
    db::Value othAcCode;
    db::Value iTaxAc;
    db::Value sTaxAc;
};

// One stored row as the setup window shows it, with the titles of its
// accounts (a title only for an account of the level the column takes);
// every value as text, "" for Null.
struct VouSettingShown {
    QString vouStatus, vouNo, acStatus, fix;
    QString acCode, acTitle; // the series' account: any but a control account
    QString othAcCode, othAc; // subsidiary accounts from here on
    QString iTaxAc, incomeAc;
    QString sTaxAc, salTaxAc;
};
std::vector<VouSettingShown> readVouSetting(db::Connection &conn);

// Deletes every row of VouSetting and writes `rows` in their order, in one
// transaction: when a write fails, the previous rows stay as they were and
// the error is thrown.
void writeVouSetting(db::Connection &conn, const std::vector<VouSettingRow> &rows);

} // namespace accounts
