#pragma once
// The typed forms of the engine's growable array. One layout and one growth
// rule; they differ only in the element and in what the slots of a newly
// grown block hold. A record of a later part of the engine gets its array in
// one line, for instance
//   using BoneRecordArray = EngArray<BoneRecord, EngConstructSlots>;
#include "engine/core/EngArray.h"
#include "engine/core/EngGeometry.h"

namespace engine {

class MItem;
class MObject;

// Untyped pointers (objects, elements, selections); also a table of ints.
using PtrArray = EngArray<void*>;
using PointArray = EngArray<PointRecord>;
using DoubleArray = EngArray<double>;
using LineSegArray = EngArray<LineSegRecord>;

// A sort key with its payload.
struct SortEntry {
  double key;
  int value;
  void* pointer;
};
using SortEntryArray = EngArray<SortEntry>;

// A picked or joined element: where, what, and in which object.
struct ElementRef {
  PointRecord position;
  MItem* element;
  int kind;
  MObject* owner;
  int extra;
};
// New slots read as "no element": null element and owner, kind -1.
struct ElementRefSlots {
  static void Prepare(ElementRef* block, int n) {
    for (int i = 0; i < n; ++i) {
      block[i].element = nullptr;
      block[i].kind = -1;
      block[i].owner = nullptr;
    }
  }
};
using ElementRefArray = EngArray<ElementRef, ElementRefSlots>;

// New slots hold matrices with flag 0.
struct MatrixSlots {
  static void Prepare(MatrixRecord* block, int n) {
    for (int i = 0; i < n; ++i) block[i].flag = 0;
  }
};
using MatrixArray = EngArray<MatrixRecord, MatrixSlots>;

struct Triple {
  void* pointer;
  int first;
  int second;
};
using TripleArray = EngArray<Triple>;

}  // namespace engine
