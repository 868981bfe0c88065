// FArray: the 1-based, column-major arrays of the data model.
//
// `IP(2, n)` reads as `s.IP(2, n)`: indices start at 1, the first index runs
// fastest, and the storage is one contiguous block, so a whole array can be
// written to or read from a binary restart record with data() and size().
// Indices are bounds-checked in debug builds only; the hot paths pay nothing.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace qmxv {

template <typename T, int Rank>
class FArray {
  static_assert(Rank >= 1 && Rank <= 4, "FArray supports ranks 1 to 4");

 public:
  using value_type = T;

  FArray() { extent_.fill(0); }

  template <typename... E>
  explicit FArray(E... extents) {
    allocate(extents...);
  }

  // Sets the extents (each at least 0) and fills every entry with T{}.
  template <typename... E>
  void allocate(E... extents) {
    static_assert(sizeof...(E) == Rank, "one extent per dimension");
    std::array<std::int64_t, Rank> e{static_cast<std::int64_t>(extents)...};
    std::size_t n = 1;
    for (int d = 0; d < Rank; ++d) {
      assert(e[d] >= 0);
      extent_[d] = static_cast<int>(e[d]);
      n *= static_cast<std::size_t>(e[d]);
    }
    data_.assign(n, T{});
  }

  // New extents, keeping every entry whose indices lie inside both the old and
  // the new extents (the growable arrays: molecules, index lists, nodes).
  template <typename... E>
  void resize(E... extents) {
    static_assert(sizeof...(E) == Rank, "one extent per dimension");
    FArray<T, Rank> old;
    old.extent_ = extent_;
    old.data_.swap(data_);
    allocate(extents...);
    copy_overlap(old);
  }

  void clear() {
    data_.clear();
    data_.shrink_to_fit();
    extent_.fill(0);
  }

  template <typename... I>
  T& operator()(I... idx) {
    return data_[offset(idx...)];
  }
  template <typename... I>
  const T& operator()(I... idx) const {
    return data_[offset(idx...)];
  }

  int extent(int dim) const { return extent_[dim - 1]; }
  std::size_t size() const { return data_.size(); }
  bool empty() const { return data_.empty(); }
  T* data() { return data_.data(); }
  const T* data() const { return data_.data(); }
  std::size_t bytes() const { return data_.size() * sizeof(T); }
  void fill(const T& v) { std::fill(data_.begin(), data_.end(), v); }

 private:
  template <typename... I>
  std::size_t offset(I... idx) const {
    static_assert(sizeof...(I) == Rank, "one index per dimension");
    const int ix[Rank] = {static_cast<int>(idx)...};
    std::size_t off = 0;
    std::size_t stride = 1;
    for (int d = 0; d < Rank; ++d) {
      assert(ix[d] >= 1 && ix[d] <= extent_[d] && "FArray index out of bounds");
      off += static_cast<std::size_t>(ix[d] - 1) * stride;
      stride *= static_cast<std::size_t>(extent_[d]);
    }
    return off;
  }

  void copy_overlap(const FArray& old) {
    if (old.data_.empty() || data_.empty()) return;
    std::array<int, Rank> lim;
    for (int d = 0; d < Rank; ++d) lim[d] = std::min(old.extent_[d], extent_[d]);
    // Copy column by column (first index contiguous in both arrays).
    std::array<int, Rank> ix;
    ix.fill(1);
    for (;;) {
      std::size_t src = 0, dst = 0, ss = 1, ds = 1;
      for (int d = 1; d < Rank; ++d) {
        ss *= static_cast<std::size_t>(old.extent_[d - 1]);
        ds *= static_cast<std::size_t>(extent_[d - 1]);
        src += static_cast<std::size_t>(ix[d] - 1) * ss;
        dst += static_cast<std::size_t>(ix[d] - 1) * ds;
      }
      for (int i = 0; i < lim[0]; ++i) data_[dst + i] = old.data_[src + i];
      int d = 1;
      for (; d < Rank; ++d) {
        if (++ix[d] <= lim[d]) break;
        ix[d] = 1;
      }
      if (d == Rank) break;
    }
  }

  std::array<int, Rank> extent_{};
  std::vector<T> data_;
};

template <typename T>
using FArray1 = FArray<T, 1>;
template <typename T>
using FArray2 = FArray<T, 2>;
template <typename T>
using FArray3 = FArray<T, 3>;
template <typename T>
using FArray4 = FArray<T, 4>;

}  // namespace qmxv
