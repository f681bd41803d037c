// A wait on the user-interface thread that keeps its windows painted: while the thread waits
// for another one, paint messages and messages sent from other threads are handled, and the
// input and posted messages stay queued until the wait is over, so nothing the user does
// starts anything in the meantime.
#pragma once
#include <windows.h>

// Waits for `object` to be signalled; true when it was within `timeoutMs`.
bool WaitKeepingWindowsPainted(HANDLE object, DWORD timeoutMs);
