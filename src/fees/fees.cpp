#include "fees.h"

#include "carryforward.h"
#include "feereceipt.h"

namespace fees {

void registerWindows()
{
    registerFeeReceiptWindow();
    registerCarryForwardWindows();
}

} // namespace fees
