// The lookup index behind ObjSet::FindOrAdd.
//
// A pool answers FindOrAdd with the first entry, counted from the front of its list, whose value
// equals the one asked for. The index gives that same answer without walking the list. It is
// built from the list, back to front, when FindOrAdd first needs it, and again after the list
// has been reordered (Sort); new entries, which go to the front, are added to it as they come.
// Every entry held gets a sequence number that grows towards the front of the list, so that of
// several matching entries the one nearest the front is the answer.
//
// Both kinds of index are one flat table with open addressing (FlatTable), searched by one probe
// routine that offers every slot carrying the hash asked for to the caller's test. A table holds
// at most half as many entries as it has slots.
//
// - Exact pools (ObjTraits<T>::Hash): a slot holds the hash, the sequence number and the entry.
//   Values that are equal must hash alike; the entry's value is read only when the hashes agree.
// - Tolerant pools (ObjTraits<T>::NEAR_COMPONENTS > 0) match when every float component differs
//   by strictly less than NEAR_TOLERANCE. A slot holds the entry's components besides the entry,
//   so a search reads no entry: the value is filed under the cell of a uniform grid that holds
//   it, and a search looks into every cell that the window of +-0.0010001 around the value asked
//   for touches, one or two per component, keeping the matching entry with the greatest sequence
//   number. Cells are 2^-g units wide (a power of two, so that cell numbers are exact), g from
//   -4 to 8: the index starts with cells of 1/256 and chooses wider or narrower ones as it finds
//   the cells it searches nearly empty or crowded (Adapt), filing its entries again.
//   A component of more than 2^14 in magnitude has no other float within tolerance; it gets a
//   cell of its own value. A value with a NaN or infinite component never matches (the
//   difference is NaN), so it is not filed at all. Cells whose hashes collide are searched
//   together.
//
// Pools filled by FindOrAdd alone hold no two entries that match each other: an entry is made
// only when no entry held matches its value, and the later entries are made the same way. The
// index keeps track of that (an entry that Add makes may break it). While it holds, the entry
// that matches a value is the only one, whatever the order of the list:
// - in an exact pool the first equal entry found is the answer;
// - in a tolerant pool an entry whose components have the very bits of the value asked for is
//   the answer: any other entry within tolerance of the value would be within tolerance of that
//   entry. A search therefore stops at such an entry in the value's own cell (the exact-bits
//   fast path), and ObjSet::FindOrAdd with a likely entry returns that entry after comparing it
//   alone (Confirm).
//
// A caller that asks a tolerant pool for the same value again and again keeps a PoolHint of its
// last search. The answer is still the entry found then unless an entry has been filed since in
// a cell that the value's window touches: the index stamps every cell (by its hash) with the
// sequence number it last filed there, and takes the hint back when no stamp of the window is
// newer than the hint (Recall).
//
// The index allocates with the throwing forms; a failure throws std::bad_alloc, which ends the
// conversion like every allocation failure of the converter.
#ifndef TRIMORPH_POOLINDEX_H
#define TRIMORPH_POOLINDEX_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>
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
// The flat table and its probe routine
//--------------------------------------------------------------------------------------------

// Open addressing with linear probing over slots that carry a 32-bit hash (`hash`) and a
// sequence number (`seq`, 0 in a free slot), kept in the order of Robin Hood hashing: a slot
// goes to the first place of its run where it is farther from its home slot (the one its hash
// chooses) than the slot it finds there, which moves on in its place. The slots of one home
// thus lie side by side, and a search stops at the first slot that is nearer its own home than
// the search has come from the home it looks for. Nothing is ever removed singly.
template <class Slot>
class FlatTable {
 public:
  FlatTable() { Resize(MIN_SLOTS); }

  // Offers every slot that carries hash to visit, until visit returns true. Returns whether it
  // did.
  template <class Visit>
  bool Probe(uint32_t hash, Visit&& visit) const {
    const Slot* slots = mSlots.get();
    const size_t home = hash & mMask;
    for (size_t d = 0;; ++d) {
      const size_t i = (home + d) & mMask;
      const Slot& s = slots[i];
      if (s.seq == 0 || Distance(s, i) < d) return false;
      if (s.hash == hash && visit(s)) return true;
    }
  }

  // Asks the memory for the home slot of hash, ahead of a Probe.
  void Prefetch(uint32_t hash) const {
#if defined(__GNUC__)
    __builtin_prefetch(&mSlots[hash & mMask]);
#else
    (void)hash;
#endif
  }

