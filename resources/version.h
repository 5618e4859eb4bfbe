/* The program's version, in one place: the version resource takes every
   form of it from here. Plain #defines only: windres reads this file too. */
#ifndef SORVANE_VERSION_H
#define SORVANE_VERSION_H

#define SORVANE_VERSION_MAJOR 1
#define SORVANE_VERSION_MINOR 0
#define SORVANE_VERSION_PATCH 0
#define SORVANE_VERSION_BUILD 0

#define SORVANE_STRINGIFY2(x) #x
#define SORVANE_STRINGIFY(x) SORVANE_STRINGIFY2(x)
#define SORVANE_VERSION_TEXT                                                           \
    SORVANE_STRINGIFY(SORVANE_VERSION_MAJOR) "." SORVANE_STRINGIFY(SORVANE_VERSION_MINOR) "." \
    SORVANE_STRINGIFY(SORVANE_VERSION_PATCH) "." SORVANE_STRINGIFY(SORVANE_VERSION_BUILD)

#define SORVANE_COMPANY_NAME "Quellwright"
#define SORVANE_PRODUCT_NAME "Sorvane"
#define SORVANE_FILE_DESCRIPTION "Sorvane file finder"
#define SORVANE_COPYRIGHT "Copyright (C) Quellwright"

#endif
