// The DirectShow base classes shared with the shipped filters, seen from the testbed's namespace.
#pragma once
#include "dshow/ComObject.h"
#include "dshow/Enumerators.h"
#include "dshow/FilterBase.h"
#include "dshow/Lock.h"
#include "dshow/MediaType.h"
#include "dshow/Pins.h"

namespace testbed {
using namespace dshow;
}  // namespace testbed
