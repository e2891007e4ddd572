#include "fees.h"

#include "feereceipt.h"

namespace fees {

void registerWindows()
{
    registerFeeReceiptWindow();
}

} // namespace fees
