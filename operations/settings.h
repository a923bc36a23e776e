// The data source's settings file: an INI file in the temporary folder named
// after the data-source file, with one section per model holding the
// scanner's address.
#ifndef OPERATIONS_SETTINGS_H
#define OPERATIONS_SETTINGS_H

#include "core/context.h"

// Writes ip0, AutoIP, UseUSB, UseAuto, IPNum, IPSel and ManuIP, in this order,
// into section modelName of the file at settingsPath. Every other section and
// key of the file stays as it was. An empty settingsPath writes nothing.
void writeScannerSettings(InstallContext* ctx);

#endif
