#pragma once
// Records every system call the engine makes, with a copy of the bytes it passed.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "memory/MemoryApi.h"

namespace sweeplet::testing {

struct RecordedCall {
  enum Kind { Query, Set } kind;
  uint32_t infoClass;
  uint32_t length;
  std::vector<unsigned char> bytes;  // the buffer as the engine handed it over
};

class FakeMemoryApi : public IMemoryApi {
 public:
  bool fillCounters = true;
  GlobalMemoryCounters counters;
  int32_t queryStatus = 0;
  std::vector<unsigned char> queryReply;  // copied into the buffer of a successful query
  int32_t setStatus = 0;
  std::vector<RecordedCall> calls;

  void ReadGlobalCounters(GlobalMemoryCounters& out) noexcept override {
    if (fillCounters) out = counters;
  }
  int32_t QuerySystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept override {
    Record(RecordedCall::Query, infoClass, buffer, length);
    if (queryStatus == 0) std::memcpy(buffer, queryReply.data(), std::min<size_t>(length, queryReply.size()));
    return queryStatus;
  }
  int32_t SetSystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept override {
    Record(RecordedCall::Set, infoClass, buffer, length);
    return setStatus;
  }

  // A file-cache reply of the 64-bit layout: current size at offset 0, peak size at offset 8.
  void ReplyFileCache(uint64_t current, uint64_t peak) {
    queryReply.assign(64, 0xCD);  // the rest of the block is of no interest to the engine
    std::memcpy(queryReply.data(), &current, 8);
    std::memcpy(queryReply.data() + 8, &peak, 8);
  }

 private:
  void Record(RecordedCall::Kind kind, uint32_t infoClass, void* buffer, uint32_t length) {
    const auto* p = static_cast<const unsigned char*>(buffer);
    calls.push_back({kind, infoClass, length, std::vector<unsigned char>(p, p + length)});
  }
};

}  // namespace sweeplet::testing
