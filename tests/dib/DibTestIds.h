// Resource ids of the DIB image tests' own bitmaps.
#pragma once
#define IDB_PIC256 201  // 355 x 356, 8 bits, 256 colours
#define IDB_PIC255 202  // 100 x 30, 8 bits, 255 colours
