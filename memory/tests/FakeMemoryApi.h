#pragma once
// Records every system call the engine makes, with a copy of the bytes it passed.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
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
  // For one information class, a status and a reply of its own instead of the two above.
  std::map<uint32_t, int32_t> queryStatusOf;
  std::map<uint32_t, std::vector<unsigned char>> replyOf;
  int32_t setStatus = 0;
  std::vector<RecordedCall> calls;

  void ReadGlobalCounters(GlobalMemoryCounters& out) noexcept override {
    if (fillCounters) out = counters;
  }
  int32_t QuerySystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept override {
    Record(RecordedCall::Query, infoClass, buffer, length);
    const auto status = queryStatusOf.find(infoClass);
    const int32_t result = status != queryStatusOf.end() ? status->second : queryStatus;
    const auto own = replyOf.find(infoClass);
    const std::vector<unsigned char>& reply = own != replyOf.end() ? own->second : queryReply;
    if (result == 0) std::memcpy(buffer, reply.data(), std::min<size_t>(length, reply.size()));
    return result;
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

  // A memory-list reply of the 64-bit layout, page counts: zeroed, free, modified, and the
  // standby list spread over its eight priorities (the remainder on priority 7).
  static std::vector<unsigned char> MemoryListReply(uint64_t zeroed, uint64_t free, uint64_t modified,
                                                    uint64_t standby) {
    std::vector<unsigned char> reply(176, 0);
    auto put = [&](size_t offset, uint64_t v) { std::memcpy(reply.data() + offset, &v, 8); };
    put(0, zeroed);
    put(8, free);
    put(16, modified);
    put(24, 77);  // modified, not to be written: of no interest
    put(32, 5);   // bad pages: of no interest
    for (size_t i = 0; i < 8; ++i) put(40 + 8 * i, standby / 8 + (i == 7 ? standby % 8 : 0));
    for (size_t i = 0; i < 8; ++i) put(104 + 8 * i, 1000 + i);  // repurposed: of no interest
    return reply;
  }

 private:
  void Record(RecordedCall::Kind kind, uint32_t infoClass, void* buffer, uint32_t length) {
    const auto* p = static_cast<const unsigned char*>(buffer);
    calls.push_back({kind, infoClass, length, std::vector<unsigned char>(p, p + length)});
  }
};

}  // namespace sweeplet::testing
