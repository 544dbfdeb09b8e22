// A set of pages of a plan, found by a key each page has (its path, its file identity), kept as
// one array of page indices: a site of many pages costs a few bytes a page, not a node each.
#pragma once

#include <cstddef>
#include <vector>

namespace solvina {

// keyOf(index) gives the key of a page; hash(key) its hash; keys compare with ==.
template <typename KeyOf, typename Hash> class PageIndexSet {
public:
    PageIndexSet(KeyOf keyOf, Hash hash) : m_keyOf(keyOf), m_hash(hash) {}

    template <typename Key> bool contains(const Key& key) const {
        if (m_slots.empty())
            return false;
        for (std::size_t at = m_hash(key) & mask();; at = (at + 1) & mask()) {
            if (m_slots[at] < 0)
                return false;
            if (m_keyOf(m_slots[at]) == key)
                return true;
        }
    }

    // The page is added whether or not a page with its key is in the set.
    void insert(int index) {
        if ((m_count + 1) * 2 > m_slots.size())
            grow();
        place(m_slots, index);
        ++m_count;
    }

private:
    std::size_t mask() const { return m_slots.size() - 1; }

    void place(std::vector<int>& slots, int index) const {
        std::size_t at = m_hash(m_keyOf(index)) & (slots.size() - 1);
        while (slots[at] >= 0)
            at = (at + 1) & (slots.size() - 1);
        slots[at] = index;
    }

    void grow() {
        std::vector<int> slots(m_slots.empty() ? 64 : m_slots.size() * 2, -1);
        for (int index : m_slots)
            if (index >= 0)
                place(slots, index);
        m_slots.swap(slots);
    }

    KeyOf m_keyOf;
    Hash m_hash;
    std::vector<int> m_slots; // -1: empty; never more than half full
    std::size_t m_count = 0;
};

} // namespace solvina
