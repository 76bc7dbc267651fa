// framework/Version.h
// The one place the program's version lives: the code, the .rc version resource and
// scripts/package (the archive's name and dates) read it. The stored main form repeats two of
// these for its about box and upgrader; MainFormTest holds them to this file.
#pragma once

#define TG_VERSION_MAJOR 1
#define TG_VERSION_MINOR 0
#define TG_VERSION_RELEASE 0
#define TG_VERSION_BUILD 1
// The release date, MM/DD/YYYY: the upgrader compares it with the one its information file
// announces.
#define TG_VERSION_DATE "07/07/2002"

#define TG_STR2(x) #x
#define TG_STR(x) TG_STR2(x)
#define TG_VERSION_TEXT                                                                    \
    TG_STR(TG_VERSION_MAJOR) "." TG_STR(TG_VERSION_MINOR) "." TG_STR(TG_VERSION_RELEASE) "." \
        TG_STR(TG_VERSION_BUILD)

#define TG_PRODUCT_NAME "Tallyglass"
#define TG_COMPANY_NAME "Pellory Solutions"
#define TG_EXE_NAME "Tallyglass.exe"