  void Insert(const Slot& slot) {
    if (2 * (mCount + 1) > mMask + 1) Reserve(mCount + 1);
    Place(slot);
    ++mCount;
  }

  // Room for n slots in use without growing again.
  void Reserve(size_t n) {
    size_t size = MIN_SLOTS;
    while (size < 2 * n) size *= 2;
    if (size > mMask + 1) Resize(size);
  }

  // Gives every slot the hash that rehash(slot) returns, and places them all again.
  template <class Rehash>
  void RehashAll(Rehash&& rehash) {
    std::unique_ptr<Slot[]> old(new Slot[mMask + 1]());
    old.swap(mSlots);
    for (size_t i = 0; i <= mMask; ++i) {
      if (old[i].seq == 0) continue;
      Slot slot = old[i];
      slot.hash = rehash(slot);
      Place(slot);
    }
  }

  size_t Count() const {
    return mCount;
  }

 private:
  static constexpr size_t MIN_SLOTS = 16;

  // How far slot s, found at place i, lies from its home.
  size_t Distance(const Slot& s, size_t i) const {
    return (i - (s.hash & mMask)) & mMask;
  }

  void Place(Slot slot) {
    size_t i = slot.hash & mMask;
    for (size_t d = 0;; i = (i + 1) & mMask, ++d) {
      Slot& s = mSlots[i];
      if (s.seq == 0) {
        s = slot;
        return;
      }
      const size_t sd = Distance(s, i);
      if (sd < d) {
        std::swap(s, slot);
        d = sd;
      }
    }
  }

  // Moves the slots into a table of size slots. The order of the slots of one hash does not
  // matter: every search looks at all of them.
  void Resize(size_t size) {
    std::unique_ptr<Slot[]> old(new Slot[size]());
    old.swap(mSlots);
    const size_t oldSize = old ? mMask + 1 : 0;
    mMask = size - 1;
    for (size_t i = 0; i < oldSize; ++i) {
      if (old[i].seq != 0) Place(old[i]);
    }
  }

  std::unique_ptr<Slot[]> mSlots;
  size_t mMask = 0;
  size_t mCount = 0;
};

//--------------------------------------------------------------------------------------------
// The index
//--------------------------------------------------------------------------------------------

// What the pool needs from its index without knowing the value type's hashing: pools filled
// only with Add (triangles) never create an index, and their values need no hash.
template <class T>
class PoolIndexBase {
 public:
  virtual ~PoolIndexBase() = default;
  // Takes a new front entry that was added without a search (it may match an entry held).
  virtual void InsertFront(ObjEntry<T>* e) = 0;
};

template <class T, int N = PoolNearComponents<ObjTraits<T>>::value>
class PoolIndex;

// Exact pools.
template <class T>
class PoolIndex<T, 0> final : public PoolIndexBase<T> {
 public:
  typedef ObjEntry<T> Entry;

  // Holds every entry of the list that starts at first.
  explicit PoolIndex(Entry* first) {
    std::vector<Entry*> list;
    for (Entry* e = first; e; e = e->mNext) list.push_back(e);
    mTable.Reserve(list.size());
    for (size_t i = list.size(); i-- > 0;) InsertFront(list[i]);
  }

  // The entry a walk from the front would return for value, or null.
  Entry* Find(const T& value) const {
    Entry* best = nullptr;
    uint32_t bestSeq = 0;
    mTable.Probe(Hash32(value), [&](const Slot& s) {
      if (s.seq < bestSeq || !ObjTraits<T>::Equal(s.entry->mObj, value)) return false;
      best = s.entry;
      bestSeq = s.seq;
      return mUnique;
    });
    return best;
  }

  // likely when it is the entry a walk from the front would return for value; null when that
  // cannot be told from likely alone.
  Entry* Confirm(Entry* likely, const T& value) const {
    return likely && mUnique && ObjTraits<T>::Equal(likely->mObj, value) ? likely : nullptr;
  }

  // Takes a new front entry whose value Find has just reported absent.
  void InsertNewFront(Entry* e) { Insert(e); }

  void InsertFront(Entry* e) override {
    if (mUnique && Find(e->mObj)) mUnique = false;
    Insert(e);
  }

  void Reserve(size_t n) { mTable.Reserve(n); }

 private:
  struct Slot {
    uint32_t hash;
    uint32_t seq;  // grows towards the front of the list; 0 in a free slot
    Entry* entry;
  };

