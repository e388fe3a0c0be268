// A red-black tree of string keys with one integer per key, built by
// top-down insertion with a head node and one shared sentinel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace modrask {

struct TRBNode {
  std::string Key;
  int32_t Data = 0;
  TRBNode* Left = nullptr;
  TRBNode* Right = nullptr;
  bool Red = false;
};

struct TRBTree {
  TRBNode* Head = nullptr;
  TRBNode* Z = nullptr;
  int32_t Count = 0;
};

void RBInitTree(TRBTree& t);
// 1: inserted (node is new), 2: present (node is its node), 0: out of memory.
int RBInsert(TRBTree& t, std::string_view v, TRBNode*& node);
bool RBStringInsert(std::string_view key, TRBTree& t, bool& inserted, std::string& msg,
                    int32_t& count, int32_t& data);
void RBFreeTree(TRBTree& t);

}  // namespace modrask
