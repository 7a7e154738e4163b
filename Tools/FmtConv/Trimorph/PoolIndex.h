// The lookup index behind ObjSet::FindOrAdd.
//
// A pool answers FindOrAdd with the first entry, counted from the front of its list, whose value
// equals the one asked for. The index gives that same answer without walking the list. It is
// built from the list, back to front, when FindOrAdd first needs it, and again after the list
// has been reordered (Sort); new entries, which go to the front, are added to it as they come.
//
// - Exact pools (ObjTraits<T>::Hash) keep an open-addressing hash table. Values that are equal
//   must hash alike. Every entry is held with a sequence number that grows towards the front of
//   the list, so that of several equal entries (made by Add, which does not search) the one
//   nearest the front is found.
// - Tolerant pools (ObjTraits<T>::NEAR_COMPONENTS > 0) match when every float component differs
//   by strictly less than NEAR_TOLERANCE. They keep a uniform grid of cells 1/128 wide (a power
//   of two, so that cell numbers are exact). An entry is listed in every cell that holds a value
//   within tolerance of it: per component the one or two cells that the window of +-0.0010001
//   around it touches. A search then looks into the one cell of the value asked for, whose list
//   holds every entry within tolerance of it in the order of the pool's list: the first match is
//   the answer.
//   A component of 2^24 or more in magnitude has no other float within tolerance; it gets a
//   cell of its own value. A value with a NaN or infinite component never matches (the
//   difference is NaN), so it is not listed at all. Cells whose hashes collide share a list.
//
// The index allocates with the standard containers; a failure throws std::bad_alloc, which ends
// the conversion like every allocation failure of the converter.
//
// Exact pools decide with the pool's own equality; tolerant pools with the components, which
// are what their equality compares.
#ifndef TRIMORPH_POOLINDEX_H
#define TRIMORPH_POOLINDEX_H

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "ShapeMath.h"

template <class T>
struct ObjEntry;
template <class T>
struct ObjTraits;

//--------------------------------------------------------------------------------------------
// Hashing helpers for ObjTraits<T>::Hash
//--------------------------------------------------------------------------------------------

// A 64-bit finaliser that spreads every input bit over the whole word.
inline uint64_t PoolMix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

template <class V>
uint64_t PoolWord(const V& v) {
  if constexpr (std::is_pointer_v<V>) {
    return uint64_t(reinterpret_cast<uintptr_t>(v));
  } else {
    static_assert(std::is_integral_v<V> || std::is_enum_v<V>, "hash integers and references");
    return uint64_t(v);
  }
}

// The hash of a sequence of integers and references (by identity): multiplicative, so that its
// upper half, which the index uses, depends on every bit of every value.
template <class... V>
uint64_t PoolHash(const V&... values) {
  uint64_t h = 0;
  ((h = (h + PoolWord(values)) * 0x9e3779b97f4a7c15ULL), ...);
  return h ^ (h >> 29);
}

// The number of float components a tolerant pool compares, 0 for an exact pool.
template <class Traits, class = void>
struct PoolNearComponents : std::integral_constant<int, 0> {};
template <class Traits>
struct PoolNearComponents<Traits, std::void_t<decltype(Traits::NEAR_COMPONENTS)>>
    : std::integral_constant<int, Traits::NEAR_COMPONENTS> {};

//--------------------------------------------------------------------------------------------
// The index
//--------------------------------------------------------------------------------------------

// What the pool needs from its index without knowing the value type's hashing: pools filled
// only with Add (triangles) never create an index, and their values need no hash.
template <class T>
class PoolIndexBase {
 public:
  virtual ~PoolIndexBase() = default;
  // Takes a new front entry that was added without a search (it may equal an entry held).
  virtual void InsertFront(ObjEntry<T>* e) = 0;
};

template <class T, int N = PoolNearComponents<ObjTraits<T>>::value>
class PoolIndex;

// Exact pools: open addressing with linear probing over (entry, hash, sequence number).
template <class T>
class PoolIndex<T, 0> final : public PoolIndexBase<T> {
 public:
  typedef ObjEntry<T> Entry;

  // Holds every entry of the list that starts at first.
  explicit PoolIndex(Entry* first) {
    std::vector<Entry*> list;
    for (Entry* e = first; e; e = e->mNext) list.push_back(e);
    Reserve(list.size());
    for (size_t i = list.size(); i-- > 0;) InsertFront(list[i]);
  }

