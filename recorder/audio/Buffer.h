// A block of bytes that passes between the wave-in device, the WAV file and the level test.
#pragma once
#include <cstddef>

class CBuffer {
public:
  // Allocates `size` bytes (with array new); a block that cannot be had leaves the buffer empty.
  CBuffer(int size, bool owns);
  // Wraps memory that the buffer does not own; null gives an empty buffer.
  CBuffer(void* data, int size);
  virtual ~CBuffer();
  CBuffer(const CBuffer&) = delete;
  CBuffer& operator=(const CBuffer&) = delete;

  char* data = nullptr;
  int size = 0;
  bool owns = false;
};
