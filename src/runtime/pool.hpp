#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace ostrel {

// The node's work memory: a stack of 64-byte aligned blocks carved out of one block
// obtained at start-up. Releasing a block frees it and everything allocated after it.
void pool_init(std::int64_t size);
void* pool_alloc(std::int64_t size);
void pool_release(void* block);
std::int64_t pool_available();
std::int64_t pool_peak();

// Scoped typed block: released when it goes out of scope, so nested blocks leave the
// pool in reverse order as the stack discipline requires.
template <class T>
class PoolArray {
 public:
  explicit PoolArray(std::int64_t n)
      : data_(static_cast<T*>(pool_alloc(n * static_cast<std::int64_t>(sizeof(T))))), n_(n) {}
  ~PoolArray() { pool_release(data_); }
  PoolArray(const PoolArray&) = delete;
  PoolArray& operator=(const PoolArray&) = delete;

  T* data() { return data_; }
  const T* data() const { return data_; }
  std::int64_t size() const { return n_; }
  T& operator[](std::int64_t i) { return data_[i]; }
  const T& operator[](std::int64_t i) const { return data_[i]; }
  std::span<T> span() { return {data_, static_cast<std::size_t>(n_)}; }
  T* begin() { return data_; }
  T* end() { return data_ + n_; }

 private:
  T* data_;
  std::int64_t n_;
};

}  // namespace ostrel
