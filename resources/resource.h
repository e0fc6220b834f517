// Ids of the program's resources, shared by zolvane.rc and the code.
#pragma once

// The display control panel lists a screensaver under the text of string 1.
#define IDS_DESCRIPTION 1

#define IDI_ZOLVANE 1

#define IDB_PREVIEW 101
#define IDB_ABOUT 102
