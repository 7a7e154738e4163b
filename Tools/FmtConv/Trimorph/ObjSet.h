// The pool template of the shape model.
//
// A pool holds each distinct value once in a singly linked list. New values go to the front, so
// a pool that is never sorted lists (and numbers, and writes) its values from the most recently
// added to the first added. FindOrAdd returns the first entry from the front whose value equals
// the one asked for under the pool's equality (ObjTraits<T>::Equal), which for the tolerant
// pools is the most recently added entry within tolerance; the entry keeps the value that
// created it. Other parts of the model refer to a pooled value by its entry, whose mIndex is
// fixed only when the pool is numbered for output.
//
// FindOrAdd answers through an index (PoolIndex.h) that returns exactly the entry the walk from
// the front returns; the walk itself is kept as FindOrAddLinear, the reference the index is
// tested against. Building with TRIMORPH_REFERENCE_POOLS defined makes FindOrAdd walk the list.
//
// Memory for entries and for the index is allocated with the throwing forms: std::bad_alloc
// ends the conversion (the driver reports it).
#ifndef TRIMORPH_OBJSET_H
#define TRIMORPH_OBJSET_H

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "PoolIndex.h"

template <class T>
struct ObjEntry {
  ObjEntry* mNext;
  int mIndex;  // output index; -1 until the pool is numbered
  T mObj;
};

// Equality of pooled values. Plain values compare exactly; the records of the shape model
// specialise this (tolerant floats, identity of references, names without case). Besides Equal
// a specialisation gives the index its key: either Hash (equal values hash alike), or, for a
// tolerant pool, NEAR_COMPONENTS and Components (the floats that Equal compares within
// NEAR_TOLERANCE, and nothing else).
template <class T>
struct ObjTraits {
  static bool Equal(const T& a, const T& b) { return a == b; }
  static uint64_t Hash(const T& v) { return PoolHash(v); }
};

template <class T>
class ObjSet {
 public:
  typedef ObjEntry<T> Entry;

  int mNumObjs = 0;
  Entry* mFirstObj = nullptr;

  ObjSet() = default;
  ObjSet(ObjSet&& other) noexcept { Swap(other); }
  ObjSet& operator=(ObjSet&& other) noexcept {
    if (this != &other) {
      Clear();
      Swap(other);
    }
    return *this;
  }
  ObjSet(const ObjSet&) = delete;
  ObjSet& operator=(const ObjSet&) = delete;
  ~ObjSet() { Clear(); }

  // The entry for value: the first from the front that equals it, or a new front entry.
  Entry* FindOrAdd(T value) {
#ifdef TRIMORPH_REFERENCE_POOLS
    return FindOrAddLinear(std::move(value));
#else
    return FindOrAddIndexed(std::move(value));
#endif
  }

  // FindOrAdd for a value that may have been asked for before with the same hint (a mesh
  // vertex's point, asked for by every face at the vertex). The hint remembers the last search
  // made with it, which must have been in this pool; when the index can tell from it that its
  // entry is still the answer, the pool is not searched. The reference build always searches.
  Entry* FindOrAdd(T value, PoolHint<T>& hint) {
#ifdef TRIMORPH_REFERENCE_POOLS
    (void)hint;
    return FindOrAddLinear(std::move(value));
#else
    auto& index = Index();
    if (Entry* e = index.Recall(hint, value)) return e;
    bool sameBits = false;
    Entry* e = index.Find(value, &sameBits);
    if (!e) {
      e = NewFront(value);
      index.InsertNewFront(e);
      sameBits = true;
    }
    index.Remember(hint, e, value, sameBits);
    return e;
#endif
  }

  // Asks the memory for what a search for value will read first, ahead of the search.
  void Prefetch(const T& value) {
#ifdef TRIMORPH_REFERENCE_POOLS
    (void)value;
#else
    Index().Prefetch(value);
#endif
  }

