#include "fees/fees.h"

#include "fees/carryforward.h"
#include "fees/feereceipt.h"

namespace fees {

void registerWindows()
{
    registerFeeReceiptWindow();
    registerCarryForwardWindows();
}

} // namespace fees
