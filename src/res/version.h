// The program's version, kept here alone: the version resource and the version dialog take it
// from here, and scripts/package.sh reads it for the setup program, the zip and the MSI.
#pragma once

#define TVX_VERSION_MAJOR 1
#define TVX_VERSION_MINOR 21

#define TVX_VERSION_STR2(x) #x
#define TVX_VERSION_STR(x) TVX_VERSION_STR2(x)
// "1.21"
#define TVX_VERSION_TEXT TVX_VERSION_STR(TVX_VERSION_MAJOR) "." TVX_VERSION_STR(TVX_VERSION_MINOR)
