#pragma once
// The journal voucher window (vouchers of kind 'JV').
#include "vouchers/voucher_window.h"

namespace vouchers {

class frmJV : public VoucherWindow {
    Q_OBJECT
public:
    frmJV();
};

} // namespace vouchers