  // The upper half of the hash: it chooses the slot and tells most unequal values apart.
  static uint32_t Hash32(const T& value) { return uint32_t(ObjTraits<T>::Hash(value) >> 32); }

  void Insert(Entry* e) { mTable.Insert({Hash32(e->mObj), ++mLastSeq, e}); }

  FlatTable<Slot> mTable;
  uint32_t mLastSeq = 0;
  // No two entries held are equal, so the first match is the only one.
  bool mUnique = true;
};

// What a caller of a tolerant pool remembers of one search, to ask for the same value again
// (see PoolIndex::Recall): the value, the entry found for it, and how far the index had come.
template <class T>
struct PoolHint {
  ObjEntry<T>* entry = nullptr;  // the answer, or null when nothing is remembered
  T value{};                     // the value asked for
  uint32_t seq = 0;              // the index's latest sequence number at the time
  uint32_t epoch = 0;            // the index's filing at the time
  bool exact = false;            // the entry holds the very bits of value, all finite
};

// Tolerant pools.
template <class T, int N>
class PoolIndex final : public PoolIndexBase<T> {
 public:
  typedef ObjEntry<T> Entry;

  // The finest and the coarsest grid: cells of 1/256 and of 16 units.
  static constexpr int FINEST_GRID = 8;
  static constexpr int COARSEST_GRID = -4;

  // grid: the grid to start with, cells of 2^-grid units, in [COARSEST_GRID, FINEST_GRID].
  explicit PoolIndex(Entry* first, int grid = FINEST_GRID) : mStamps(STAMPS, 0) {
    SetGrid(grid);
    std::vector<Entry*> list;
    for (Entry* e = first; e; e = e->mNext) list.push_back(e);
    Reserve(list.size());
    for (size_t i = list.size(); i-- > 0;) InsertFront(list[i]);
  }

  // The entry a walk from the front would return for value, or null.
  Entry* Find(const T& value) {
    float v[N];
    ObjTraits<T>::Components(value, v);
    Window w;
    if (!Around(v, w)) return nullptr;  // a value that is not finite never matches
    for (int i = 0; i < w.numOthers; ++i) mTable.Prefetch(w.others[i]);

    // The value's own cell, where an entry of the very same bits would be.
    uint32_t best = 0;
    Entry* found = nullptr;
    ++mProbes;
    const bool exact = mTable.Probe(w.own, [&](const Slot& s) {
      ++mMatches;
      if (mUnique && SameBits(s.v, v)) {
        found = s.entry;
        return true;
      }
      if (s.seq > best && Near(s.v, v)) best = s.seq, found = s.entry;
      return false;
    });
    for (int i = 0; !exact && i < w.numOthers; ++i) {
      ++mProbes;
      mTable.Probe(w.others[i], [&](const Slot& s) {
        ++mMatches;
        if (s.seq > best && Near(s.v, v)) best = s.seq, found = s.entry;
        return false;
      });
    }
    if (mProbes >= mNextAdapt) Adapt();
    return found;
  }

  // likely when it is the entry a walk from the front would return for value; null when that
  // cannot be told from likely alone. An entry whose components have the very bits of value's,
  // all finite, is the answer while no two entries held match each other.
  Entry* Confirm(Entry* likely, const T& value) const {
    if (!likely || !mUnique) return nullptr;
    float a[N], b[N];
    ObjTraits<T>::Components(likely->mObj, a);
    ObjTraits<T>::Components(value, b);
    return Finite(b) && SameBits(a, b) ? likely : nullptr;
  }

  // The entry that hint remembers, when it is still the answer for value; null when that
  // cannot be told without a search. It is, when hint was made (Remember) for a value of the
  // very same bits and either the entry holds those bits (as Confirm) or no entry has been
  // filed since in a cell that a value within tolerance of value could lie in: the answer is
  // the matching entry nearest the front, and every entry filed later lies in front of the
  // older ones.
  Entry* Recall(const PoolHint<T>& hint, const T& value) const {
    if (!hint.entry) return nullptr;
    float a[N], b[N];
    ObjTraits<T>::Components(hint.value, a);
    ObjTraits<T>::Components(value, b);
    if (!SameBits(a, b)) return nullptr;
    if (hint.exact && mUnique) return hint.entry;
    if (hint.epoch != mEpoch) return nullptr;
    Window w;
    if (!Around(b, w) || Stamp(w.own) > hint.seq) return nullptr;
    for (int i = 0; i < w.numOthers; ++i) {
      if (Stamp(w.others[i]) > hint.seq) return nullptr;
    }
    return hint.entry;
  }

