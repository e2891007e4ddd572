#pragma once
// The bank payment voucher window (vouchers of kind 'BP').
#include "vouchers/voucher_window.h"

namespace vouchers {

class frmBP : public VoucherWindow {
    Q_OBJECT
public:
    frmBP();
};

} // namespace vouchers
