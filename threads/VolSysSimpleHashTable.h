#pragma once
// A compact hash set of opaque non-null pointers with caller-supplied hash and equality. Chain heads
// and nodes share one heap block; nodes are used densely in insertion order (Remove moves the last
// one into the gap). The table never owns its items and takes no lock.

#include "threads/VolApi.h"

using VolSimpleHashFunction = unsigned (*)(void* item);
using VolSimpleCompareFunction = int (*)(void* a, void* b);  // non-zero when equal

// The item's address shifted right by 2 bits.
VOL_API unsigned VolSimpleHashIt(void* item);
// 1 when a and b are the same pointer, else 0.
VOL_API int VolSimpleHashCompare(void* a, void* b);

class VOL_API VolSysSimpleHashTable {
public:
    struct Node {
        void* item;
        Node* next;
    };

    // size 0 or anything up to 10 gives 11 chains. If the storage cannot be allocated the table stays
    // empty and refuses every insertion.
    VolSysSimpleHashTable(int size = 0, VolSimpleHashFunction hash = VolSimpleHashIt,
                          VolSimpleCompareFunction compare = VolSimpleHashCompare);
    ~VolSysSimpleHashTable();
    VolSysSimpleHashTable(const VolSysSimpleHashTable&) = delete;
    VolSysSimpleHashTable& operator=(const VolSysSimpleHashTable&) = delete;

    void* InsertAndReturn(void* item);  // the stored equal item, or item once inserted; null: cannot grow
    int Insert(void* item);             // 1 inserted, 0 an equal item was there, -1 cannot grow
    void* Locate(void* item) const {
        const Node* node = LocateBucket(item);
        return node ? node->item : nullptr;
    }
    Node* LocateBucket(void* item) const {
        if (!storage_ || count_ == 0) return nullptr;
        Node* node = *HeadOf(item);
        if (compare_ == VolSimpleHashCompare) {
            while (node && node->item != item) node = node->next;
            return node;
        }
        while (node && !compare_(node->item, item)) node = node->next;
        return node;
    }
    void* KeyLocate(unsigned key) const;
    void* NextWithKey(void* item) const;
    void* Next(void* item) const;  // pool order; Next(null) is the first item
    void* Get(int index) const;
    void* Remove(void* item);
    void RemoveAll();
    int Size() const { return count_; }
    int ReAllocate(int n);  // 0 done; -1 no memory, table unchanged
    static int UpToNiceModulo(int n);
    void PrintStats() const {}

    int ChainCount() const { return nb_; }

private:
    Node* NextEmptyBucket() const;
    // The default functions are by far the most common; calling them directly lets them inline.
    unsigned Hash(void* item) const { return hash_ == VolSimpleHashIt ? DefaultHash(item) : hash_(item); }
    bool Equal(void* a, void* b) const { return compare_ == VolSimpleHashCompare ? a == b : compare_(a, b) != 0; }
    static unsigned DefaultHash(void* item) {
        return static_cast<unsigned>(reinterpret_cast<decltype(sizeof(0))>(item) >> 2);
    }
    Node** Heads() const { return reinterpret_cast<Node**>(storage_); }
    Node* Pool() const { return reinterpret_cast<Node*>(Heads() + nb_); }
    Node** HeadOf(void* item) const { return Heads() + ChainOf(Hash(item)); }
    // key % nb_ without a division: one 64-bit and one 128-bit product (D. Lemire, "Faster
    // remainder by direct computation", 2019), exact for every 32-bit key and divisor.
    unsigned ChainOf(unsigned key) const {
#if defined(__SIZEOF_INT128__)
        const unsigned long long low = modMagic_ * key;
        return static_cast<unsigned>((static_cast<unsigned __int128>(low) * static_cast<unsigned>(nb_)) >> 64);
#else
        return key % static_cast<unsigned>(nb_);
#endif
    }
    void SetChainCount(int nb);
    // Takes the next pool node for item and links it at the end of its chain.
    void Append(void* item);

    VolSimpleCompareFunction compare_;
    VolSimpleHashFunction hash_;
    void* storage_;
    int nb_;
    int count_;
    // For ChainOf; set with nb_.
    unsigned long long modMagic_;
};
