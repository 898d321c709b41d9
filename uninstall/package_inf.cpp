#include <string.h>

#include "package_names.h"
#include "text.h"
#include "uninstall.h"

// Reads the INF up to its recognition line; true when it has one.
static bool SkipToRecognitionLine(FILE *inf) {
  char line[kPathSize];
  while (fgets(line, sizeof line, inf) != NULL) {
    if (strstr(line, kInfRecognitionLine) != NULL) return true;
  }
  return false;
}

FILE *OpenPackageInf(char *infName) {
  char windowsDirectory[kPathSize];
  UINT length = GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
  if (length == 0 || length >= sizeof windowsDirectory) return NULL;
  for (int number = 0; number <= kLastInfNumber; ++number) {
    if (!FormatBounded(infName, kPathSize, kInfNamePattern, windowsDirectory, number)) continue;
    FILE *inf = OpenTextFile(infName);
    if (inf == NULL) continue;
    if (SkipToRecognitionLine(inf)) return inf;
    fclose(inf);
  }
  return NULL;
}
