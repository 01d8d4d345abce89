// Memory that runs out on demand: while an AllocationFailure is alive, the
// allocations of this program are counted, and the one it names fails with
// std::bad_alloc, once, as when one request cannot be met and the smaller
// ones after it still can.
#pragma once

class AllocationFailure {
public:
    // failAt counts from 1; 0 only counts.
    explicit AllocationFailure(long failAt);
    ~AllocationFailure();
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;

    // Allocations seen so far.
    long Seen() const;
    // The allocation named has failed.
    bool Failed() const;
};
