#include "modrask/sets/BalTree.h"

#include "modrask/support/message.h"
#include "modrask/support/mystrucs.h"

namespace modrask {

namespace {

// Allocations left before the simulated failure in this thread; negative:
// never fail.
thread_local int32_t allocsBeforeFailure = -1;

// A new black node with both children `z`, or nil when memory ran out.
TRBNode* MakeNode(std::string_view key, TRBNode* z) {
  if (allocsBeforeFailure == 0) return nullptr;
  if (allocsBeforeFailure > 0) --allocsBeforeFailure;
  TRBNode* node = nullptr;
  std::string ignored;
  if (!CheckedAlloc([&] { node = new TRBNode{std::string(key), 0, z, z, false}; }, ignored)) {
    return nullptr;
  }
  return node;
}

bool Less(std::string_view v, const TRBNode* n) {
  return v.compare(n->Key) < 0;
}

// The four references of a running insert: x the current node, p its
// parent, g its grandparent, gg its great-grandparent.
struct Descent {
  TRBTree& t;
  std::string_view v;
  TRBNode* x;
  TRBNode* p;
  TRBNode* g;
  TRBNode* gg;
};

// Rotates the child of y on v's side; returns the node now in its place.
TRBNode* Rotate(std::string_view v, TRBNode* y) {
  TRBNode* c = Less(v, y) ? y->Left : y->Right;
  TRBNode* gc;
  if (Less(v, c)) {
    gc = c->Left;
    c->Left = gc->Right;
    gc->Right = c;
  } else {
    gc = c->Right;
    c->Right = gc->Left;
    gc->Left = c;
  }
  if (Less(v, y)) {
    y->Left = gc;
  } else {
    y->Right = gc;
  }
  return gc;
}

// Recolours x red and its children black, then mends a red parent by one or
// two rotations so that no red node has a red child.
void Split(Descent& d) {
  d.x->Red = true;
  d.x->Left->Red = false;
  d.x->Right->Red = false;
  if (d.p->Red) {
    d.g->Red = true;
    if (Less(d.v, d.g) != Less(d.v, d.p)) d.p = Rotate(d.v, d.g);
    d.x = Rotate(d.v, d.gg);
    d.x->Red = false;
  }
  d.t.Head->Right->Red = false;
}

void FreeSubtree(TRBNode* n, const TRBNode* z) {
  if (n == nullptr || n == z) return;
  FreeSubtree(n->Left, z);
  FreeSubtree(n->Right, z);
  delete n;
}

}  // namespace

void RBSimulateAllocFailureAfter(int32_t n) {
  allocsBeforeFailure = n;
}

void RBInitTree(TRBTree& t) {
  t.Count = 0;
  t.Head = nullptr;
  t.Z = MakeNode({}, nullptr);
  if (t.Z == nullptr) return;
  t.Z->Left = t.Z;
  t.Z->Right = t.Z;
  t.Head = MakeNode({}, t.Z);
  if (t.Head == nullptr) {
    delete t.Z;
    t.Z = nullptr;
  }
}

int RBInsert(TRBTree& t, std::string_view v, TRBNode*& node) {
  node = nullptr;
  if (t.Head == nullptr) return 0;
  Descent d{t, v, t.Head, t.Head, t.Head, t.Head};
  while (d.x != t.Z) {
    d.gg = d.g;
    d.g = d.p;
    d.p = d.x;
    const int c = v.compare(d.x->Key);  // one comparison decides both
    if (c == 0) {
      node = d.x;
      return 2;
    }
    d.x = c < 0 ? d.x->Left : d.x->Right;
    if (d.x->Left->Red && d.x->Right->Red) Split(d);
  }
  TRBNode* fresh = MakeNode(v, t.Z);
  if (fresh == nullptr) return 0;
  ++t.Count;
  d.x = fresh;
  if (Less(v, d.p)) {
    d.p->Left = fresh;
  } else {
    d.p->Right = fresh;
  }
  node = fresh;
  Split(d);
  return 1;
}

bool RBStringInsert(std::string_view key, TRBTree& t, bool& inserted, std::string& msg,
                    int32_t& count, int32_t& data) {
  inserted = false;
  // The key as a zero-terminated copy in a buffer of 256 bytes would hold it.
  std::string_view v = key.substr(0, key.find('\0'));
  if (v.size() > 255) v = v.substr(0, 255);
  TRBNode* node = nullptr;
  const int r = RBInsert(t, v, node);
  if (r == 0) {
    msg = "Tree insert error (probably ran out of memory)";
    return TaggedTight(msg, "RBStringInsert");
  }
  if (r == 1) {
    ++count;
    inserted = true;
    node->Data = data;
  } else {
    data = node->Data;
  }
  return true;
}

void RBFreeTree(TRBTree& t) {
  if (t.Head == nullptr) return;
  FreeSubtree(t.Head->Right, t.Z);
  delete t.Head;
  delete t.Z;
  t.Head = nullptr;
  t.Z = nullptr;
}

}  // namespace modrask
