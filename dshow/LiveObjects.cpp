// The count of live filter objects for a module that keeps none of its own: a COM server DLL
// defines it beside its DllCanUnloadNow, and the linker then leaves this definition out.
#include "dshow/ComObject.h"

namespace dshow {
LONG g_liveObjects = 0;
}  // namespace dshow
