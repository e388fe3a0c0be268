#include "modrask/sets/BalTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace modrask {
namespace {

// Walks a tree and records what a red-black tree must satisfy.
struct Shape {
  int minDepth = 1 << 30;  // nodes on the shortest root-to-leaf path
  int maxDepth = 0;
  int nodes = 0;
  bool redRed = false;       // a red node with a red child
  bool blackUneven = false;  // two paths with different black counts
  bool unordered = false;    // a key out of search order
  int blackHeight = -1;
};

void Walk(const TRBTree& t, const TRBNode* n, int depth, int blacks, const std::string* lo,
          const std::string* hi, Shape& s) {
  if (n == t.Z) {
    s.minDepth = std::min(s.minDepth, depth);
    s.maxDepth = std::max(s.maxDepth, depth);
    if (s.blackHeight < 0) s.blackHeight = blacks;
    if (s.blackHeight != blacks) s.blackUneven = true;
    return;
  }
  ++s.nodes;
  if ((lo != nullptr && !(*lo < n->Key)) || (hi != nullptr && !(n->Key < *hi))) s.unordered = true;
  if (n->Red && (n->Left->Red || n->Right->Red)) s.redRed = true;
  const int b = blacks + (n->Red ? 0 : 1);
  Walk(t, n->Left, depth + 1, b, lo, &n->Key, s);
  Walk(t, n->Right, depth + 1, b, &n->Key, hi, s);
}

Shape ShapeOf(const TRBTree& t) {
  Shape s;
  Walk(t, t.Head->Right, 0, 0, nullptr, nullptr, s);
  return s;
}

void ExpectBalanced(const TRBTree& t, int keys) {
  ASSERT_NE(t.Head, nullptr);
  EXPECT_EQ(t.Head->Left, t.Z);
  EXPECT_FALSE(t.Head->Right->Red) << "root must be black";
  EXPECT_FALSE(t.Z->Red);
  const Shape s = ShapeOf(t);
  EXPECT_EQ(s.nodes, keys);
  EXPECT_LE(s.maxDepth, 2 * s.minDepth);
  EXPECT_FALSE(s.redRed);
  EXPECT_FALSE(s.blackUneven);
  EXPECT_FALSE(s.unordered);
}

std::string Key(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "K%05d", i);
  return buf;
}

TEST(BalTree, AscendingDescendingAndRandomKeysStayBalanced) {
  std::vector<std::string> ascending;
  for (int i = 0; i < 1000; ++i) ascending.push_back(Key(i));
  std::vector<std::string> descending(ascending.rbegin(), ascending.rend());
  std::vector<std::string> shuffled = ascending;
  const unsigned seed = 20261209;
  std::mt19937 rng(seed);
  std::shuffle(shuffled.begin(), shuffled.end(), rng);

  for (const auto* order : {&ascending, &descending, &shuffled}) {
    SCOPED_TRACE(order == &shuffled    ? "shuffled, seed " + std::to_string(seed)
                 : order == &ascending ? "ascending"
                                       : "descending");
    TRBTree t;
    RBInitTree(t);
    std::string msg;
    int32_t count = 0;
    for (size_t i = 0; i < order->size(); ++i) {
      bool inserted = false;
      int32_t data = static_cast<int32_t>(i) + 1;
      ASSERT_TRUE(RBStringInsert((*order)[i], t, inserted, msg, count, data));
      ASSERT_TRUE(inserted);
      if (i % 97 == 0) ExpectBalanced(t, static_cast<int>(i) + 1);
    }
    EXPECT_EQ(t.Count, 1000);
    EXPECT_EQ(count, 1000);
    ExpectBalanced(t, 1000);
    // Every key is found again with the data it went in with.
    for (size_t i = 0; i < order->size(); ++i) {
      bool inserted = true;
      int32_t data = -1;
      ASSERT_TRUE(RBStringInsert((*order)[i], t, inserted, msg, count, data));
      EXPECT_FALSE(inserted);
      EXPECT_EQ(data, static_cast<int32_t>(i) + 1);
    }
    EXPECT_EQ(t.Count, 1000);
    RBFreeTree(t);
    EXPECT_EQ(t.Head, nullptr);
  }
}

