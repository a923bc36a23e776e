// DrvSetup.dll: three driver-installation calls of the NT family behind plain
// exports, so that the installer can reach them with GetProcAddress without
// importing SETUPAPI.dll, newdev.dll or WINSPOOL.DRV, which Windows 95, 98
// and Me lack. Each returns the platform call's result unchanged and leaves its
// last-error value for the caller; when the platform function does not exist,
// the result is FALSE with ERROR_PROC_NOT_FOUND.
#ifndef DRVSETUP_DRVSETUP_H
#define DRVSETUP_DRVSETUP_H

#ifdef __cplusplus
extern "C" {
#endif

// AddPrinterDriverExA on the local machine, level 6, APD_COPY_ALL_FILES;
// driverInfo6 points at a DRIVER_INFO_6A.
typedef int (__cdecl* AddPrinterDriverEx2KFn)(void* driverInfo6);
// SetupCopyOEMInfA of one INF file (media type SPOST_PATH, copy style 0).
typedef int (__cdecl* SetupCopyOEMInf2KFn)(const char* infPath);
// UpdateDriverForPlugAndPlayDevicesA, no window, INSTALLFLAG_FORCE.
typedef int (__cdecl* UpdateDriverForPlugAndPlayDevices2KFn)(const char* hardwareId, const char* infPath);

int __cdecl AddPrinterDriverEx_2K(void* driverInfo6);
int __cdecl SetupCopyOEMInf_2K(const char* infPath);
int __cdecl UpdateDriverForPlugAndPlayDevices_2K(const char* hardwareId, const char* infPath);

#ifdef __cplusplus
}
#endif

#endif
