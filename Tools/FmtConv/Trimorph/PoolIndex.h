// The lookup index behind ObjSet::FindOrAdd.
//
// A pool answers FindOrAdd with the first entry, counted from the front of its list, whose value
// equals the one asked for. The index gives that same answer without walking the list. It is
// built from the list, back to front, when FindOrAdd first needs it, and again after the list
// has been reordered (Sort); new entries, which go to the front, are added to it as they come.
//
// Both kinds of index are one flat table with open addressing (FlatTable), searched by one probe
// routine that offers the slots carrying the hash asked for to the caller's test, newest first:
// the first slot that passes holds the entry nearest the front of the list.
//
// - Exact pools (ObjTraits<T>::Hash): a slot holds the hash and the entry. Values that are equal
//   must hash alike; the entry's value is read only when the hashes agree.
// - Tolerant pools (ObjTraits<T>::NEAR_COMPONENTS > 0) match when every float component differs
//   by strictly less than NEAR_TOLERANCE. A slot holds the entry's components besides the entry,
//   so a search reads no entry. An entry is filed under every cell of a uniform grid that a
//   value within tolerance of it can lie in (per component its own cell and, near a border, the
//   neighbouring one, so one to 2^N cells), and a search looks into the one cell of the value
//   asked for. Cells are 2^-g units wide (a power of two, so that cell numbers are exact), g
//   from -4 to 8, and centred on the multiples of their width: zero and the round values that
//   models are full of (axis-aligned normals, texture coordinates 0 and 1, a flat floor) lie in
//   the middle of a cell, not on a border, where an entry would be filed under two cells per
//   such component. The index starts with cells of 1/256 and chooses wider or narrower ones as
//   it finds the cells it searches nearly empty or crowded (Adapt), filing its entries again.
//   A component of more than 2^14 in magnitude has no other float within tolerance; it gets a
//   cell of its own value. A value with a NaN or infinite component never matches (the
//   difference is NaN), so it is not filed at all. Cells whose hashes collide share their slots.
//
// A caller that asks a pool for the same value again and again (every face at a mesh vertex asks
// for the vertex's point) keeps a PoolHint of its last search, and the index takes the hint's
// entry back without a search when it can tell that it is still the answer (Recall):
// - Pools filled by FindOrAdd alone hold no two entries that match each other: an entry is made
//   only when no entry held matches its value, and the later entries are made the same way. The
//   index keeps track of that (an entry that Add makes may break it). While it holds, an entry
//   that matches a value is the only one, whatever the order of the list: in an exact pool an
//   equal entry is the answer, and in a tolerant pool an entry whose components have the very
//   bits of the value asked for (any other entry within tolerance of the value would be within
//   tolerance of that entry).
// - In a tolerant pool the answer also stays the entry found before unless an entry has been
//   filed since under the value's own cell: the index stamps every cell (by its hash) with the
//   sequence number it last filed there, and compares the stamp with the hint's.
//
// The index allocates with the throwing forms; a failure throws std::bad_alloc, which ends the
// conversion like every allocation failure of the converter.
#ifndef TRIMORPH_POOLINDEX_H
#define TRIMORPH_POOLINDEX_H

#include <algorithm>
#include <atomic>
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

// Open addressing with linear probing over slots that carry a 32-bit hash (`hash`) and an entry
// (`entry`, null in a free slot), kept in the order of Robin Hood hashing: the slots of one home
// slot (the one their hash chooses) lie side by side, homes in the order of the table, and a
// search stops at the first slot that is nearer its own home than the search has come from the
// home it looks for. Within one home the newest slot comes first: a slot goes in front of the
// slots of its home, which move on, so a search meets the slots of a hash newest first. A table
// holds at most three quarters as many slots as it has places, or a smaller share once its
// owner finds its homes crowded (Loosen). Nothing is ever removed singly.
template <class Slot, int MAX_LOAD_PERCENT>
class FlatTable {
 public:
  FlatTable() { Resize(MIN_SLOTS); }

  // Offers the slots that carry hash to visit, newest first, until visit returns true. Returns
  // whether it did.
  template <class Visit>
  bool Probe(uint32_t hash, Visit&& visit) const {
    const Slot* slots = mSlots.get();
    const size_t home = hash & mMask;
    for (size_t d = 0;; ++d) {
      const size_t i = (home + d) & mMask;
      const Slot& s = slots[i];
      if (!s.entry || Distance(s, i) < d) return false;
      if (s.hash == hash && visit(s)) return true;
    }
  }

