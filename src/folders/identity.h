// What Windows says a file or folder is: its volume's serial number and its
// file index, read from an open handle, and where it really lies. One folder
// has many spellings (short names, device and NT prefixes, "..", links and
// junctions on the way, subst and mapped drives); its identity is one.
#ifndef UNINSTALL_FOLDERS_IDENTITY_H
#define UNINSTALL_FOLDERS_IDENTITY_H

#include "text/long_path.h"

// What IdentityOf learnt.
const int kIdentityAbsent = 0;  // the file or its path is not there
const int kIdentityKnown = 1;
const int kIdentityUnknown = 2;  // there, maybe, but it cannot be told
// Not to be reached from this machine now: a server or share that does not
// answer, a drive without a volume, or a name no file can have.
const int kIdentityUnreachable = 3;

// Opens path for its attributes alone, with every sharing mode and following
// links, folders too, and reads its identity into *identity. When real is
// not null it receives the final path of what was opened, links resolved
// ("\\?\C:\..."), or is left empty where Windows cannot give it.
int IdentityOf(const WideChar* path, platform::FileIdentity* identity, LongPath* real = nullptr);

int IsSameFile(const platform::FileIdentity& one, const platform::FileIdentity& other);

#endif