  // Makes hint remember that e is the answer for value now.
  void Remember(PoolHint<T>& hint, Entry* e, const T& value) const {
    float a[N], b[N];
    ObjTraits<T>::Components(e->mObj, a);
    ObjTraits<T>::Components(value, b);
    hint.entry = e;
    hint.value = value;
    hint.seq = mLastSeq;
    hint.epoch = mEpoch;
    hint.exact = Finite(b) && SameBits(a, b);
  }

  void InsertNewFront(Entry* e) { Insert(e); }

  void InsertFront(Entry* e) override {
    if (mUnique && Find(e->mObj)) mUnique = false;
    Insert(e);
  }

  void Reserve(size_t n) { mTable.Reserve(n); }

  // The grid in use: cells of 2^-Grid() units.
  int Grid() const { return mGrid; }

 private:
  // A component of more than this magnitude has no other float within tolerance: its
  // neighbours lie at least 2^-9 apart.
  static constexpr double LARGE = 16384.0;  // 2^14
  // The half width of the window around a value that holds every value within tolerance of it:
  // wider than the tolerance, narrower than half the finest cell, so that a window reaches into
  // at most one other cell per component.
  static constexpr double WINDOW = 0.0010001;
  // Cell numbers of large components lie beyond every cell number of the grids (|n| <= 2^22).
  static constexpr int64_t LARGE_CELLS = int64_t(1) << 40;
  // The grid is chosen again after this many searches of cells, or as many as the index holds
  // entries if that is more: filing the entries again costs no more than one insertion per
  // search.
  static constexpr size_t ADAPT_PROBES = 4096;
  // Stamps: the latest sequence number filed under a cell, by the lower bits of its hash.
  static constexpr size_t STAMPS = 1 << 14;

  struct Slot {
    uint32_t hash;  // the hash of the entry's cell
    uint32_t seq;   // grows towards the front of the list; 0 in a free slot
    float v[N];     // the entry's components
    Entry* entry;
  };

  // The cells a value within tolerance of a value can lie in: the hash of the value's own cell,
  // and those of the others.
  struct Window {
    uint32_t own;
    uint32_t others[(1 << N) - 1];
    int numOthers;
  };

  static bool Finite(const float* v) {
    for (int k = 0; k < N; ++k) {
      if (!std::isfinite(v[k])) return false;
    }
    return true;
  }

  // The window of v; false when v is not finite. Per component the values within tolerance
  // lie in the component's own cell and, when the window around it reaches across a border,
  // in the neighbouring cell there: the cells are every combination of these. The hash of a
  // cell is linear in its cell numbers, so a neighbour's hash is the own cell's plus a step.
  bool Around(const float* v, Window& w) const {
    uint64_t h = 0;
    uint64_t step[N] = {};
    unsigned reach = 0;  // bit k: the window reaches into the neighbour step[k] away
    for (int k = 0; k < N; ++k) {
      if (!std::isfinite(v[k])) return false;
      const double d = v[k];
      if (!(std::fabs(d) <= LARGE)) {
        h += uint64_t(LargeCell(v[k])) * WEIGHTS[k];
        continue;
      }
      // Exact: the scale is a power of two and |s| < 2^23, so s - cell is exact too. A value
      // g with |g - d| < NEAR_TOLERANCE lies within mReach of s once scaled.
      const double s = d * mScale;
      const int64_t cell = Floor(s);
      h += uint64_t(cell) * WEIGHTS[k];
      const double within = s - double(cell);
      if (within < mReach) {
        reach |= 1u << k;
        step[k] = uint64_t(0) - WEIGHTS[k];
      } else if (within > 1.0 - mReach) {
        reach |= 1u << k;
        step[k] = WEIGHTS[k];
      }
    }
    w.own = Fold(h);
    w.numOthers = 0;
    for (unsigned pick = reach; pick != 0; pick = (pick - 1) & reach) {
      uint64_t hk = h;
      for (int k = 0; k < N; ++k) {
        if ((pick >> k) & 1) hk += step[k];
      }
      const uint32_t key = Fold(hk);
      // A cell that shares the own cell's hash is searched with it.
      if (key != w.own) w.others[w.numOthers++] = key;
    }
    return true;
  }

  uint32_t Stamp(uint32_t key) const { return mStamps[key & (STAMPS - 1)]; }

