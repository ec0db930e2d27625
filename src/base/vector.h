#pragma once
// A bounds-checked array: a bad index is a fatal error naming the container, the index and the
// highest valid index, never an out-of-bounds access.
#include <cstddef>
#include <utility>
#include <vector>

#include "base/fatal.h"

namespace qs {

template <typename T>
class Vector {
 public:
  explicit Vector(const char* typeName) : typeName_(typeName) {}

  T& operator[](std::ptrdiff_t index) { return items_[Check(index)]; }
  const T& operator[](std::ptrdiff_t index) const { return items_[Check(index)]; }

  void Add(T item) { items_.push_back(std::move(item)); }
  void Clear() { items_.clear(); }
  std::ptrdiff_t Count() const { return static_cast<std::ptrdiff_t>(items_.size()); }
  bool Empty() const { return items_.empty(); }

  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  size_t Check(std::ptrdiff_t index) const {
    if (index < 0 || index >= Count()) {
      FatalError("Vector<%s>[%d]\r\nmax_index = %d", typeName_, static_cast<int>(index),
                 static_cast<int>(Count() - 1));
    }
    return static_cast<size_t>(index);
  }

  const char* typeName_;
  std::vector<T> items_;
};

}  // namespace qs
