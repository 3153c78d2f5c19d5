#pragma once
// PositionalList<T>: an ordered container of elements with index access through a cursor and an
// in-place quicksort whose order of equal elements is part of the program's behaviour (it decides
// how a sorted Inbox orders messages with equal keys).
//
// Index access remembers the node it last reached (the cursor), so walking the list one position
// at a time (drawing rows in order, the sort's scans) costs one step per access. Elements are
// owned by value: a std::unique_ptr element owns its object, and an element is destroyed when its
// node is removed or the list is cleared, which is all the per-kind destroy routines of the device
// did. Status results: kListOk, kListOutOfRange (position outside 1..count or list empty),
// kListBrokenChain (a walk met a missing link; cannot happen in a list built by these operations).

#include <array>
#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "support/list_compare.h"

namespace velora::support {

inline constexpr int kListOk = 0;
inline constexpr int kListOutOfRange = 1;
inline constexpr int kListBrokenChain = 3;

enum class SortDirection { Ascending, Descending };

// How the sort sees an element. A pivot is a copy of the element's value; for a unique_ptr
// element it is the pointer to the object (the object itself stays put while elements are
// exchanged), so compare routines of such lists take const pointers to the objects.
template <typename T>
struct ListElementTraits {
    using View = const T&;
    using Pivot = T;
    static View ViewOf(const T& element) { return element; }
    static Pivot PivotOf(const T& element) { return element; }
    static View ViewOfPivot(const Pivot& pivot) { return pivot; }
};

template <typename X, typename Deleter>
struct ListElementTraits<std::unique_ptr<X, Deleter>> {
    using View = const X*;
    using Pivot = const X*;
    static View ViewOf(const std::unique_ptr<X, Deleter>& element) { return element.get(); }
    static Pivot PivotOf(const std::unique_ptr<X, Deleter>& element) { return element.get(); }
    static View ViewOfPivot(Pivot pivot) { return pivot; }
};

template <typename T>
class PositionalList {
  public:
    using Traits = ListElementTraits<T>;
    using View = typename Traits::View;
    // Orders two elements: less than 0, 0 or more than 0.
    using Compare = std::function<int(View, View)>;

    // An empty list with base index 0 and the given empty record. Lists of integers and pointers
    // start with the unsigned compare; any other element type needs SetCompare before Sort.
    explicit PositionalList(T emptyRecord = T{}) : emptyRecord_(std::move(emptyRecord)) {
        if constexpr (std::is_integral_v<T>) {
            compare_ = [](View a, View b) {
                return CompareUnsigned(static_cast<std::uint32_t>(a),
                                       static_cast<std::uint32_t>(b));
            };
        } else if constexpr (std::is_pointer_v<View>) {  // pointers and unique_ptr elements
            compare_ = [](View a, View b) { return CompareAddresses(a, b); };
        }
    }
    ~PositionalList() { Clear(); }
    PositionalList(const PositionalList&) = delete;
    PositionalList& operator=(const PositionalList&) = delete;
    // Moving hands the nodes, routines and empty record over and leaves `other` empty.
    PositionalList(PositionalList&& other) noexcept { TakeFrom(other); }
    PositionalList& operator=(PositionalList&& other) noexcept {
        if (this != &other) {
            Clear();
            TakeFrom(other);
        }
        return *this;
    }

    void SetCompare(Compare compare) { compare_ = std::move(compare); }
    void SetBaseIndex(std::int32_t baseIndex) { baseIndex_ = baseIndex; }
    std::int32_t BaseIndex() const { return baseIndex_; }
    std::int32_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    // 1-based position of the cursor; 0 when the list is empty.
    std::int32_t CursorPosition() const { return cursorPosition_; }
    const T& EmptyRecord() const { return emptyRecord_; }

    // Appends at the end; the new node becomes the cursor.
    void Append(T element) {
        Node* node = new Node{std::move(element), last_, nullptr};
        if (last_ != nullptr) {
            last_->next = node;
        } else {
            first_ = node;
        }
        last_ = node;
        ++count_;
        cursor_ = node;
        cursorPosition_ = count_;
    }

    // Points `element` at the element with external index `index` (which becomes the cursor), or
    // at the empty record with a status other than kListOk.
    [[nodiscard]] int Get(std::int64_t index, T*& element) {
        element = &emptyRecord_;
        Node* node = nullptr;
        const int status = Reach(index, node);
        if (status == kListOk) element = &node->element;
        return status;
    }

    // The element at `index`, or nullptr when there is none.
    T* Find(std::int64_t index) {
        Node* node = nullptr;
        return Reach(index, node) == kListOk ? &node->element : nullptr;
    }

    [[nodiscard]] int RemoveAt(std::int64_t index) {
        const std::int64_t position = index - baseIndex_ + 1;
        if (position < 1 || position > count_) return kListOutOfRange;
        if (position == 1) return RemoveFirst();
        if (position == count_) return RemoveLast();
        Node* node = nullptr;
        const int status = NodeAt(static_cast<std::int32_t>(position), node);
        if (status != kListOk) return status;
        node->previous->next = node->next;
        node->next->previous = node->previous;
        cursor_ = node->next;  // the following node takes over the position number
        cursorPosition_ = static_cast<std::int32_t>(position);
        --count_;
        delete node;
        return kListOk;
    }

    [[nodiscard]] int RemoveFirst() {
        if (count_ == 0) return kListOutOfRange;
        Node* node = first_;
        if (count_ == 1) {
            Reset();
        } else {
            first_ = node->next;
            first_->previous = nullptr;
            --count_;
            cursor_ = first_;
            cursorPosition_ = 1;
        }
        delete node;
        return kListOk;
    }