  void SetGrid(int grid) {
    mGrid = grid < COARSEST_GRID ? COARSEST_GRID : grid > FINEST_GRID ? FINEST_GRID : grid;
    mScale = std::ldexp(1.0, mGrid);
    mReach = WINDOW * mScale;
    mProbes = mMatches = 0;
    mNextAdapt = ADAPT_PROBES > mTable.Count() ? ADAPT_PROBES : mTable.Count();
    // Hints made under another filing mean nothing now, and the stamps start afresh.
    mEpoch = NextEpoch();
    std::fill(mStamps.begin(), mStamps.end(), 0);
  }

  static uint32_t NextEpoch() {
    static uint32_t last = 0;
    return ++last;
  }

  // The grid that keeps searches short: when a searched cell holds many entries on average,
  // cells half as wide; when it holds hardly any, cells twice as wide (the window then reaches
  // into other cells less often). The entries are filed again under the cells of the new grid;
  // the answers do not depend on the grid.
  void Adapt() {
    const double perCell = double(mMatches) / double(mProbes);
    int grid = mGrid;
    if (perCell > 2.0 && mGrid < FINEST_GRID) ++grid;
    if (perCell < 0.25 && mGrid > COARSEST_GRID) --grid;
    if (grid == mGrid) {
      mProbes = mMatches = 0;
      mNextAdapt = ADAPT_PROBES > mTable.Count() ? ADAPT_PROBES : mTable.Count();
      return;
    }
    SetGrid(grid);
    mTable.RehashAll([this](const Slot& s) { return CellKey(s.v); });
  }

  static int64_t LargeCell(float f) {
    uint32_t bits;
    memcpy(&bits, &f, sizeof bits);
    return LARGE_CELLS + int64_t(bits);
  }

  // floor(x) for |x| < 2^62.
  static int64_t Floor(double x) {
    int64_t t = int64_t(x);  // towards zero
    return double(t) > x ? t - 1 : t;
  }

  // The hash of a cell is the sum of its cell numbers times these weights (HASH_MUL to the
  // powers N down to 1, modulo 2^64), folded into 32 bits.
  static constexpr uint64_t HASH_MUL = 0x9e3779b97f4a7c15ULL;
  static constexpr uint64_t Weight(int k) {
    uint64_t w = 1;
    for (int i = k; i < N; ++i) w *= HASH_MUL;
    return w;
  }
  static constexpr uint64_t WEIGHTS[4] = {Weight(0), Weight(1), Weight(2), Weight(3)};
  static uint32_t Fold(uint64_t h) { return uint32_t((h >> 32) ^ (h >> 17)); }

  // The hash of the own cell of finite components v. The cell of a component d up to LARGE in
  // magnitude is floor(d * mScale): exact, since the scale is a power of two, and never
  // decreasing as d grows.
  uint32_t CellKey(const float* v) const {
    uint64_t h = 0;
    for (int k = 0; k < N; ++k) {
      const double d = v[k];
      const int64_t cell = std::fabs(d) <= LARGE ? Floor(d * mScale) : LargeCell(v[k]);
      h += uint64_t(cell) * WEIGHTS[k];
    }
    return Fold(h);
  }

  static bool Near(const float* a, const float* b) {
    for (int k = 0; k < N; ++k) {
      if (!(std::fabs(double(a[k]) - double(b[k])) < double(NEAR_TOLERANCE))) return false;
    }
    return true;
  }

  static bool SameBits(const float* a, const float* b) {
    return memcmp(a, b, sizeof(float) * N) == 0;
  }

  void Insert(Entry* e) {
    Slot slot;
    ObjTraits<T>::Components(e->mObj, slot.v);
    if (!Finite(slot.v)) return;  // never matches anything
    slot.hash = CellKey(slot.v);
    slot.seq = ++mLastSeq;
    slot.entry = e;
    mTable.Insert(slot);
    mStamps[slot.hash & (STAMPS - 1)] = slot.seq;
  }

  FlatTable<Slot> mTable;
  uint32_t mLastSeq = 0;
  std::vector<uint32_t> mStamps;
  // No two entries held match each other (see the top of this file).
  bool mUnique = true;
  int mGrid = FINEST_GRID;
  double mScale = 1;  // cells per unit
  double mReach = 0;  // the window's half width in cells
  uint32_t mEpoch = 0;
  // Cells searched and slots of their hash met since the grid was last chosen.
  size_t mProbes = 0;
  size_t mMatches = 0;
  size_t mNextAdapt = 0;
};

#endif  // TRIMORPH_POOLINDEX_H
