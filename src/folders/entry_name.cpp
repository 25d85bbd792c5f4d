#include "folders/entry_name.h"

#include "text/characters.h"

namespace {

// Separators, the drive colon, and what the search takes for wildcards.
const char kNeverInAName[] = "\\/:*?\"<>|";
const char kDot = '.';
const char kBlank = ' ';

// A name of dots and blanks alone ends in one of them too.
int EndsInDotOrBlank(const char* name) {
    int ends = 0;
    for (const char* at = name; *at != '\0';) {
        int length = CharacterLength(at);
        ends = length == 1 && (*at == kDot || *at == kBlank);
        at += length;
    }
    return ends;
}

}  // namespace

int NamesOnlyThisEntry(const char* name) {
    return name[0] != '\0' && !HoldsCharacterOf(name, kNeverInAName) &&
           !EndsInDotOrBlank(name);
}