  // FindOrAdd through the index.
  Entry* FindOrAddIndexed(T value) {
    auto& index = Index();
    if (Entry* e = index.Find(value)) return e;
    Entry* e = NewFront(std::move(value));
    index.InsertNewFront(e);
    return e;
  }

  // Room for n entries in all, in the list and in the index, so that the pool does not grow
  // step by step while they come.
  void Reserve(size_t n) {
    ReserveEntries(n);
#ifndef TRIMORPH_REFERENCE_POOLS
    Index().Reserve(n);
#endif
  }

  // Room for n entries in all in the list (for pools filled with Add, which have no index).
  // The reference pool keeps allocating one entry at a time.
  void ReserveEntries(size_t n) {
#ifdef TRIMORPH_REFERENCE_POOLS
    (void)n;
#else
    if (n > size_t(mNumObjs) + mSpareEntries) NewBlock(n - size_t(mNumObjs));
#endif
  }

  // FindOrAdd by walking the list from the front: the reference for the index.
  Entry* FindOrAddLinear(T value) {
    for (Entry* e = mFirstObj; e; e = e->mNext) {
      if (ObjTraits<T>::Equal(e->mObj, value)) return e;
    }
    // An index built earlier no longer knows every entry.
    mLookup.reset();
    return NewFront(std::move(value));
  }

  // A new front entry for value, without searching.
  Entry* Add(T value) {
    Entry* e = NewFront(std::move(value));
    if (mLookup) mLookup->InsertFront(e);
    return e;
  }

  // Sets mIndex to 0, 1, 2, ... in list order.
  void Number() {
    int i = 0;
    for (Entry* e = mFirstObj; e; e = e->mNext) e->mIndex = i++;
  }

  // Stable sort into ascending order. greater(a, b) tells whether entry a's key is greater than
  // entry b's, that is, whether a must go after b; entries with equal keys keep their order.
  template <class Greater>
  void Sort(Greater greater) {
    if (mNumObjs < 2) return;
    mFirstObj = MergeSort(mFirstObj, greater);
    // The index is built again, in the new order, when it is next needed.
    mLookup.reset();
  }

  // Frees every entry.
  void Clear() {
    if constexpr (!std::is_trivially_destructible_v<Entry>) {
      for (Entry* e = mFirstObj; e;) {
        Entry* next = e->mNext;
        e->~Entry();
        e = next;
      }
    }
    while (mBlocks) {
      Block* prev = mBlocks->mPrev;
      ::operator delete(mBlocks);
      mBlocks = prev;
    }
    mSpare = nullptr;
    mSpareEntries = 0;
    mBlockEntries = 0;
    mFirstObj = nullptr;
    mNumObjs = 0;
    mLookup.reset();
  }

 private:
  // Entries live in blocks that stay where they are until Clear, each block holding twice as
  // many entries as the one before, up to MAX_BLOCK_ENTRIES, or as many as Reserve asks for:
  // small pools stay small, large ones cost one allocation per block instead of one per entry,
  // and the entries made one after the other lie side by side.
  struct Block {
    Block* mPrev;
  };
#ifdef TRIMORPH_REFERENCE_POOLS
  // The reference pool is the plain list it always was: one allocation per entry.
  static constexpr size_t FIRST_BLOCK_ENTRIES = 1;
  static constexpr size_t MAX_BLOCK_ENTRIES = 1;
#else
  static constexpr size_t FIRST_BLOCK_ENTRIES = 4;
  static constexpr size_t MAX_BLOCK_ENTRIES = 16384;
#endif
  static constexpr size_t BLOCK_HEADER =
      (sizeof(Block) + alignof(Entry) - 1) / alignof(Entry) * alignof(Entry);
  static_assert(alignof(Entry) <= alignof(std::max_align_t), "entries fit the blocks' alignment");

  // The index, made when it is first needed. Named here, not in the class: the kind of index
  // depends on ObjTraits<T>, which the records of the model specialise after their pools are
  // declared.
  auto& Index() {
    typedef PoolIndex<T> Lookup;
    if (__builtin_expect(!mLookup, 0)) MakeIndex<Lookup>();
    return *static_cast<Lookup*>(mLookup.get());
  }