  // Asks the memory for the home slot of hash, ahead of an Insert.
  void Prefetch(uint32_t hash) const {
#if defined(__GNUC__)
    __builtin_prefetch(&mSlots[hash & mMask]);
#else
    (void)hash;
#endif
  }

  // Takes a slot newer than every slot held.
  void Insert(const Slot& slot) {
    if (100 * (mCount + 1) > mLoadPercent * (mMask + 1)) Reserve(mCount + 1);
    Place(slot);
    ++mCount;
  }

  // Room for n slots in use without growing again.
  void Reserve(size_t n) {
    size_t size = MIN_SLOTS;
    while (mLoadPercent * size < 100 * n) size *= 2;
    if (size > mMask + 1) Resize(size);
  }

  // From now on holds at most percent slots per hundred places (less than the usual share):
  // for homes that hold many slots each, where every slot placed moves the long runs after it.
  void Loosen(size_t percent) {
    if (percent >= mLoadPercent) return;
    mLoadPercent = percent;
    Reserve(mCount);
  }

  // Empties the table, keeping its size.
  void Clear() {
    std::fill(mSlots.get(), mSlots.get() + mMask + 1, Slot());
    mCount = 0;
  }

  size_t Count() const {
    return mCount;
  }

 private:
  static constexpr size_t MIN_SLOTS = 16;
  // Runs of up to this many slots are moved one slot at a time.
  static constexpr size_t SHORT_RUN = 4;

  // How far slot s, found at place i, lies from its home.
  size_t Distance(const Slot& s, size_t i) const {
    return (i - (s.hash & mMask)) & mMask;
  }

  // Puts slot in front of the slots of its home: at the first place from its home that is free
  // or holds a slot no farther from its own home than slot would be there. The slots from that
  // place up to the next free place (homes in order) move on by one.
  void Place(const Slot& slot) {
    Slot* slots = mSlots.get();
    size_t at = slot.hash & mMask;
    for (size_t d = 0; slots[at].entry && Distance(slots[at], at) > d; ++d) at = (at + 1) & mMask;
    size_t free = at;
    while (slots[free].entry) free = (free + 1) & mMask;
    static_assert(std::is_trivially_copyable_v<Slot>, "slots move as bytes");
    if (free >= at && free - at <= SHORT_RUN) {
      // Most runs are a slot or two long: moved here rather than by a call.
      for (size_t i = free; i != at; --i) slots[i] = slots[i - 1];
    } else if (free >= at) {
      memmove(slots + at + 1, slots + at, (free - at) * sizeof(Slot));
    } else {
      // The run wraps around the end of the table.
      memmove(slots + 1, slots, free * sizeof(Slot));
      slots[0] = slots[mMask];
      memmove(slots + at + 1, slots + at, (mMask - at) * sizeof(Slot));
    }
    slots[at] = slot;
  }

  // Moves the slots into a table of size slots. The old table is read backwards, starting next
  // to a free slot, so that every home's slots are met oldest first, and placed in that order
  // they keep it.
  void Resize(size_t size) {
    std::unique_ptr<Slot[]> old(new Slot[size]());
    old.swap(mSlots);
    const size_t oldSize = old ? mMask + 1 : 0;
    mMask = size - 1;
    if (oldSize == 0) return;
    size_t free = 0;
    while (old[free].entry) ++free;
    for (size_t k = 1; k <= oldSize; ++k) {
      const Slot& s = old[(free + oldSize - k) & (oldSize - 1)];
      if (s.entry) Place(s);
    }
  }

  std::unique_ptr<Slot[]> mSlots;
  size_t mMask = 0;
  size_t mCount = 0;
  size_t mLoadPercent = MAX_LOAD_PERCENT;
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

// What a caller remembers of one search, to ask the pool for the same value again (see the
// indexes' Recall): the value, the entry found for it, and for a tolerant pool how far the index
// had come and whether the entry holds the very bits of the value.
template <class T>
struct PoolHint {
  ObjEntry<T>* entry = nullptr;  // the answer, or null when nothing is remembered
  T value{};                     // the value asked for
  uint32_t seq = 0;              // the index's latest sequence number at the time
  uint32_t epoch = 0;            // the index's filing at the time
  bool exact = false;            // the entry holds the very bits of value, all finite
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

