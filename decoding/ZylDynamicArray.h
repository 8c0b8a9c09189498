// A growable array of plain values that grows by a fixed step, so that the
// frame index of a long file costs a handful of reallocations, not one per
// frame.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>

template <typename T> class ZylDynamicArray {
public:
    ZylDynamicArray() { Reset(8, 32); }
    ZylDynamicArray(const ZylDynamicArray&) = delete;
    ZylDynamicArray& operator=(const ZylDynamicArray&) = delete;

    // Drops the contents and allocates room for capacity values; later
    // growth adds step values at a time.
    void Reset(size_t capacity, size_t step) {
        FStorage = std::make_unique_for_overwrite<T[]>(capacity);
        FCapacity = capacity;
        FStep = step > 0 ? step : 1;
        FCount = 0;
    }

    // Returns the position of the appended value.
    size_t Append(const T& value) {
        if (FCount == FCapacity)
            Grow();
        FStorage[FCount] = value;
        return FCount++;
    }

    size_t Count() const { return FCount; }
    size_t Capacity() const { return FCapacity; }
    const T& operator[](size_t index) const { return FStorage[index]; }

private:
    void Grow() {
        auto larger = std::make_unique_for_overwrite<T[]>(FCapacity + FStep);
        std::copy(FStorage.get(), FStorage.get() + FCount, larger.get());
        FStorage = std::move(larger);
        FCapacity += FStep;
    }

    size_t FCapacity = 0;
    size_t FCount = 0;
    size_t FStep = 1;
    std::unique_ptr<T[]> FStorage;
};
