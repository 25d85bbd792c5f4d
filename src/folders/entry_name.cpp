#include "folders/entry_name.h"

#include "text/characters.h"

namespace {

// Separators, the drive colon, and what the search takes for wildcards.
const char kNeverInAName[] = "\\/:*?\"<>|";
const char kDot = '.';
const char kBlank = ' ';

// A name of dots and blanks alone ends in one of them too.
int EndsInDotOrBlank(const char* name, const platform::LeadBytes& leadBytes) {
    int ends = 0;
    for (const char* at = name; *at != '\0';) {
        int length = CharacterLength(at, leadBytes);
        ends = length == 1 && (*at == kDot || *at == kBlank);
        at += length;
    }
    return ends;
}

}  // namespace

int NamesOnlyThisEntry(const char* name, const platform::LeadBytes& leadBytes) {
    return name[0] != '\0' && !HoldsCharacterOf(name, kNeverInAName, leadBytes) &&
           !EndsInDotOrBlank(name, leadBytes);
}
