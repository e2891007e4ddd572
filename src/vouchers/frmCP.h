#pragma once
// The cash payment voucher window (vouchers of kind 'CP').
#include "vouchers/voucher_window.h"

namespace vouchers {

class frmCP : public VoucherWindow {
    Q_OBJECT
public:
    frmCP();
};

} // namespace vouchers
