// The one platform file of the engine.
#include "file_identity.h"

#include "system_path.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/types.h>
#endif

namespace vellumine {

#ifdef _WIN32

bool NamesOpenFile(const char* path, std::FILE* open) {
  HANDLE openHandle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(open)));
  BY_HANDLE_FILE_INFORMATION openInfo;
  if (openHandle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(openHandle, &openInfo))
    return false;
  // No access rights are needed to read the identity; sharing everything keeps the probe
  // from failing on a file someone holds open.
  HANDLE probe = CreateFileW(SystemPath(path).c_str(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION probeInfo;
  bool known = GetFileInformationByHandle(probe, &probeInfo) != 0;
  CloseHandle(probe);
  return known && probeInfo.dwVolumeSerialNumber == openInfo.dwVolumeSerialNumber &&
         probeInfo.nFileIndexHigh == openInfo.nFileIndexHigh &&
         probeInfo.nFileIndexLow == openInfo.nFileIndexLow;
}

#else

bool NamesOpenFile(const char* path, std::FILE* open) {
  struct stat openStatus;
  struct stat pathStatus;
  if (fstat(fileno(open), &openStatus) != 0 || stat(path, &pathStatus) != 0) return false;
  return openStatus.st_dev == pathStatus.st_dev && openStatus.st_ino == pathStatus.st_ino;
}

#endif

}  // namespace vellumine
