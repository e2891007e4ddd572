#pragma once
// The bank payment voucher window (vouchers of kind 'BP').
#include "voucher_window.h"

namespace vouchers {

class frmBP : public VoucherWindow {
    Q_OBJECT
public:
    frmBP();
};

} // namespace vouchers