TEST(BalTree, RepeatedKeyReturnsFirstData) {
  TRBTree t;
  RBInitTree(t);
  std::string msg;
  int32_t count = 0;
  bool inserted = false;
  int32_t data = 5;
  ASSERT_TRUE(RBStringInsert("REG", t, inserted, msg, count, data));
  EXPECT_TRUE(inserted);
  EXPECT_EQ(data, 5);
  data = 9;
  ASSERT_TRUE(RBStringInsert("REG", t, inserted, msg, count, data));
  EXPECT_FALSE(inserted);
  EXPECT_EQ(data, 5);
  EXPECT_EQ(t.Count, 1);
  EXPECT_EQ(count, 1);

  // Case counts, and a single blank is an ordinary key.
  data = 7;
  ASSERT_TRUE(RBStringInsert("reg", t, inserted, msg, count, data));
  EXPECT_TRUE(inserted);
  data = 8;
  ASSERT_TRUE(RBStringInsert(" ", t, inserted, msg, count, data));
  EXPECT_TRUE(inserted);
  EXPECT_EQ(t.Count, 3);
  ExpectBalanced(t, 3);
  RBFreeTree(t);
}

TEST(BalTree, KeysCompareAsUnsignedBytesPrefixFirst) {
  TRBTree t;
  RBInitTree(t);
  TRBNode* node = nullptr;
  for (const char* k : {"AB", "A", "\xE9", "ABC", "a", "B"}) ASSERT_EQ(RBInsert(t, k, node), 1);
  ExpectBalanced(t, 6);  // includes the search-order check
  // A byte above 127 sorts last: it is the rightmost key.
  const TRBNode* n = t.Head->Right;
  while (n->Right != t.Z) n = n->Right;
  EXPECT_EQ(n->Key, "\xE9");
  EXPECT_EQ(RBInsert(t, "ABC", node), 2);
  EXPECT_EQ(node->Key, "ABC");
  RBFreeTree(t);
}

TEST(BalTree, LongKeysAreCutAt255Characters) {
  TRBTree t;
  RBInitTree(t);
  std::string msg;
  int32_t count = 0;
  bool inserted = false;
  int32_t data = 1;
  const std::string longKey(300, 'x');
  ASSERT_TRUE(RBStringInsert(longKey, t, inserted, msg, count, data));
  EXPECT_EQ(t.Head->Right->Key.size(), 255u);
  data = 2;
  ASSERT_TRUE(RBStringInsert(std::string(256, 'x'), t, inserted, msg, count, data));
  EXPECT_FALSE(inserted);
  EXPECT_EQ(data, 1);
  RBFreeTree(t);
}

TEST(BalTree, AllocationFailureIsReportedAndTreeStaysValid) {
  TRBTree t;
  RBInitTree(t);
  std::string msg;
  int32_t count = 0;
  bool inserted = false;
  for (int i = 0; i < 20; ++i) {
    int32_t data = i;
    ASSERT_TRUE(RBStringInsert(Key(i), t, inserted, msg, count, data));
  }
  RBSimulateAllocFailureAfter(0);
  int32_t data = 99;
  EXPECT_FALSE(RBStringInsert("NEW", t, inserted, msg, count, data));
  EXPECT_FALSE(inserted);
  EXPECT_EQ(msg, "Tree insert error (probably ran out of memory)[RBStringInsert]");
  // A present key needs no node and is still found.
  data = -1;
  EXPECT_TRUE(RBStringInsert(Key(7), t, inserted, msg, count, data));
  EXPECT_EQ(data, 7);
  RBSimulateAllocFailureAfter(-1);
  EXPECT_EQ(t.Count, 20);
  EXPECT_EQ(count, 20);
  ExpectBalanced(t, 20);
  RBFreeTree(t);

  // A tree whose head could not be made refuses inserts the same way.
  RBSimulateAllocFailureAfter(1);
  RBInitTree(t);
  RBSimulateAllocFailureAfter(-1);
  EXPECT_EQ(t.Head, nullptr);
  EXPECT_EQ(t.Z, nullptr);
  EXPECT_FALSE(RBStringInsert("A", t, inserted, msg, count, data));
  EXPECT_EQ(msg, "Tree insert error (probably ran out of memory)[RBStringInsert]");
  RBFreeTree(t);  // nothing to release
  EXPECT_EQ(t.Head, nullptr);
}

TEST(BalTree, FreeTwiceAndReinit) {
  TRBTree t;
  RBFreeTree(t);  // never initialised: Head is nil
  RBInitTree(t);
  TRBNode* node = nullptr;
  ASSERT_EQ(RBInsert(t, "A", node), 1);
  RBFreeTree(t);
  RBFreeTree(t);
  EXPECT_EQ(t.Head, nullptr);
  RBInitTree(t);
  EXPECT_EQ(t.Count, 0);
  ASSERT_EQ(RBInsert(t, "A", node), 1);
  EXPECT_EQ(node->Data, 0);
  RBFreeTree(t);
}

}  // namespace
}  // namespace modrask