  template <class Lookup>
  __attribute__((noinline)) void MakeIndex() {
    mLookup.reset(new Lookup(mFirstObj));
  }

  Entry* NewFront(T value) {
    if (mSpareEntries == 0) NewBlock(0);
    Entry* e = new (static_cast<void*>(mSpare)) Entry{mFirstObj, -1, std::move(value)};
    mSpare += sizeof(Entry);
    --mSpareEntries;
    mFirstObj = e;
    ++mNumObjs;
    return e;
  }

  // A block for at least wanted entries (0: as the growth of the blocks gives).
  void NewBlock(size_t wanted) {
    size_t n = mBlockEntries == 0 ? FIRST_BLOCK_ENTRIES
                                  : (mBlockEntries < MAX_BLOCK_ENTRIES / 2 ? 2 * mBlockEntries
                                                                           : MAX_BLOCK_ENTRIES);
    if (n < wanted) n = wanted;
    void* raw = ::operator new(BLOCK_HEADER + n * sizeof(Entry));
    Block* block = static_cast<Block*>(raw);
    block->mPrev = mBlocks;
    mBlocks = block;
    mSpare = static_cast<unsigned char*>(raw) + BLOCK_HEADER;
    mSpareEntries = n;
    mBlockEntries = n;
  }

  void Swap(ObjSet& other) noexcept {
    std::swap(mNumObjs, other.mNumObjs);
    std::swap(mFirstObj, other.mFirstObj);
    std::swap(mLookup, other.mLookup);
    std::swap(mBlocks, other.mBlocks);
    std::swap(mSpare, other.mSpare);
    std::swap(mSpareEntries, other.mSpareEntries);
    std::swap(mBlockEntries, other.mBlockEntries);
  }

  Block* mBlocks = nullptr;         // the newest block; each links to the one before
  unsigned char* mSpare = nullptr;  // room for the next entry in the newest block
  size_t mSpareEntries = 0;         // entries that still fit there
  size_t mBlockEntries = 0;         // entries of the newest block

  // The index of FindOrAdd, made by its first call; none while it is out of date.
  std::unique_ptr<PoolIndexBase<T>> mLookup;

  // Natural merge sort of the list starting at head; stable. The list is cut into its runs of
  // entries already in order, and the runs are merged like the digits of a binary counter: bin i
  // holds a merge of 2^i runs, earlier runs in higher bins. A list that is already in order, or
  // made of a few ordered blocks, as the pools mostly are, costs one pass and a few merges.
  template <class Greater>
  static Entry* MergeSort(Entry* head, Greater& greater) {
    Entry* bins[64] = {};
    Entry* rest = head;
    while (rest) {
      Entry* run = rest;
      Entry* last = run;
      while (last->mNext && !greater(*last, *last->mNext)) last = last->mNext;
      rest = last->mNext;
      last->mNext = nullptr;
      int i = 0;
      for (; bins[i]; ++i) {
        run = Merge(bins[i], run, greater);
        bins[i] = nullptr;
      }
      bins[i] = run;
    }
    Entry* result = nullptr;
    for (Entry* bin : bins) {
      if (bin) result = result ? Merge(bin, result, greater) : bin;
    }
    return result;
  }

  // Merges two ordered lists, left holding the earlier entries: on equal keys left goes first.
  template <class Greater>
  static Entry* Merge(Entry* left, Entry* right, Greater& greater) {
    Entry* result = nullptr;
    Entry** tail = &result;
    while (left && right) {
      if (greater(*left, *right)) {
        *tail = right;
        right = right->mNext;
      } else {
        *tail = left;
        left = left->mNext;
      }
      tail = &(*tail)->mNext;
    }
    *tail = left ? left : right;
    return result;
  }
};

#endif  // TRIMORPH_OBJSET_H
