#include "directory/directory.h"

#include "directory/frm_Tele_Directory.h"

namespace directory {

void registerWindows()
{
    common::windows::registerWindow(
        QStringLiteral("frm_Tele_Directory"), [] { return new frm_Tele_Directory; });
}

} // namespace directory
