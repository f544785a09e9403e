// The Run value that starts the program at every logon: its name and data, and writing and
// deleting it. The registry calls themselves are the RunKey adapter's.
#pragma once

#include <string>

#include "startup/RunKey.h"

namespace kelbrook::RegStuff {

// The value's name: the file name of the executable ("Kelbrook.exe").
std::wstring RunValueName(const std::wstring& executablePath);
// The value's data: the executable's full path in double quotes, so that a path with blanks
// starts the program and nothing else.
std::wstring RunValueData(const std::wstring& executablePath);

// Writes the Run value for the executable into the machine's Run key or, when that cannot be
// written, into the current user's. Raises when neither takes it.
void AddRunEntry(RunKey& runKey, const std::wstring& executablePath);
// Deletes the Run value of this name from both keys, silently where it is absent. Raises when
// a value that is there could not be deleted (after trying both keys).
void DeleteRunEntry(RunKey& runKey, const std::wstring& valueName);

}  // namespace kelbrook::RegStuff