  // The entry a walk from the front would return for value, or null.
  Entry* Find(const T& value) const {
    const uint32_t hash = Hash32(value);
    Entry* best = nullptr;
    uint32_t bestSeq = 0;
    for (size_t i = hash & mMask; mSlots[i].entry; i = (i + 1) & mMask) {
      const Slot& s = mSlots[i];
      if (s.hash != hash || (best && s.seq < bestSeq)) continue;
      if (!ObjTraits<T>::Equal(s.entry->mObj, value)) continue;
      if (mUnique) return s.entry;
      best = s.entry;
      bestSeq = s.seq;
    }
    return best;
  }

  // Takes a new front entry whose value Find has just reported absent.
  void InsertNewFront(Entry* e) { Insert(e); }

  void InsertFront(Entry* e) override {
    if (mUnique && Find(e->mObj)) mUnique = false;
    Insert(e);
  }

 private:
  struct Slot {
    Entry* entry;
    uint32_t hash;  // kept, so that the table grows without reading the entries
    uint32_t seq;   // grows towards the front of the list
  };

  // The upper half of the hash: it chooses the slot and tells most unequal values apart.
  static uint32_t Hash32(const T& value) { return uint32_t(ObjTraits<T>::Hash(value) >> 32); }

  void Insert(Entry* e) {
    if (2 * (mCount + 1) > mSlots.size()) Reserve(mCount + 1);
    Place({e, Hash32(e->mObj), mNextSeq++});
    ++mCount;
  }

  void Place(const Slot& slot) {
    size_t i = slot.hash & mMask;
    while (mSlots[i].entry) i = (i + 1) & mMask;
    mSlots[i] = slot;
  }

  // Room for n entries at a load of at most one half.
  void Reserve(size_t n) {
    size_t size = 16;
    while (size < 2 * n) size *= 2;
    if (size <= mSlots.size()) return;
    std::vector<Slot> old(size, Slot{nullptr, 0, 0});
    old.swap(mSlots);
    mMask = size - 1;
    for (const Slot& s : old) {
      if (s.entry) Place(s);
    }
  }

  std::vector<Slot> mSlots = std::vector<Slot>(16, Slot{nullptr, 0, 0});
  size_t mMask = 15;
  size_t mCount = 0;
  uint32_t mNextSeq = 0;
  // No two entries held are equal, so the first match is the only one.
  bool mUnique = true;
};

// Tolerant pools: a hash of grid cells, each cell a list of entries in the order of the pool's
// list, front first.
template <class T, int N>
class PoolIndex final : public PoolIndexBase<T> {
 public:
  typedef ObjEntry<T> Entry;

  explicit PoolIndex(Entry* first) {
    std::vector<Entry*> list;
    for (Entry* e = first; e; e = e->mNext) list.push_back(e);
    for (size_t i = list.size(); i-- > 0;) InsertFront(list[i]);
  }

  Entry* Find(const T& value) const {
    float v[N];
    ObjTraits<T>::Components(value, v);
    int64_t cell[N];
    for (int k = 0; k < N; ++k) {
      const double d = v[k];
      if (std::fabs(d) < LARGE) {
        cell[k] = Floor(d * CELLS_PER_UNIT);
      } else {
        if (!std::isfinite(d)) return nullptr;
        cell[k] = LargeCell(v[k]);
      }
    }
    // The cell's list holds every entry within tolerance of any value of the cell, front first:
    // the first match is the answer. Near compares exactly what the pool's Equal compares (the
    // components, within NEAR_TOLERANCE), so the entry itself need not be read.
    for (int32_t i = Head(CellKey(cell)); i >= 0;) {
      const Item& item = ItemAt(i);
      if (Near(item.v, v)) return item.entry;
      i = item.next;
    }
    return nullptr;
  }

  void InsertNewFront(Entry* e) { InsertFront(e); }

  void InsertFront(Entry* e) override {
    Item item;
    item.entry = e;
    ObjTraits<T>::Components(e->mObj, item.v);
    // The entry goes into every cell whose values can lie within tolerance of it: one or two
    // per component.
    int64_t lo[N], hi[N], cell[N];
    for (int k = 0; k < N; ++k) {
      if (!std::isfinite(item.v[k])) return;  // never matches anything
      Window(item.v[k], lo[k], hi[k]);
      cell[k] = lo[k];
    }
    for (;;) {
      AddToCell(CellKey(cell), item);
      int k = 0;
      while (k < N && cell[k] == hi[k]) cell[k] = lo[k], ++k;
      if (k == N) break;
      ++cell[k];
    }
  }

