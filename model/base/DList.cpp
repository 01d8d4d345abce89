#include "model/base/DList.h"

void CDList::Append(CDListNode* node) {
    if (!node) return;
    node->prev = tail;
    node->next = nullptr;
    if (tail) tail->next = node;
    else head = node;
    tail = node;
    ++count;
}

void CDList::InsertAfter(CDListNode* where, CDListNode* node) {
    node->prev = where;
    node->next = where->next;
    if (where->next) where->next->prev = node;
    else tail = node;
    where->next = node;
    ++count;
}

void CDList::InsertBefore(CDListNode* where, CDListNode* node) {
    node->next = where;
    node->prev = where->prev;
    if (where->prev) where->prev->next = node;
    else head = node;
    where->prev = node;
    ++count;
}

bool CDList::InsertSorted(CDListNode* node, bool allowDuplicates) {
    if (!node) return false;
    if (!head || !tail) {
        node->prev = node->next = nullptr;
        head = tail = node;
        count = 1;
        return true;
    }
    for (CDListNode* current = head; current; current = current->next) {
        int r1 = Compare(current, node);
        int r2 = current->next ? Compare(node, current->next) : -1;
        if (r1 < 0 && r2 < 0) {
            InsertAfter(current, node);
            return true;
        }
        if (r1 == 0) {
            if (!allowDuplicates) return false;
            InsertAfter(current, node);
            return true;
        }
        if (r1 > 0) {
            InsertBefore(current, node);
            return true;
        }
    }
    return false;  // not reached: the last element always satisfies one case
}

void CDList::Unlink(CDListNode* node) {
    if (!node) return;
    if (node->prev) node->prev->next = node->next;
    else head = node->next;
    if (node->next) node->next->prev = node->prev;
    else tail = node->prev;
    if (count > 0) --count;
}

void CDList::Remove(CDListNode* node) {
    if (!node) return;
    Unlink(node);
    delete node;
}

void CDList::Clear() {
    CDListNode* node = head;
    while (node) {
        CDListNode* following = node->next;
        delete node;
        node = following;
    }
    head = tail = nullptr;
    count = 0;
}

int CIndexList::Compare(const CDListNode* a, const CDListNode* b) const {
    if (!b) return -1;
    int32_t x = static_cast<const CIndex*>(a)->key;
    int32_t y = static_cast<const CIndex*>(b)->key;
    return x < y ? -1 : x > y ? 1 : 0;
}
