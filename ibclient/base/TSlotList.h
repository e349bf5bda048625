// TSlotList: a list whose slot numbers never shift. An addition fills the
// first empty slot (or appends) and answers the slot; a removal empties its
// slot. Connections and transactions keep their statements, record sets,
// databases and transactions in such lists, and each member remembers its
// slot so that it can leave in one step.
#pragma once

#include <algorithm>
#include <vector>

template <class T>
class TSlotList {
public:
    int Add(T* item)
    {
        for (std::size_t i = 0; i < FSlots.size(); ++i)
            if (!FSlots[i]) {
                FSlots[i] = item;
                return static_cast<int>(i);
            }
        FSlots.push_back(item);
        return static_cast<int>(FSlots.size() - 1);
    }

    // Empties a slot; answers what it held (none for a bad or empty slot).
    T* Remove(int slot)
    {
        if (slot < 0 || slot >= Size() || !FSlots[static_cast<std::size_t>(slot)])
            return nullptr;
        T* item = FSlots[static_cast<std::size_t>(slot)];
        FSlots[static_cast<std::size_t>(slot)] = nullptr;
        return item;
    }

    int Find(const T* item) const
    {
        const auto it = std::find(FSlots.begin(), FSlots.end(), item);
        return item && it != FSlots.end() ? static_cast<int>(it - FSlots.begin()) : -1;
    }

    // Slots in use plus empty ones.
    int Size() const { return static_cast<int>(FSlots.size()); }
    T* At(int slot) const
    {
        return slot >= 0 && slot < Size() ? FSlots[static_cast<std::size_t>(slot)] : nullptr;
    }
    // Non-empty slots.
    int Count() const
    {
        return static_cast<int>(std::count_if(FSlots.begin(), FSlots.end(), [](T* p) { return p != nullptr; }));
    }

    // Calls fn(item, slot) for each non-empty slot in ascending order. Members
    // may leave (or join) while this runs; a slot emptied meanwhile is skipped.
    template <class Fn>
    void ForEach(Fn fn) const
    {
        for (int i = 0; i < Size(); ++i)
            if (T* item = FSlots[static_cast<std::size_t>(i)])
                fn(item, i);
    }

    void Clear() { FSlots.clear(); }

private:
    std::vector<T*> FSlots;
};
