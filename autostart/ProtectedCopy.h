#pragma once
// Whether this copy of the program is safe to start elevated at logon: nobody but Administrators,
// SYSTEM or TrustedInstaller may replace the executable, plant a file beside it, or move a folder
// on its way out from under it. Judged from the owner and the DACL of every object on the path,
// never from who happens to run the program. Anything unreadable or unusual counts as not
// protected: the cost of a wrong "no" is a task that is not registered.
#include <windows.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/UniqueHandle.h"

namespace sweeplet {

// A descriptor the system allocated with LocalAlloc (GetNamedSecurityInfoW, the SDDL converter).
using UniqueSecurityDescriptor = UniqueLocalMemory;

// Security descriptors (owner and DACL) of the executable, its folder, each folder above it and
// the volume root, in that order. A null entry stands for one that could not be read. Protected
// when no principal but the three trusted ones holds, through an ACE that applies to the object
// itself or as its owner:
//   executable: FILE_WRITE_DATA, FILE_APPEND_DATA, DELETE, WRITE_DAC, WRITE_OWNER;
//   its folder: FILE_ADD_FILE, DELETE, FILE_DELETE_CHILD, WRITE_DAC, WRITE_OWNER;
//   folders above: DELETE, FILE_DELETE_CHILD, WRITE_DAC, WRITE_OWNER;
//   volume root: FILE_DELETE_CHILD, WRITE_DAC, WRITE_OWNER (it cannot be deleted, and new
//   folders there do not touch ours).
// With only two entries the folder is the root and is held to the folder's rules.
bool IsProtectedChain(std::span<const PSECURITY_DESCRIPTOR> chain) noexcept;

// The objects whose security decides, for a plain local path "X:\...\name.exe": the path itself,
// then each folder up to and including "X:\". Empty for anything else (UNC and device paths,
// relative paths, "." or ".." parts, empty parts, stream names, "%" that the Task Scheduler would
// expand), which is then not protected.
// A "\\?\" prefix before a drive letter is accepted and dropped.
std::vector<std::wstring> SecurityPathChain(std::wstring_view exePath);

// Reads the chain of the file at exePath and judges it. Not protected as well when the drive is
// not a fixed local one, when a link, junction or substituted drive lies on the way (the path
// that would be started is not the one judged), or when any descriptor cannot be read.
bool IsProtectedCopy(std::wstring_view exePath) noexcept;

}  // namespace sweeplet
