#pragma once
// The account picker frmFindAC and the voucher setup frmAcSetting.
//
// Asking the picker for an account
// --------------------------------
// Request: gFindAcFilter names the accounts listed: "B" bank accounts, "S"
// suppliers (both subsidiary accounts), "SUB" sub-control heads, anything
// else ("" included) every subsidiary account. The list is further narrowed
// to the titles that contain the typed text and ordered by title.
// Answer: gFindAcRowID (Accounts.RowID, 0 = none) and gFindAcName (AcName).
//
// The picker remembers the window that asked (its opener). When the user
// picks a row, the picker writes the answer, closes, and activates the
// opener, whose activation handler takes the answer into what the window
// keeps of the entry being made (an entry window's draft, a window's typed
// record; never a widget property) and resets it:
//
//   if (gFindAcRowID > 0) {
//       draft.account = gFindAcRowID;   // the key
//       field->setText(gFindAcName);    // the title shown
//       gFindAcRowID = 0;
//       gFindAcName.clear();
//   }
//
// No other window is activated between the pick and the opener's
// activation. The picker closes with its opener, handing nothing on; when
// the opener has gone by the time of a pick, the answer is dropped.
// Closing the picker without a pick (Exit, close box) hands back nothing.
//
// Two ways to ask, the same for every caller:
//   - inside the accounts subsystem: openAccountPicker(this, filter);
//   - from any window, by name:
//         gFindAcFilter = QStringLiteral("B");      // or leave it ""
//         common::windows::unload("frmFindAC");     // optional: a fresh picker
//         common::windows::show("frmFindAC");
//     The window active at that moment becomes the opener (a picker that is
//     already loaded takes the new request as well). To keep the user from
//     widening the list, disable the picker's check box "chkAll" ("All
//     Accounts") right after showing it.
// While "All Accounts" is ticked the picker lists every subsidiary account;
// unticking it, and closing the picker, restore the filter of the request.
#include <QString>

namespace common {
class Window;
}

namespace accounts {

// Registers frmFindAC and frmAcSetting with the window registry.
void registerPickerWindows();

// Shows the picker (the loaded one, or a fresh one) for `opener`, listing by
// `filter`; with allowAllAccounts false "All Accounts" is disabled.
void openAccountPicker(common::Window *opener, const QString &filter, bool allowAllAccounts = true);

} // namespace accounts
