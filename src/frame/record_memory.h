// Memory for the platform's records (fixed ones, and tables whose size the platform names): the
// one way the library allocates a record, zero-filled and released by its owner.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <type_traits>

// Releases the memory of a record made by AllocateRecord.
struct RecordRelease {
  void operator()(void* record) const noexcept { std::free(record); }
};

// A record in memory of its own, released when its owner goes.
template <class Record>
using RecordPtr = std::unique_ptr<Record, RecordRelease>;

// A zero-filled record of the given size in bytes (the record's own size by default, more for a
// table with its rows); null when the memory cannot be had.
template <class Record>
RecordPtr<Record> AllocateRecord(size_t bytes = sizeof(Record)) {
  static_assert(std::is_trivially_copyable_v<Record>, "records are plain data");
  return RecordPtr<Record>(static_cast<Record*>(std::calloc(1, bytes)));
}
