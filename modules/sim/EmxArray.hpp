#pragma once
// The variable-size list records of Drovasim's exported interface and the
// array utilities the module exports for each element type.
//
// A list record owns (when canFreeData is set) a buffer of allocatedSize
// elements, of which size[0] x size[1] are in use; numDimensions is always 2.
// Buffers, size pairs and records come from the host's memory (classicCalloc).
// The module's own computation keeps standard containers; these records are
// how a caller outside the module hands it a model (simulateGSMS) and gets
// the result back.
//
// Utilities, for each element type T (boolean_T, char_T, int32_T, int64_T,
// real_T and the records below):
//   emxInit_T(context, &list)          new empty 0x0 list, capacity 0, owning;
//                                      registered on the context's clean-up
//                                      stack unless context is null
//   emxFree_T(context, &list)          frees buffer (if owned, with the records
//                                      in use), size pair and record,
//                                      unregisters it and clears the handle
//   emxEnsureCapacity_T(list, oldNumel) grows the buffer to hold the product
//                                      of the sizes (emxGrownCapacity),
//                                      keeping the first oldNumel elements
//   emxCopy_T(&destination, &source)   deep copy into an existing list
// and for each record type R additionally:
//   emxInitStruct_R(context, &record)  new empty lists inside one record,
//                                      registered as by emxInit_
//   emxFreeStruct_R(context, &record)  frees the lists inside one record
//   emxCopyStruct_R(&destination, &source)  deep copy into an initialised record
//   emxExpand_R(list, from, to)        initialises records from ... to-1 of a
//                                      list (they belong to the list)
//   emxTrim_R(list, from, to)          frees the lists of records from ... to-1
//   emxExpand_R_1x1(&record), emxTrim_R_1x1(&record)  the same for one record

#include "simulate/SimModel.hpp"

#include "host/classic/ClassicRuntime.hpp"

#include <cstdint>
#include <limits>

using boolean_T = bool;
using char_T = char;
using int32_T = std::int32_t;
using int64_T = std::int64_t;
using real_T = double;

#define DROVA_EMX_ARRAY(T)       \
    struct emxArray_##T {        \
        T* data;                 \
        int32_T* size;           \
        int32_T allocatedSize;   \
        int32_T numDimensions;   \
        boolean_T canFreeData;   \
    };

DROVA_EMX_ARRAY(boolean_T)
DROVA_EMX_ARRAY(char_T)
DROVA_EMX_ARRAY(int32_T)
DROVA_EMX_ARRAY(int64_T)
DROVA_EMX_ARRAY(real_T)

// A string: its characters as a 1-by-n row.
struct rtString {
    emxArray_char_T* Value;
};
DROVA_EMX_ARRAY(rtString)

// SimState
struct struct1_T {
    rtString Name;
    boolean_T DownState;
    emxArray_int64_T* Transitions;
};
DROVA_EMX_ARRAY(struct1_T)

// SimInitial
struct struct2_T {
    int64_T InitialState;
    emxArray_int64_T* InitialTimers;
};
DROVA_EMX_ARRAY(struct2_T)

// SimDistribution; the enumeration member is held as its value.
struct struct3_T {
    drova::DistType type;
    emxArray_real_T* parameters;
};
DROVA_EMX_ARRAY(struct3_T)

// SimDestination
struct struct5_T {
    int64_T Target;
    real_T Probability;
    emxArray_int64_T* New;
};
DROVA_EMX_ARRAY(struct5_T)

// SimTransition
struct struct4_T {
    int64_T Source;
    emxArray_int64_T* Distributions;
    emxArray_struct5_T* Destinations;
};
DROVA_EMX_ARRAY(struct4_T)

// SimModel
struct struct0_T {
    rtString Name;
    emxArray_struct1_T* States;
    struct2_T Initial;
    emxArray_struct3_T* Distributions;
    emxArray_struct4_T* Transitions;
};
DROVA_EMX_ARRAY(struct0_T)

#undef DROVA_EMX_ARRAY

namespace drova::sim {

// The growth rule of emxEnsureCapacity_: when `needed` exceeds the capacity,
// start at the capacity (at least 16) and double until it covers the need; a
// capacity beyond 2^30 - 1 becomes 2^31 - 1 instead of doubling.
inline int32_T emxGrownCapacity(int32_T capacity, int32_T needed) {
    if (needed <= capacity) return capacity;
    int32_T grown = capacity < 16 ? 16 : capacity;
    while (grown < needed) grown = grown > 1073741823 ? std::numeric_limits<int32_T>::max() : grown * 2;
    return grown;
}

// The elements in use: the product of the sizes, never more than the buffer holds.
template <class List>
int32_T emxElementsInUse(const List& list) {
    const std::int64_t count = std::int64_t{list.size[0]} * list.size[1];
    return static_cast<int32_T>(count < 0 ? 0 : count > list.allocatedSize ? list.allocatedSize : count);
}

}  // namespace drova::sim

#define DROVA_EMX_LIST_UTILITIES(T)                                                                       \
    extern "C" {                                                                                          \
    void emxInit_##T(drova::ClassicRootContext* context, emxArray_##T** list);                            \
    void emxFree_##T(drova::ClassicRootContext* context, emxArray_##T** list);                            \
    void emxEnsureCapacity_##T(emxArray_##T* list, int32_T oldNumel);                                     \
    void emxCopy_##T(emxArray_##T** destination, emxArray_##T* const* source);                            \
    }

#define DROVA_EMX_RECORD_UTILITIES(T)                                                                     \
    DROVA_EMX_LIST_UTILITIES(T)                                                                           \
    extern "C" {                                                                                          \
    void emxInitStruct_##T(drova::ClassicRootContext* context, T* record);                                \
    void emxFreeStruct_##T(drova::ClassicRootContext* context, T* record);                                \
    void emxCopyStruct_##T(T* destination, const T* source);                                              \
    void emxExpand_##T(emxArray_##T* list, int32_T fromIndex, int32_T toIndex);                           \
    void emxTrim_##T(emxArray_##T* list, int32_T fromIndex, int32_T toIndex);                             \
    void emxExpand_##T##_1x1(T* record);                                                                  \
    void emxTrim_##T##_1x1(T* record);                                                                    \
    }

DROVA_EMX_LIST_UTILITIES(boolean_T)
DROVA_EMX_LIST_UTILITIES(char_T)
DROVA_EMX_LIST_UTILITIES(int32_T)
DROVA_EMX_LIST_UTILITIES(int64_T)
DROVA_EMX_LIST_UTILITIES(real_T)
DROVA_EMX_RECORD_UTILITIES(rtString)
DROVA_EMX_RECORD_UTILITIES(struct0_T)
DROVA_EMX_RECORD_UTILITIES(struct1_T)
DROVA_EMX_RECORD_UTILITIES(struct2_T)
DROVA_EMX_RECORD_UTILITIES(struct3_T)
DROVA_EMX_RECORD_UTILITIES(struct4_T)
DROVA_EMX_RECORD_UTILITIES(struct5_T)

#undef DROVA_EMX_LIST_UTILITIES
#undef DROVA_EMX_RECORD_UTILITIES
