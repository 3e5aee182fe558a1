#include "CodePage950.h"
#include "system_big5.h"

const claimcheck::Big5CodePage& CodePage950()
{
    static const claimcheck::SystemBig5 s_system;
    return s_system;
}
