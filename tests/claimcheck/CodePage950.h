// The code page 950 the checker's core tests run against: the system's when
// they run under Windows or Wine (SystemCodePage950.cpp), a small table of
// the characters the tests use when they run natively (TableCodePage950.cpp).
#pragma once

#include "claim_check.h"

const claimcheck::Big5CodePage& CodePage950();
