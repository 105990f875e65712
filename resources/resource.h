#pragma once
// Resource identifiers shared by Sweeplet.rc and the code.
#define IDI_APP 1
#define IDI_TRAY_IDLE 101
#define IDI_TRAY_BUSY 102
