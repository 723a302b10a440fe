#include "tablebase/material_tree.h"

#include <vector>

namespace ostrim::tablebase {
namespace {

// A node is its maximum count m followed by the positions of its m + 1
// children; a leaf is one value. Each child's maximum is its parent's less
// the child's count, so the tree holds exactly the material of at most
// four pieces.
std::vector<int32_t> tree;
std::vector<int32_t> leaves;  // positions of the leaves, for clearing

int32_t build_node(int level, int most) {
  int32_t at = static_cast<int32_t>(tree.size());
  if (level == kMaterialLevels) {
    tree.push_back(kNoTable);
    leaves.push_back(at);
    return at;
  }
  tree.resize(tree.size() + 2 + most);
  tree[at] = most;
  for (int count = 0; count <= most; ++count) {
    int32_t child = build_node(level + 1, most - count);
    tree[at + 1 + count] = child;
  }
  return at;
}

// The leaf's position, -1 beyond the tree.
int32_t leaf_of(const MaterialCounts& counts) {
  if (tree.empty()) return -1;
  int32_t node = 0;
  for (int level = 0; level < kMaterialLevels; ++level) {
    int count = counts[level];
    if (count < 0 || count > tree[node]) return -1;
    node = tree[node + 1 + count];
  }
  return node;
}

}  // namespace

void build_material_tree() {
  if (tree.empty()) build_node(0, kMostPieces);
}

void clear_material_tree() {
  for (int32_t at : leaves) tree[at] = kNoTable;
}

int32_t find_material(const MaterialCounts& counts) {
  int32_t leaf = leaf_of(counts);
  return leaf < 0 ? kNoTable : tree[leaf];
}

bool store_material(const MaterialCounts& counts, int32_t value) {
  int32_t leaf = leaf_of(counts);
  if (leaf < 0) return false;
  tree[leaf] = value;
  return true;
}

}  // namespace ostrim::tablebase
