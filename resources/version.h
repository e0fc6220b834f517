// The program's version, shared by the version record in zolvane.rc and the code.
#pragma once

#define ZOLVANE_VERSION_MAJOR 1
#define ZOLVANE_VERSION_MINOR 0
#define ZOLVANE_VERSION_RELEASE 0
#define ZOLVANE_VERSION_BUILD 0
#define ZOLVANE_VERSION_TEXT "1.0.0.0"

#define ZOLVANE_PRODUCT_NAME "Zolvane Screensaver"
#define ZOLVANE_COMPANY_NAME "Osterwyn"
#define ZOLVANE_FILE_NAME "zolvane.scr"
