#include "capture/ComFactory.h"

#include <objbase.h>
#include <utility>

namespace {
ComCreator& Creator() {
  static ComCreator creator;
  return creator;
}
}  // namespace

HRESULT CreateComObject(REFCLSID clsid, DWORD context, REFIID iid, void** out) {
  if (Creator()) return Creator()(clsid, context, iid, out);
  return CoCreateInstance(clsid, nullptr, context, iid, out);
}

ComCreator SetComCreator(ComCreator creator) {
  ComCreator previous = std::move(Creator());
  Creator() = std::move(creator);
  return previous;
}
