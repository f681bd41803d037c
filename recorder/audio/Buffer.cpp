#include "recorder/audio/Buffer.h"

#include <new>

CBuffer::CBuffer(int bytes, bool ownsData) : owns(ownsData) {
  data = bytes > 0 ? new (std::nothrow) char[static_cast<size_t>(bytes)] : nullptr;
  size = data ? bytes : 0;
}

CBuffer::CBuffer(void* block, int bytes)
    : data(static_cast<char*>(block)), size(block ? bytes : 0), owns(false) {}

CBuffer::~CBuffer() {
  if (owns) delete[] data;
}
