#include "vouchers.h"

namespace vouchers {

void registerWindows() { }

} // namespace vouchers