  // The entry a walk from the front would return for value, or null: the newest equal one.
  // (sameBits is for the likeness of the two kinds of index: an equal entry is as good.)
  Entry* Find(const T& value, bool* sameBits = nullptr) const {
    if (sameBits) *sameBits = true;
    Entry* found = nullptr;
    mTable.Probe(Hash32(value), [&](const Slot& s) {
      if (!ObjTraits<T>::Equal(s.entry->mObj, value)) return false;
      found = s.entry;
      return true;
    });
    return found;
  }

  // The entry that hint remembers, when it is the answer for value: it was the answer for an
  // equal value, and it is the only equal entry while no two entries held are equal.
  Entry* Recall(const PoolHint<T>& hint, const T& value) const {
    return hint.entry && mUnique && ObjTraits<T>::Equal(hint.value, value) ? hint.entry : nullptr;
  }

  // Makes hint remember that e is the answer for value now.
  void Remember(PoolHint<T>& hint, Entry* e, const T& value, bool) const {
    hint.entry = e;
    hint.value = value;
  }

  // Asks the memory for the part of the index that a search for value reads first.
  void Prefetch(const T& value) const { mTable.Prefetch(Hash32(value)); }

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
    Entry* entry;  // null in a free slot
  };

  // The upper half of the hash: it chooses the slot and tells most unequal values apart.
  static uint32_t Hash32(const T& value) { return uint32_t(ObjTraits<T>::Hash(value) >> 32); }

  void Insert(Entry* e) { mTable.Insert({Hash32(e->mObj), e}); }

