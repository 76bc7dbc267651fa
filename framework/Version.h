// framework/Version.h
// The one place the program's version lives: the code and the .rc version resource read it.
#pragma once

#define TG_VERSION_MAJOR 1
#define TG_VERSION_MINOR 0
#define TG_VERSION_RELEASE 0
#define TG_VERSION_BUILD 1

#define TG_STR2(x) #x
#define TG_STR(x) TG_STR2(x)
#define TG_VERSION_TEXT                                                                    \
    TG_STR(TG_VERSION_MAJOR) "." TG_STR(TG_VERSION_MINOR) "." TG_STR(TG_VERSION_RELEASE) "." \
        TG_STR(TG_VERSION_BUILD)

#define TG_PRODUCT_NAME "Tallyglass"
#define TG_COMPANY_NAME "Pellory Solutions"
#define TG_EXE_NAME "Tallyglass.exe"
