// Intrusive doubly linked lists: every element derives from CDListNode, every
// list from CDList, and a list subclass decides the order through Compare.
#pragma once

#include <cstdint>

class CDListNode {
public:
    CDListNode() = default;
    CDListNode(const CDListNode&) = delete;
    CDListNode& operator=(const CDListNode&) = delete;
    virtual ~CDListNode() = default;

    CDListNode* prev = nullptr;
    CDListNode* next = nullptr;
};

class CDList {
public:
    CDList() = default;
    CDList(const CDList&) = delete;
    CDList& operator=(const CDList&) = delete;
    virtual ~CDList() { Clear(); }

    // Negative when a sorts before b, zero when equal, positive after.
    // Every comparison answers negative for a null b.
    virtual int Compare(const CDListNode* a, const CDListNode* b) const = 0;

    void Append(CDListNode* node);
    // Refused (false) for a null node or, without allowDuplicates, an equal one;
    // a refused node stays the caller's.
    bool InsertSorted(CDListNode* node, bool allowDuplicates);
    // Hands the node back to the caller.
    void Unlink(CDListNode* node);
    void Remove(CDListNode* node);
    void Clear();

    CDListNode* head = nullptr;
    CDListNode* tail = nullptr;
    int32_t count = 0;

private:
    void InsertAfter(CDListNode* where, CDListNode* node);
    void InsertBefore(CDListNode* where, CDListNode* node);
};

// Iterates a list as its element type: for (CRecord* r : Nodes<CRecord>(list)).
template <class T>
class Nodes {
public:
    explicit Nodes(const CDList& list) : first(list.head) {}
    class Iterator {
    public:
        explicit Iterator(CDListNode* n) : node(n) {}
        T* operator*() const { return static_cast<T*>(node); }
        Iterator& operator++() {
            node = node->next;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return node != other.node; }

    private:
        CDListNode* node;
    };
    Iterator begin() const { return Iterator(first); }
    Iterator end() const { return Iterator(nullptr); }

private:
    CDListNode* first;
};

// A temporary sorted set of integers.
class CIndex : public CDListNode {
public:
    explicit CIndex(int32_t k) : key(k) {}
    int32_t key;
};

class CIndexList : public CDList {
public:
    ~CIndexList() override { Clear(); }
    int Compare(const CDListNode* a, const CDListNode* b) const override;
};
