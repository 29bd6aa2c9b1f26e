// The nearest rows of a centre from a k-d tree of nanoflann's, walked here
// rather than by nanoflann: the tree's rows must be numbered in its leaf
// order (each leaf's rows side by side in memory), and each leaf's keys are
// then found in one pass over its rows, on vector registers where the
// processor has AVX2, and the gaps to the tree's boxes are kept in exact
// integers.
//
// The walk is nanoflann's: down to the leaf on the centre's side of each
// split first, then into the other side only when the squared gaps between
// the centre and that side's box, summed over the coordinates split on along
// the way, are below the keys' worst (the largest key still taken): every row
// on that side is at least that far, so none of them would be taken. Every
// coordinate's square, and so every sum of them, is at most the table's
// largest key, which the caller keeps below 2^53.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "cpu_dispatch.h"
#include "row_keys.h"
#include "row_tree.h"

namespace kvs {

// The keys of count rows of d coordinates each, stored one after another.
// Every square is below 2^53, so every difference is below 2^27: it is
// taken in 32 bits, then squared into 64 (one signed multiply for a pair of
// lanes, without the absolute value that a wider difference would need).
static KVS_AVX2_CLONES void LeafKeys(const int32_t* rows, size_t count, int32_t d, const int32_t* centre,
                                     uint64_t* keys)
{
    for (size_t i = 0; i < count; ++i) {
        const int32_t* row = rows + i * size_t(d);
        int64_t key = 0;
        for (int32_t k = 0; k < d; ++k) {
            const int32_t difference = row[k] - centre[k];
            key += int64_t(difference) * difference;
        }
        keys[i] = uint64_t(key);
    }
}

// Keys is a set of the nearest keys with
//   int64_t worst() const: a key that it would not take, nor any larger one
//   void Add(int64_t key): takes a key below worst()
template <int Dimension>
class TreeWalk {
public:
    TreeWalk() = default;
    // rows: the tree's rows in its numbering. Room for the gaps (d of them)
    // and the keys of a leaf (the tree's largest leaf); neither is owned.
    TreeWalk(const RowTree<Dimension>* tree, const int32_t* rows, int32_t dimension, uint64_t* gaps,
             uint64_t* leafKeys)
        : tree(tree), rows(rows), dimension(dimension), gaps(gaps), leafKeys(leafKeys)
    {
    }

    // Adds to keys those of the rows nearer the centre than its worst.
    template <class Keys>
    void Find(const int32_t* centre, Keys& keys)
    {
        // A centre is a row of the table, inside the tree's first box. (A
        // tree of no rows has no nodes.)
        std::fill_n(gaps, dimension, 0);
        if (tree->root_node)
            Visit(tree->root_node, centre, 0, keys);
    }

private:
    using Node = typename RowTree<Dimension>::Node;

    template <class Keys>
    void Visit(const Node* node, const int32_t* centre, uint64_t gap, Keys& keys)
    {
        if (!node->child1 && !node->child2) {
            const size_t first = node->node_type.lr.left;
            const size_t count = node->node_type.lr.right - first;
            LeafKeys(rows + first * size_t(dimension), count, dimension, centre, leafKeys);
            int64_t worst = keys.worst();
            for (size_t i = 0; i < count; ++i) {
                if (int64_t(leafKeys[i]) < worst) {
                    keys.Add(int64_t(leafKeys[i]));
                    worst = keys.worst();
                }
            }
            return;
        }
        // The rows of child1 are at most divlow in coordinate k, those of
        // child2 at least divhigh; both are values of the table's.
        const int32_t k = node->node_type.sub.divfeat;
        const int32_t value = centre[k];
        const int32_t low = int32_t(node->node_type.sub.divlow);
        const int32_t high = int32_t(node->node_type.sub.divhigh);
        const bool lowSideFirst = (int64_t(value) - low) + (int64_t(value) - high) < 0;
        Visit(lowSideFirst ? node->child1 : node->child2, centre, gap, keys);
        // On the other side the gap in coordinate k is at least the square
        // to its bound, and at least the one counted for k so far.
        const uint64_t before = gaps[k];
        const uint64_t cut = std::max(before, Square<uint64_t>(value, lowSideFirst ? high : low));
        const uint64_t otherGap = gap - before + cut;
        if (otherGap >= uint64_t(keys.worst()))
            return;
        gaps[k] = cut;
        Visit(lowSideFirst ? node->child2 : node->child1, centre, otherGap, keys);
        gaps[k] = before;
    }

    const RowTree<Dimension>* tree = nullptr;
    const int32_t* rows = nullptr;
    int32_t dimension = 0;
    uint64_t* gaps = nullptr;
    uint64_t* leafKeys = nullptr;
};

}  // namespace kvs
