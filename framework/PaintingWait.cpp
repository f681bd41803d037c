#include "framework/PaintingWait.h"

bool WaitKeepingWindowsPainted(HANDLE object, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    DWORD left = timeoutMs == INFINITE ? INFINITE : (elapsed >= timeoutMs ? 0 : timeoutMs - elapsed);
    DWORD woke = MsgWaitForMultipleObjectsEx(1, &object, left, QS_PAINT | QS_SENDMESSAGE,
                                             MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) return false;  // the time is up, or the handle is bad
    // Messages sent from other threads are delivered inside PeekMessage; of the queue only
    // the paint messages are taken.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageA(&msg);
  }
}
