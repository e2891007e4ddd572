#pragma once
// The bank receipt voucher window (vouchers of kind 'BR').
#include "vouchers/voucher_window.h"

namespace vouchers {

class frmBR : public VoucherWindow {
    Q_OBJECT
public:
    frmBR();
};

} // namespace vouchers