 private:
  // Components of this magnitude or more are at least 1 apart from any other float.
  static constexpr double LARGE = 16777216.0;  // 2^24
  static constexpr double CELLS_PER_UNIT = 128.0;
  // Wider than the tolerance by far more than the rounding of v +- WINDOW for |v| < 2^24, and
  // narrower than half a cell, so that an entry is listed in at most two cells per component.
  static constexpr double WINDOW = 0.0010001;
  // Cell numbers of large components lie beyond every cell number of the grid (|n| <= 2^31).
  static constexpr int64_t LARGE_CELLS = int64_t(1) << 40;

  struct Item {
    Entry* entry;
    int32_t next;  // the item of the same cell next further back in the pool's list, or -1
    float v[N];    // the entry's components
  };
  struct Slot {
    uint32_t key;  // the cell's hash; it also chooses the slot
    int32_t head;  // the cell's front item, or -1 for a free slot
  };

  static int64_t LargeCell(float f) {
    uint32_t bits;
    memcpy(&bits, &f, sizeof bits);
    return LARGE_CELLS + int64_t(bits);
  }

  // floor(x) for |x| < 2^62. The cell of a value d below LARGE in magnitude is
  // Floor(d * CELLS_PER_UNIT): exact, since the scale is a power of two, and never decreasing as
  // d grows.
  static int64_t Floor(double x) {
    int64_t t = int64_t(x);  // towards zero
    return double(t) > x ? t - 1 : t;
  }

  // The cells of all values within tolerance of f. A value g with |g - f| < NEAR_TOLERANCE
  // lies in [f - WINDOW, f + WINDOW] even after rounding, so its cell lies in [lo, hi].
  static void Window(float f, int64_t& lo, int64_t& hi) {
    const double d = f;
    if (std::fabs(d) >= LARGE) {
      lo = hi = LargeCell(f);
      return;
    }
    lo = Floor((d - WINDOW) * CELLS_PER_UNIT);
    hi = Floor((d + WINDOW) * CELLS_PER_UNIT);
  }

  // A multiplicative hash of the cell numbers; its upper bits, folded into the lower ones, give
  // the slot.
  static uint32_t CellKey(const int64_t* cell) {
    uint64_t h = 0;
    for (int k = 0; k < N; ++k) h = (h + uint64_t(cell[k])) * 0x9e3779b97f4a7c15ULL;
    return uint32_t((h >> 32) ^ (h >> 17));
  }

  static bool Near(const float* a, const float* b) {
    for (int k = 0; k < N; ++k) {
      if (!(std::fabs(double(a[k]) - double(b[k])) < double(NEAR_TOLERANCE))) return false;
    }
    return true;
  }

  int32_t Head(uint32_t key) const {
    for (size_t i = key & mMask;; i = (i + 1) & mMask) {
      const Slot& s = mSlots[i];
      if (s.head < 0 || s.key == key) return s.head;
    }
  }

  // Two cells whose keys collide share one list; that costs comparisons, never an answer.
  void AddToCell(uint32_t key, Item item) {
    if (2 * (mCells + 1) > mSlots.size()) Grow();
    size_t i = key & mMask;
    while (mSlots[i].head >= 0 && mSlots[i].key != key) i = (i + 1) & mMask;
    if (mSlots[i].head < 0) {
      mSlots[i].key = key;
      ++mCells;
    }
    item.next = mSlots[i].head;
    if ((mItemCount & (ITEM_BLOCK - 1)) == 0) {
      std::unique_ptr<Item[]> block(new Item[ITEM_BLOCK]);
      mItemBlocks.push_back(std::move(block));
    }
    mItemBlocks.back()[mItemCount & (ITEM_BLOCK - 1)] = item;
    mSlots[i].head = int32_t(mItemCount++);
  }

  void Grow() {
    std::vector<Slot> old(mSlots.size() * 2, Slot{0, -1});
    old.swap(mSlots);
    mMask = mSlots.size() - 1;
    for (const Slot& s : old) {
      if (s.head < 0) continue;
      size_t i = s.key & mMask;
      while (mSlots[i].head >= 0) i = (i + 1) & mMask;
      mSlots[i] = s;
    }
  }

  const Item& ItemAt(int32_t i) const {
    return mItemBlocks[size_t(i) / ITEM_BLOCK][size_t(i) & (ITEM_BLOCK - 1)];
  }

  // The items, one per entry and cell, in the order they were made, in blocks that stay where
  // they are: the index grows without copying them.
  static constexpr size_t ITEM_BLOCK = 4096;
  std::vector<std::unique_ptr<Item[]>> mItemBlocks;
  size_t mItemCount = 0;
  std::vector<Slot> mSlots = std::vector<Slot>(16, Slot{0, -1});
  size_t mMask = 15;
  size_t mCells = 0;
};

#endif  // TRIMORPH_POOLINDEX_H