  FlatTable<Slot, 75> mTable;
  // No two entries held are equal, so an equal entry is the only one.
  bool mUnique = true;
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
    const std::vector<Entry*> list = ListBackToFront(first);
    Reserve(list.size());
    for (Entry* e : list) InsertFront(e);
  }

  // The entry a walk from the front would return for value, or null: the newest entry within
  // tolerance, which is the first one met in the value's own cell. sameBits, when given, tells
  // whether that entry's components have the very bits of value's.
  Entry* Find(const T& value, bool* sameBits = nullptr) {
    float v[N];
    ObjTraits<T>::Components(value, v);
    if (!Finite(v)) return nullptr;  // never matches anything
    Entry* found = nullptr;
    ++mProbes;
    mTable.Probe(OwnCell(v), [&](const Slot& s) {
      ++mMatches;
      if (!Near(s.v, v)) return false;
      found = s.entry;
      if (sameBits) *sameBits = SameBits(s.v, v);
      return true;
    });
    if (mProbes >= mNextAdapt) Adapt();
    return found;
  }

  // The entry that hint remembers, when it is still the answer for value; null when that
  // cannot be told without a search. It is, when hint was made (Remember) for a value of the
  // very same bits and either the entry holds those bits, all finite, while no two entries held
  // match each other (see the top of this file), or no entry has been filed since under the
  // value's own cell, where every entry within tolerance of the value is filed: the answer is
  // the matching entry nearest the front, and every entry filed later lies in front of the
  // older ones.
  Entry* Recall(const PoolHint<T>& hint, const T& value) const {
    if (!hint.entry) return nullptr;
    float a[N], b[N];
    ObjTraits<T>::Components(hint.value, a);
    ObjTraits<T>::Components(value, b);
    if (!SameBits(a, b)) return nullptr;
    if (hint.exact && mUnique) return hint.entry;
    if (hint.epoch != mEpoch || !Finite(b)) return nullptr;
    return Stamp(OwnCell(b)) > hint.seq ? nullptr : hint.entry;
  }

  // Makes hint remember that e is the answer for value now; sameBits: e's components have the
  // very bits of value's.
  void Remember(PoolHint<T>& hint, Entry* e, const T& value, bool sameBits) const {
    float v[N];
    ObjTraits<T>::Components(value, v);
    hint.entry = e;
    hint.value = value;
    hint.seq = mLastSeq;
    hint.epoch = mEpoch;
    hint.exact = sameBits && Finite(v);
  }

  // Asks the memory for the part of the index that a search for value reads first.
  void Prefetch(const T& value) const {
    float v[N];
    ObjTraits<T>::Components(value, v);
    if (Finite(v)) mTable.Prefetch(OwnCell(v));
  }

  void InsertNewFront(Entry* e) {
    mFront = e;
    Insert(e);
  }

  void InsertFront(Entry* e) override {
    if (mUnique && Find(e->mObj)) mUnique = false;
    InsertNewFront(e);
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
  // The grid is chosen again after this many searches, or as many as the index holds slots if
  // that is more: filing the entries again costs no more than one filing per search.
  static constexpr size_t ADAPT_PROBES = 1024;
  // The widest cells that sparse searches lead to (see Adapt): 1/32.
  static constexpr int COARSE_ENOUGH = 5;
  // The share of places a table of crowded finest cells fills at most, in percent.
  static constexpr size_t CROWDED_LOAD_PERCENT = 50;
  // Stamps: the latest sequence number filed under a cell, by the lower bits of its hash.
  static constexpr size_t STAMPS = 1 << 14;

  struct Slot {
    uint32_t hash;  // the hash of the cell the entry is filed under
    float v[N];     // the entry's components
    Entry* entry;   // null in a free slot
  };

  static std::vector<Entry*> ListBackToFront(Entry* first) {
    std::vector<Entry*> list;
    for (Entry* e = first; e; e = e->mNext) list.push_back(e);
    std::reverse(list.begin(), list.end());
    return list;
  }

  static bool Finite(const float* v) {
    for (int k = 0; k < N; ++k) {
      if (!std::isfinite(v[k])) return false;
    }
    return true;
  }

  // Every component is compared, without a branch per component: in a crowded cell which one
  // tells two values apart is a matter of chance.
  static bool Near(const float* a, const float* b) {
    bool near = true;
    for (int k = 0; k < N; ++k) {
      near &= std::fabs(double(a[k]) - double(b[k])) < double(NEAR_TOLERANCE);
    }
    return near;
  }

  static bool SameBits(const float* a, const float* b) {
    return memcmp(a, b, sizeof(float) * N) == 0;
  }

  uint32_t Stamp(uint32_t key) const { return mStamps[key & (STAMPS - 1)]; }

  void SetGrid(int grid) {
    mGrid = grid < COARSEST_GRID ? COARSEST_GRID : grid > FINEST_GRID ? FINEST_GRID : grid;
    mScale = std::ldexp(1.0, mGrid);
    mReach = WINDOW * mScale;
    mProbes = mMatches = 0;
    mNextAdapt = std::max(ADAPT_PROBES, mTable.Count());
    // Hints made under another filing mean nothing now, and the stamps start afresh.
    mEpoch = NextEpoch();
    std::fill(mStamps.begin(), mStamps.end(), 0);
  }

  // Epochs are unique across indices; pools of two threads may ask at once.
  static uint32_t NextEpoch() {
    static std::atomic<uint32_t> last{0};
    return ++last;
  }

  // The grid that keeps searches short: when a searched cell holds many entries on average,
  // cells half as wide; when it holds hardly any, cells two to eight times as wide (fewer
  // entries then reach into other cells, and a sparse model reaches its grid in fewer fresh
  // filings), but no wider than cells of 1/32 (COARSE_ENOUGH). Halving the cells can divide
  // the entries per cell by up to 16 (by 8 in space, and the window reaching across fewer
  // borders), so the two bounds lie further apart than that. The entries are filed again under
  // the cells of the new grid, oldest first, and the next choice waits for twice as many
  // searches as there are slots; the answers do not depend on the grid.
  //
  // Cells of 1/32 are wide enough that an entry is filed under one cell in about nine cases of
  // ten per component; wider cells would save little more, but a pool that is sparse at first
  // (the first mesh's points, spread over a large body) may grow crowded later (the wheels), and
  // each step back to narrower cells files the whole pool again: the railcar's points went from
  // cells of 1/4 back to 1/32 in three fillings of up to 118,000 entries.
  void Adapt() {
    const double perCell = double(mMatches) / double(mProbes);
    // Cells as narrow as they get and still crowded: the table keeps more places free, which
    // shortens the runs that a slot placed in front of its home moves.
    if (perCell > 2.0 && mGrid == FINEST_GRID) mTable.Loosen(CROWDED_LOAD_PERCENT);
    int grid = mGrid;
    if (perCell > 2.0 && mGrid < FINEST_GRID) ++grid;
    if (perCell < 0.1 && mGrid > COARSE_ENOUGH) {
      // A surface holds about four times as many entries per cell in cells twice as wide: as
      // many steps at once as that takes to reach the lower bound, up to three.
      int steps = 1;
      for (double more = 4 * perCell; more < 0.1 && steps < 3; more *= 4) ++steps;
      grid = std::max(COARSE_ENOUGH, mGrid - steps);
    }
    if (grid == mGrid) {
      mProbes = mMatches = 0;
      mNextAdapt = std::max(ADAPT_PROBES, mTable.Count());
      return;
    }
    mTable.Clear();
    SetGrid(grid);
    for (Entry* e : ListBackToFront(mFront)) Insert(e);
    mNextAdapt = std::max(ADAPT_PROBES, 2 * mTable.Count());
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
  // powers N down to 1, modulo 2^64), mixed and folded into 32 bits: the sum alone is linear,
  // and neighbouring cells would crowd the same part of the table.
  static constexpr uint64_t HASH_MUL = 0x9e3779b97f4a7c15ULL;
  static constexpr uint64_t Weight(int k) {
    uint64_t w = 1;
    for (int i = k; i < N; ++i) w *= HASH_MUL;
    return w;
  }
  static constexpr uint64_t WEIGHTS[4] = {Weight(0), Weight(1), Weight(2), Weight(3)};
  static uint32_t Fold(uint64_t h) { return uint32_t(PoolMix(h)); }

  // The hash of the own cell of finite components v. The cell of a component d up to LARGE in
  // magnitude is floor(d * mScale + 1/2), never decreasing as d grows. d * mScale is exact, the
  // scale being a power of two; adding a half is exact as well unless |d * mScale| < 2^-29, and
  // off by at most 2^-54 of a cell then, far less than the window's margin over the tolerance.
  uint32_t OwnCell(const float* v) const {
    uint64_t h = 0;
    for (int k = 0; k < N; ++k) {
      const double d = v[k];
      const int64_t cell = std::fabs(d) <= LARGE ? Floor(d * mScale + 0.5) : LargeCell(v[k]);
      h += uint64_t(cell) * WEIGHTS[k];
    }
    return Fold(h);
  }

  // Files an entry, given as a slot, with the sequence number seq, under every cell that a value
  // within tolerance of it can lie in: per component its own cell and, when the window around it
  // reaches across a border, the neighbouring cell there. The hash of a cell is linear in its cell
  // numbers, so a neighbour's hash is the own cell's plus a step.
  void File(Slot slot, uint32_t seq) {
    uint64_t h = 0;
    uint64_t step[N] = {};
    unsigned reach = 0;  // bit k: the window reaches into the neighbour step[k] away
    for (int k = 0; k < N; ++k) {
      const double d = slot.v[k];
      if (!(std::fabs(d) <= LARGE)) {
        h += uint64_t(LargeCell(slot.v[k])) * WEIGHTS[k];
        continue;
      }
      // As in OwnCell; |s| < 2^23, so s - cell is exact. A value g with |g - d| <
      // NEAR_TOLERANCE lies within mReach of s once scaled and shifted alike.
      const double s = d * mScale + 0.5;
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
    uint32_t keys[1 << N];
    int numKeys = 0;
    keys[numKeys++] = Fold(h);
    for (unsigned pick = reach; pick != 0; pick = (pick - 1) & reach) {
      uint64_t hk = h;
      for (int k = 0; k < N; ++k) {
        if ((pick >> k) & 1) hk += step[k];
      }
      const uint32_t key = Fold(hk);
      // Cells that share a hash share their slots.
      if (std::find(keys, keys + numKeys, key) == keys + numKeys) keys[numKeys++] = key;
    }
    for (int i = 1; i < numKeys; ++i) mTable.Prefetch(keys[i]);
    for (int i = 0; i < numKeys; ++i) {
      slot.hash = keys[i];
      mTable.Insert(slot);
      mStamps[keys[i] & (STAMPS - 1)] = seq;
    }
  }

  void Insert(Entry* e) {
    Slot slot;
    ObjTraits<T>::Components(e->mObj, slot.v);
    if (!Finite(slot.v)) return;  // never matches anything
    slot.entry = e;
    File(slot, ++mLastSeq);
  }

  FlatTable<Slot, 75> mTable;
  Entry* mFront = nullptr;  // the front of the pool's list
  uint32_t mLastSeq = 0;    // the sequence number of the entry filed last
  std::vector<uint32_t> mStamps;
  // No two entries held match each other (see the top of this file).
  bool mUnique = true;
  int mGrid = FINEST_GRID;
  double mScale = 1;  // cells per unit
  double mReach = 0;  // the window's half width in cells
  uint32_t mEpoch = 0;
  // Searches and the slots of the searched cells met since the grid was last chosen.
  size_t mProbes = 0;
  size_t mMatches = 0;
  size_t mNextAdapt = 0;
};

#endif  // TRIMORPH_POOLINDEX_H
