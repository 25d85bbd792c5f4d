// What Windows says a file or folder is: its volume's serial number and its
// file index, read from an open handle. One folder has many spellings (short
// names, device and NT prefixes, "..", links and junctions on the way, subst
// and mapped drives); its identity is one.
#ifndef UNINSTALL_FOLDERS_IDENTITY_H
#define UNINSTALL_FOLDERS_IDENTITY_H

#include "text/wide_text.h"

// What IdentityOf learnt.
const int kIdentityAbsent = 0;   // the file or its path is not there
const int kIdentityKnown = 1;
const int kIdentityUnknown = 2;  // there, maybe, but it cannot be told

// Opens path for its attributes alone, with every sharing mode and following
// links, folders too, and reads its identity into *identity.
int IdentityOf(const WideChar* path, platform::FileIdentity* identity);

int IsSameFile(const platform::FileIdentity& one, const platform::FileIdentity& other);

#endif
