// The program's version, in one place: the version resources of the program
// and of every library it carries, the log's first line, the usage message
// and the release files take it from here (cmake/version.cmake reads it for
// the manifest and the release). Plain #defines: resource scripts include it.
#ifndef CORE_VERSION_H
#define CORE_VERSION_H

#define TW_VERSION_MAJOR 0
#define TW_VERSION_MINOR 0
#define TW_VERSION_BUILD 1
#define TW_VERSION_PATCH 6

#define TW_VERSION_STR2(a, b, c, d) #a "." #b "." #c "." #d
#define TW_VERSION_STR(a, b, c, d) TW_VERSION_STR2(a, b, c, d)
// "0.0.1.6": the log, the usage message, the release.
#define TW_VERSION_TEXT TW_VERSION_STR(TW_VERSION_MAJOR, TW_VERSION_MINOR, TW_VERSION_BUILD, TW_VERSION_PATCH)
// "0. 0. 1. 6": the version resource's own spelling of it.
#define TW_VERSION_SPACED2(a, b, c, d) #a ". " #b ". " #c ". " #d
#define TW_VERSION_SPACED1(a, b, c, d) TW_VERSION_SPACED2(a, b, c, d)
#define TW_VERSION_SPACED TW_VERSION_SPACED1(TW_VERSION_MAJOR, TW_VERSION_MINOR, TW_VERSION_BUILD, TW_VERSION_PATCH)

// The product the driver belongs to, as the version resources name it.
#define TW_PRODUCT_VERSION 1, 0, 0, 0
#define TW_PRODUCT_VERSION_SPACED "1. 0. 0. 0"

#endif