    [[nodiscard]] int RemoveLast() {
        if (count_ == 0) return kListOutOfRange;
        Node* node = last_;
        if (count_ == 1) {
            Reset();
        } else {
            last_ = node->previous;
            last_->next = nullptr;
            --count_;
            cursor_ = last_;
            cursorPosition_ = count_;
        }
        delete node;
        return kListOk;
    }

    // Destroys every element; the compare routine, base index and empty record stay.
    void Clear() {
        Node* node = first_;
        while (node != nullptr) {
            Node* next = node->next;
            delete node;
            node = next;
        }
        Reset();
    }

    // Sorts in place by exchanging element values between nodes (not stable: the order of equal
    // elements follows from the algorithm below and is relied upon). Afterwards the cursor is the
    // first node. Does nothing without a compare routine or with fewer than 2 elements.
    void Sort(SortDirection direction) {
        if (count_ < 2 || !compare_) return;
        // The elements are reached through a table of the nodes, so each access costs one step
        // however far the two scans are apart; the comparisons and exchanges are those of the
        // partitioning below, in the same order.
        std::vector<Node*> nodes;
        nodes.reserve(static_cast<std::size_t>(count_));
        for (Node* node = first_; node != nullptr; node = node->next) nodes.push_back(node);
        auto at = [&nodes](std::int32_t k) -> T& {
            return nodes[static_cast<std::size_t>(k)]->element;
        };

        struct Range {
            std::int32_t low, high;
        };
        // The larger part of each split waits here while the smaller one is sorted, so the depth
        // never exceeds log2(count) < 32.
        std::array<Range, 32> stack{};
        std::size_t depth = 0;
        stack[depth++] = {0, static_cast<std::int32_t>(nodes.size()) - 1};
        while (depth > 0) {
            auto [lo, hi] = stack[--depth];
            while (lo < hi) {
                const std::int32_t mid = lo + (hi - lo) / 2;  // (lo + hi) / 2 without overflow
                const typename Traits::Pivot pivot = Traits::PivotOf(at(mid));
                const View pivotView = Traits::ViewOfPivot(pivot);
                std::int32_t i = lo;
                std::int32_t j = hi;
                while (i <= j) {
                    if (direction == SortDirection::Ascending) {
                        while (compare_(pivotView, Traits::ViewOf(at(i))) > 0) ++i;
                        while (compare_(pivotView, Traits::ViewOf(at(j))) < 0) --j;
                    } else {
                        while (compare_(pivotView, Traits::ViewOf(at(i))) < 0) ++i;
                        while (compare_(pivotView, Traits::ViewOf(at(j))) > 0) --j;
                    }
                    if (i > j) break;
                    if (i < j) {
                        using std::swap;
                        swap(at(i), at(j));
                    }
                    ++i;
                    --j;
                }
                if (j - lo < hi - i) {
                    if (i < hi) stack[depth++] = {i, hi};
                    hi = j;
                } else {
                    if (lo < j) stack[depth++] = {lo, j};
                    lo = i;
                }
            }
        }
        cursor_ = first_;
        cursorPosition_ = 1;
    }

  private:
    struct Node {
        T element;
        Node* previous;
        Node* next;
    };

    void TakeFrom(PositionalList& other) noexcept {
        first_ = other.first_;
        last_ = other.last_;
        cursor_ = other.cursor_;
        baseIndex_ = other.baseIndex_;
        cursorPosition_ = other.cursorPosition_;
        count_ = other.count_;
        emptyRecord_ = std::move(other.emptyRecord_);
        compare_ = std::move(other.compare_);
        other.Reset();
    }

    void Reset() {
        first_ = last_ = cursor_ = nullptr;
        cursorPosition_ = 0;
        count_ = 0;
    }

    [[nodiscard]] int Reach(std::int64_t index, Node*& node) {
        const std::int64_t position = index - baseIndex_ + 1;
        if (position < 1 || position > count_) return kListOutOfRange;
        return NodeAt(static_cast<std::int32_t>(position), node);
    }

    // Finds the node at position p (1 <= p <= count) from whichever known node is nearest, and
    // makes it the cursor.
    [[nodiscard]] int NodeAt(std::int32_t p, Node*& node) {
        const std::int32_t c = cursorPosition_;
        node = nullptr;
        if (p == 1) {
            node = first_;
        } else if (p == c) {
            node = cursor_;
        } else if (p == c + 1 && cursor_ != nullptr) {
            node = cursor_->next;
        } else if (p == c - 1 && cursor_ != nullptr) {
            node = cursor_->previous;
        } else if (p == count_) {
            node = last_;
        } else if (p < c) {
            if (c - p <= p) {
                node = Walk(cursor_, c - p, Step::Backward);
            } else {
                node = Walk(first_, p - 1, Step::Forward);
            }
        } else if (count_ - p < p - c) {
            node = Walk(last_, count_ - p, Step::Backward);
        } else {
            node = Walk(cursor_, p - c, Step::Forward);
        }
        if (node == nullptr) return kListBrokenChain;
        cursor_ = node;
        cursorPosition_ = p;
        return kListOk;
    }

    enum class Step { Forward, Backward };
    static Node* Walk(Node* from, std::int32_t steps, Step step) {
        for (; from != nullptr && steps > 0; --steps) {
            from = step == Step::Forward ? from->next : from->previous;
        }
        return from;
    }

    Node* first_ = nullptr;
    Node* last_ = nullptr;
    Node* cursor_ = nullptr;
    std::int32_t baseIndex_ = 0;
    std::int32_t cursorPosition_ = 0;
    std::int32_t count_ = 0;
    T emptyRecord_;
    Compare compare_;
};

}  // namespace velora::support
