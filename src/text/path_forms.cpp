#include "text/path_forms.h"

namespace {

const char kColon = ':';

int IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int StartsWithDrive(const char* path) { return IsDriveLetter(path[0]) && path[1] == kColon; }

}  // namespace

int IsBareDrive(const char* path) { return StartsWithDrive(path) && path[2] == '\0'; }
