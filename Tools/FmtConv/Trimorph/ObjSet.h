// The pool template of the shape model.
//
// A pool holds each distinct value once in a singly linked list. New values go to the front, so
// a pool that is never sorted lists (and numbers, and writes) its values from the most recently
// added to the first added. FindOrAdd returns the first entry from the front whose value equals
// the one asked for under the pool's equality (ObjTraits<T>::Equal), which for the tolerant
// pools is the most recently added entry within tolerance; the entry keeps the value that
// created it. Other parts of the model refer to a pooled value by its entry, whose mIndex is
// fixed only when the pool is numbered for output.
#ifndef TRIMORPH_OBJSET_H
#define TRIMORPH_OBJSET_H

#include <new>
#include <utility>

#include "Trimorph.h"

template <class T>
struct ObjEntry {
  ObjEntry* mNext;
  int mIndex;  // output index; -1 until the pool is numbered
  T mObj;
};

// Equality of pooled values. Plain values compare exactly; the records of the shape model
// specialise this (tolerant floats, identity of references, names without case).
template <class T>
struct ObjTraits {
  static bool Equal(const T& a, const T& b) { return a == b; }
};

template <class T>
class ObjSet {
 public:
  typedef ObjEntry<T> Entry;

  int mNumObjs = 0;
  Entry* mFirstObj = nullptr;

  ObjSet() = default;
  ObjSet(ObjSet&& other) noexcept : mNumObjs(other.mNumObjs), mFirstObj(other.mFirstObj) {
    other.mNumObjs = 0;
    other.mFirstObj = nullptr;
  }
  ObjSet& operator=(ObjSet&& other) noexcept {
    if (this != &other) {
      Clear();
      std::swap(mNumObjs, other.mNumObjs);
      std::swap(mFirstObj, other.mFirstObj);
    }
    return *this;
  }
  ObjSet(const ObjSet&) = delete;
  ObjSet& operator=(const ObjSet&) = delete;
  ~ObjSet() { Clear(); }

  // The entry for value: the first from the front that equals it, or a new front entry.
  Entry* FindOrAdd(T value) {
    for (Entry* e = mFirstObj; e; e = e->mNext) {
      if (ObjTraits<T>::Equal(e->mObj, value)) return e;
    }
    return Add(std::move(value));
  }

  // A new front entry for value, without searching.
  Entry* Add(T value) {
    Entry* e = new (std::nothrow) Entry{mFirstObj, -1, std::move(value)};
    if (!e) Fail(nullptr, false);
    mFirstObj = e;
    ++mNumObjs;
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
    mFirstObj = MergeSort(mFirstObj, mNumObjs, greater);
  }

  // Frees every entry.
  void Clear() {
    Entry* e = mFirstObj;
    while (e) {
      Entry* next = e->mNext;
      delete e;
      e = next;
    }
    mFirstObj = nullptr;
    mNumObjs = 0;
  }

 private:
  // Bottom-up merge sort of the list of n entries starting at head; stable.
  template <class Greater>
  static Entry* MergeSort(Entry* head, int n, Greater& greater) {
    for (int width = 1; width < n; width *= 2) {
      Entry* result = nullptr;
      Entry** tail = &result;
      Entry* rest = head;
      while (rest) {
        Entry* left = rest;
        Entry* right = Split(left, width);
        rest = Split(right, width);
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
        while (*tail) tail = &(*tail)->mNext;
      }
      head = result;
    }
    return head;
  }

  // Cuts the list after count entries; returns the remainder (or null).
  static Entry* Split(Entry* head, int count) {
    for (int i = 1; head && i < count; ++i) head = head->mNext;
    if (!head) return nullptr;
    Entry* rest = head->mNext;
    head->mNext = nullptr;
    return rest;
  }
};

#endif  // TRIMORPH_OBJSET_H
