#pragma once
// The cash receipt voucher window (vouchers of kind 'CR').
#include "vouchers/voucher_window.h"

namespace vouchers {

class frmCR : public VoucherWindow {
    Q_OBJECT
public:
    frmCR();
};

} // namespace vouchers
