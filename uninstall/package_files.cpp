#include <string.h>

#include "package_names.h"
#include "text.h"
#include "uninstall.h"

namespace {

// A name from the INF must name a file in the directory it is joined to.
bool IsPlainFileName(const char *name) {
  return name[0] != '\0' && strpbrk(name, "\\/:") == NULL && strstr(name, "..") == NULL;
}

bool HasSystemFileExtension(const char *lowerCaseName) {
  for (const char *extension : kSystemFileExtensions) {
    if (strstr(lowerCaseName, extension) != NULL) return true;
  }
  return false;
}

void DeleteInDirectory(const char *pattern, const char *systemDirectory, const char *name) {
  char path[kPathSize];
  if (FormatBounded(path, sizeof path, pattern, systemDirectory, name)) DeleteFileForced(path);
}

// Cuts the line end and the "=1" after the name; false when the line does
// not end in "=1". A fixed-length cut would name another file on a last line
// without a line end ("victim.sys=1" would become "victim.sy").
bool CutFileListMarker(char *line) {
  size_t length = strlen(line);
  while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
  size_t markerLength = strlen(kFileListMarker);
  if (length < markerLength || memcmp(line + length - markerLength, kFileListMarker, markerLength) != 0) {
    return false;
  }
  line[length - markerLength] = '\0';
  return true;
}

// Deletes the file a "name=1" line names: in the drivers directory, and for
// the file kinds installed there also in the system directory.
void DeleteListedFile(char *line, const char *systemDirectory) {
  if (!CutFileListMarker(line) || !IsPlainFileName(line)) return;
  DeleteInDirectory(kDriverFilePattern, systemDirectory, line);
  LowerCase(line);
  if (HasSystemFileExtension(line)) DeleteInDirectory(kSystemFilePattern, systemDirectory, line);
}

// Whether fgets filled the buffer before the line ended.
bool IsCutShort(const char *line, size_t size) {
  size_t length = strlen(line);
  return length == size - 1 && line[length - 1] != '\n';
}

void DeleteListedFiles(FILE *inf, const char *systemDirectory) {
  char line[kPathSize];
  bool continuesLongLine = false;
  while (fgets(line, sizeof line, inf) != NULL) {
    // A line longer than the buffer comes in pieces. None of them names a
    // file: a later piece would name the tail of the line's name, another
    // file, and the whole name is too long for a path anyway.
    bool piece = continuesLongLine || IsCutShort(line, sizeof line);
    continuesLongLine = IsCutShort(line, sizeof line);
    if (strstr(line, kFileListMarker) == NULL) continue;
    bool endOfList = strstr(line, kEndMarker) != NULL;
    if (!piece) DeleteListedFile(line, systemDirectory);
    if (endOfList) break;
  }
}

// "OEMn.inf" becomes "OEMn.PNF".
void UsePrecompiledExtension(char *infName) {
  size_t length = strlen(infName);
  size_t extensionLength = strlen(kPrecompiledInfExtension);
  memcpy(infName + length - extensionLength, kPrecompiledInfExtension, extensionLength);
}

}  // namespace

BOOL DeletePackageFiles() {
  char infName[kPathSize];
  FILE *inf = OpenPackageInf(infName);
  if (inf == NULL) return FALSE;
  char systemDirectory[kPathSize];
  UINT length = GetSystemDirectoryA(systemDirectory, sizeof systemDirectory);
  if (length == 0 || length >= sizeof systemDirectory) {
    fclose(inf);
    return FALSE;
  }
  DeleteListedFiles(inf, systemDirectory);
  fclose(inf);
  DeleteFileForced(infName);
  UsePrecompiledExtension(infName);
  return DeleteFileForced(infName);
}

BOOL DeleteFileForced(LPCSTR path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  return DeleteFileA(path);
}
