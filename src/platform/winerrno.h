#pragma once
// The C library's errno value for a Windows error code: the seams report failures in errno on
// every system, so the messages built from it ("No space left on device") stay one set.

namespace platform {

int errnoOfWindowsError(unsigned long error);

}  // namespace platform
