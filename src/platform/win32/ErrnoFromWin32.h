#pragma once

// The errno value that tells the core what a Win32 error code means: EBUSY for a file or device
// that another program holds, ENOENT for a missing file, ENOSPC for a full disk, and so on.
int ErrnoFromWin32(unsigned long error);
