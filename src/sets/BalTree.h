// A red-black tree of string keys with one integer per key, built by
// top-down insertion with a head node and one shared sentinel.
//
// The tree owns its nodes and their key copies; RBFreeTree releases them
// all. Keys compare byte by byte as unsigned values, case counts, and a
// prefix sorts first. The empty key is reserved for the head: inserting it
// finds the head, so callers never insert it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace modrask {

struct TRBNode {
  std::string Key;  // the node's own copy of its key
  int32_t Data = 0;
  TRBNode* Left = nullptr;  // Z stands for a missing child
  TRBNode* Right = nullptr;
  bool Red = false;
};

// Held by value by its user. Head.Right is the root; Head.Left stays Z.
struct TRBTree {
  TRBNode* Head = nullptr;
  TRBNode* Z = nullptr;
  int32_t Count = 0;  // keys inserted
};

// Makes the sentinel and the head of an empty tree; Count := 0. The tree
// must be empty (new, or released by RBFreeTree). When the two nodes cannot
// be allocated the tree is left without a head, and every insert into it
// then reports a lack of memory.
void RBInitTree(TRBTree& t);

// 1: inserted (node is new, its Data 0), 2: present (node is its node),
// 0: out of memory, or a tree without a head (nothing linked; the tree
// stays valid). The node stays valid until RBFreeTree.
int RBInsert(TRBTree& t, std::string_view v, TRBNode*& node);

// Inserts `key` (cut at 255 characters and at a zero byte). New key:
// inserted := true, count + 1, the node keeps `data`. Present key:
// inserted := false, data := the value stored with it. False only when no
// node could be made: "Tree insert error (probably ran out of
// memory)[RBStringInsert]".
bool RBStringInsert(std::string_view key, TRBTree& t, bool& inserted, std::string& msg,
                    int32_t& count, int32_t& data);

// Releases every node, the sentinel and the head; Head is nil afterwards.
// Does nothing when Head is already nil.
void RBFreeTree(TRBTree& t);

// Test seam: the next `n` node allocations of the calling thread succeed and
// the following ones fail, until it is called again; a negative n (the
// default) never fails. Other threads are not affected.
void RBSimulateAllocFailureAfter(int32_t n);

}  // namespace modrask
