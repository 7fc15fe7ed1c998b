// BucketMap: an integer-keyed map that iterates in the order of the
// framework's hash map: bucket (key >> 4) mod the bucket count upwards and,
// inside a bucket, the most recently added key first. The auditing page
// lists the signature activities of a file type in this order, so it must
// not change.
//
// Threads: a plain value, one thread at a time. No Qt.
#ifndef TAV_CONFIG_BUCKET_MAP_H_
#define TAV_CONFIG_BUCKET_MAP_H_

#include <cstdint>
#include <utility>
#include <vector>

namespace tav {

template <typename Value, unsigned kBuckets = 17>
class BucketMap {
 public:
  BucketMap() : buckets_(kBuckets) {}

  // Sets the value of `key`; a new key goes to the front of its bucket, an
  // existing one keeps its place.
  void SetAt(int key, Value value) {
    if (Value* held = Find(key)) {
      *held = std::move(value);
      return;
    }
    auto& bucket = buckets_[Bucket(key)];
    bucket.insert(bucket.begin(), {key, std::move(value)});
  }

  // The value of `key`, or null.
  Value* Find(int key) {
    for (auto& entry : buckets_[Bucket(key)]) {
      if (entry.first == key) return &entry.second;
    }
    return nullptr;
  }
  const Value* Find(int key) const { return const_cast<BucketMap*>(this)->Find(key); }

  // Every key in iteration order.
  std::vector<int> Keys() const {
    std::vector<int> keys;
    for (const auto& bucket : buckets_) {
      for (const auto& entry : bucket) keys.push_back(entry.first);
    }
    return keys;
  }

  bool empty() const {
    for (const auto& bucket : buckets_) {
      if (!bucket.empty()) return false;
    }
    return true;
  }

 private:
  static unsigned Bucket(int key) { return (static_cast<uint32_t>(key) >> 4) % kBuckets; }

  std::vector<std::vector<std::pair<int, Value>>> buckets_;
};

}  // namespace tav

#endif  // TAV_CONFIG_BUCKET_MAP_H_
