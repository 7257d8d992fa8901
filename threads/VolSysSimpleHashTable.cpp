#include "threads/VolSysSimpleHashTable.h"

#include <cstdint>
#include <cstdlib>

unsigned VolSimpleHashIt(void* item) {
    return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(item) >> 2);
}

int VolSimpleHashCompare(void* a, void* b) {
    return a == b ? 1 : 0;
}

namespace {
void* AllocateStorage(int nb) {
    const std::size_t chains = static_cast<std::size_t>(nb);
    return std::calloc(1, chains * (sizeof(VolSysSimpleHashTable::Node*) + sizeof(VolSysSimpleHashTable::Node)));
}
}  // namespace

int VolSysSimpleHashTable::UpToNiceModulo(int n) {
    static const unsigned kPrimes[] = {2, 3, 5, 7, 11, 13, 17, 19};
    for (unsigned m = static_cast<unsigned>(n);; ++m) {
        bool nice = true;
        for (unsigned p : kPrimes) {
            if (p < m && m % p == 0) {
                nice = false;
                break;
            }
        }
        if (nice) return static_cast<int>(m);
    }
}

VolSysSimpleHashTable::VolSysSimpleHashTable(int size, VolSimpleHashFunction hash, VolSimpleCompareFunction compare)
    : compare_(compare ? compare : VolSimpleHashCompare),
      hash_(hash ? hash : VolSimpleHashIt),
      storage_(nullptr),
      nb_(0),
      count_(0),
      modMagic_(0) {
    int nb = UpToNiceModulo(size);
    if (nb <= 10) nb = 11;
    storage_ = AllocateStorage(nb);
    if (storage_) SetChainCount(nb);
}

void VolSysSimpleHashTable::SetChainCount(int nb) {
    nb_ = nb;
    modMagic_ = ~0ULL / static_cast<unsigned>(nb) + 1;
}

VolSysSimpleHashTable::~VolSysSimpleHashTable() {
    std::free(storage_);
}

VolSysSimpleHashTable::Node* VolSysSimpleHashTable::NextEmptyBucket() const {
    return count_ < nb_ ? Pool() + count_ : nullptr;
}

void VolSysSimpleHashTable::Append(void* item) {
    Node* node = Pool() + count_;
    node->item = item;
    node->next = nullptr;
    Node** link = HeadOf(item);
    while (*link) link = &(*link)->next;
    *link = node;
    ++count_;
}

void* VolSysSimpleHashTable::InsertAndReturn(void* item) {
    if (!storage_) return nullptr;
    for (;;) {
        for (Node* node = *HeadOf(item); node; node = node->next) {
            if (Equal(node->item, item)) return node->item;
        }
        if (count_ < nb_) break;
        if (ReAllocate(0) != 0) return nullptr;
    }
    Append(item);
    return item;
}

int VolSysSimpleHashTable::Insert(void* item) {
    const int before = count_;
    void* stored = InsertAndReturn(item);
    if (!stored) return -1;
    return count_ != before ? 1 : 0;
}

void* VolSysSimpleHashTable::KeyLocate(unsigned key) const {
    if (!storage_) return nullptr;
    for (Node* node = Heads()[ChainOf(key)]; node; node = node->next) {
        if (Hash(node->item) == key) return node->item;
    }
    return nullptr;
}

void* VolSysSimpleHashTable::NextWithKey(void* item) const {
    if (!item) return nullptr;
    const Node* node = LocateBucket(item);
    if (!node) return nullptr;
    const unsigned key = Hash(item);
    for (Node* next = node->next; next; next = next->next) {
        if (Hash(next->item) == key) return next->item;
    }
    return nullptr;
}

void* VolSysSimpleHashTable::Next(void* item) const {
    if (!item) return count_ > 0 ? Pool()[0].item : nullptr;
    const Node* node = LocateBucket(item);
    if (!node) return nullptr;
    const int index = static_cast<int>(node - Pool());
    return index + 1 < count_ ? Pool()[index + 1].item : nullptr;
}

void* VolSysSimpleHashTable::Get(int index) const {
    return index >= 0 && index < count_ ? Pool()[index].item : nullptr;
}

void* VolSysSimpleHashTable::Remove(void* item) {
    if (!storage_ || count_ == 0) return nullptr;
    Node** head = HeadOf(item);
    if (count_ == 1) {
        if (*head && Equal((*head)->item, item)) {
            void* stored = (*head)->item;
            *head = nullptr;
            count_ = 0;
            return stored;
        }
        return nullptr;
    }
    Node** link = head;
    while (*link && !Equal((*link)->item, item)) link = &(*link)->next;
    Node* removed = *link;
    if (!removed) return nullptr;
    *link = removed->next;
    void* stored = removed->item;

    // Keep the pool dense: the last node moves into the freed place.
    Node* last = Pool() + count_ - 1;
    if (last != removed) {
        Node** toLast = HeadOf(last->item);
        while (*toLast != last) toLast = &(*toLast)->next;
        *toLast = removed;
        removed->item = last->item;
        removed->next = last->next;
    }
    --count_;
    if (3 * count_ < nb_ && count_ > 11) ReAllocate(count_ * 11 / 10);
    return stored;
}

void VolSysSimpleHashTable::RemoveAll() {
    if (!storage_) return;
    Node** heads = Heads();
    for (int i = 0; i < nb_; ++i) heads[i] = nullptr;
    count_ = 0;
}

int VolSysSimpleHashTable::ReAllocate(int n) {
    int nb = UpToNiceModulo(n > 0 ? n : 2 * nb_);
    // Never fewer chains than items (nothing may be dropped), and never none at all.
    if (nb < count_) nb = UpToNiceModulo(count_);
    if (nb < 1) nb = 11;
    void* storage = AllocateStorage(nb);
    if (!storage) return -1;
    void* oldStorage = storage_;
    Node* oldPool = Pool();
    const int oldCount = count_;
    storage_ = storage;
    SetChainCount(nb);
    count_ = 0;
    // The items are distinct already: append them again in pool order.
    for (int i = 0; i < oldCount; ++i) Append(oldPool[i].item);
    std::free(oldStorage);
    return 0;
}
