#include "folders/entry_name.h"

namespace {

const WideChar kNeverInAName[] = u"\\/:";

}  // namespace

int NamesOnlyThisEntry(const WideChar* name) { return name[0] != 0 && !HoldsUnitOf(name, kNeverInAName); }
