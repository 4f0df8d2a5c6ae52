#include "modules/sim/EmxArray.hpp"

#include "host/MexFunction.hpp"
#include "host/classic/ClassicRuntime.hpp"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace drova::sim {
namespace {

template <class List>
using ElementOf = std::remove_pointer_t<decltype(List::data)>;
// Records hold lists of their own, which are initialised, freed and copied with them.
template <class Element>
inline constexpr bool IsRecord = std::is_class_v<Element>;

void initRecord(ClassicRootContext* context, rtString& record);
void initRecord(ClassicRootContext* context, struct0_T& record);
void initRecord(ClassicRootContext* context, struct1_T& record);
void initRecord(ClassicRootContext* context, struct2_T& record);
void initRecord(ClassicRootContext* context, struct3_T& record);
void initRecord(ClassicRootContext* context, struct4_T& record);
void initRecord(ClassicRootContext* context, struct5_T& record);
void freeRecord(ClassicRootContext* context, rtString& record);
void freeRecord(ClassicRootContext* context, struct0_T& record);
void freeRecord(ClassicRootContext* context, struct1_T& record);
void freeRecord(ClassicRootContext* context, struct2_T& record);
void freeRecord(ClassicRootContext* context, struct3_T& record);
void freeRecord(ClassicRootContext* context, struct4_T& record);
void freeRecord(ClassicRootContext* context, struct5_T& record);
void copyRecord(rtString& destination, const rtString& source);
void copyRecord(struct0_T& destination, const struct0_T& source);
void copyRecord(struct1_T& destination, const struct1_T& source);
void copyRecord(struct2_T& destination, const struct2_T& source);
void copyRecord(struct3_T& destination, const struct3_T& source);
void copyRecord(struct4_T& destination, const struct4_T& source);
void copyRecord(struct5_T& destination, const struct5_T& source);

// Records from ... to-1 of the list, limited to its buffer.
template <class List, class Action>
void forRecords(List& list, int32_T from, int32_T to, Action action) {
    for (int32_T i = std::max(from, 0); i < std::min(to, list.allocatedSize); ++i) action(list.data[i]);
}

template <class List>
void expandRange(List& list, int32_T from, int32_T to) {
    forRecords(list, from, to, [](auto& record) { initRecord(nullptr, record); });
}

template <class List>
void trimRange(List& list, int32_T from, int32_T to) {
    forRecords(list, from, to, [](auto& record) { freeRecord(nullptr, record); });
}

// Frees a list and, when it owns them, the records in use.
template <class List>
void releaseList(void* memory) {
    auto* list = static_cast<List*>(memory);
    if (list->canFreeData) {
        if constexpr (IsRecord<ElementOf<List>>)
            if (list->size != nullptr) trimRange(*list, 0, emxElementsInUse(*list));
        classicFree(list->data);
    }
    classicFree(list->size);
    classicFree(list);
}

template <class List>
void initList(ClassicRootContext* context, List** handle) {
    auto* list = static_cast<List*>(classicCalloc(1, sizeof(List)));
    list->numDimensions = 2;
    list->canFreeData = true;
    *handle = list;
    // Registered before the size pair is allocated: if that fails, the
    // clean-up still frees the record.
    if (context != nullptr) classicPushCleanup(*context, list, &releaseList<List>);
    list->size = static_cast<int32_T*>(classicCalloc(2, sizeof(int32_T)));
}

template <class List>
void freeList(ClassicRootContext* context, List** handle) {
    if (*handle == nullptr) return;
    if (context != nullptr) classicPopCleanup(*context, *handle);
    releaseList<List>(*handle);
    *handle = nullptr;
}

template <class List>
void ensureCapacity(List& list, int32_T oldNumel) {
    using Element = ElementOf<List>;
    static_assert(std::is_trivially_copyable_v<Element>);
    const int32_T needed = classicMultiplySizes(list.size[0], list.size[1]);
    if (needed <= list.allocatedSize) return;
    const int32_T capacity = emxGrownCapacity(list.allocatedSize, needed);
    auto* data = static_cast<Element*>(classicCalloc(static_cast<std::size_t>(capacity), sizeof(Element)));
    if (list.data != nullptr) {
        const int32_T kept = std::clamp(oldNumel, 0, list.allocatedSize);
        std::memcpy(data, list.data, sizeof(Element) * static_cast<std::size_t>(kept));
        if (list.canFreeData) classicFree(list.data);
    }
    list.data = data;
    list.allocatedSize = capacity;
    list.canFreeData = true;
}

template <class List>
void copyList(List** destinationHandle, const List* source) {
    List& destination = **destinationHandle;
    const int32_T oldNumel = emxElementsInUse(destination);
    const int32_T newNumel = emxElementsInUse(*source);
    constexpr bool records = IsRecord<ElementOf<List>>;
    if constexpr (records) trimRange(destination, newNumel, oldNumel);
    destination.size[0] = source->size[0];
    destination.size[1] = source->size[1];
    ensureCapacity(destination, oldNumel);
    if constexpr (records) {
        expandRange(destination, oldNumel, newNumel);
        for (int32_T i = 0; i < newNumel; ++i) copyRecord(destination.data[i], source->data[i]);
    } else if (newNumel > 0) {
        std::memcpy(destination.data, source->data, sizeof(ElementOf<List>) * static_cast<std::size_t>(newNumel));
    }
}

void initRecord(ClassicRootContext* context, rtString& record) { initList(context, &record.Value); }
void freeRecord(ClassicRootContext* context, rtString& record) { freeList(context, &record.Value); }
void copyRecord(rtString& destination, const rtString& source) { copyList(&destination.Value, source.Value); }

void initRecord(ClassicRootContext* context, struct1_T& record) {
    initRecord(context, record.Name);
    initList(context, &record.Transitions);
}
void freeRecord(ClassicRootContext* context, struct1_T& record) {
    freeList(context, &record.Transitions);
    freeRecord(context, record.Name);
}
void copyRecord(struct1_T& destination, const struct1_T& source) {
    copyRecord(destination.Name, source.Name);
    destination.DownState = source.DownState;
    copyList(&destination.Transitions, source.Transitions);
}

void initRecord(ClassicRootContext* context, struct2_T& record) { initList(context, &record.InitialTimers); }
void freeRecord(ClassicRootContext* context, struct2_T& record) { freeList(context, &record.InitialTimers); }
void copyRecord(struct2_T& destination, const struct2_T& source) {
    destination.InitialState = source.InitialState;
    copyList(&destination.InitialTimers, source.InitialTimers);
}

void initRecord(ClassicRootContext* context, struct3_T& record) { initList(context, &record.parameters); }
void freeRecord(ClassicRootContext* context, struct3_T& record) { freeList(context, &record.parameters); }
void copyRecord(struct3_T& destination, const struct3_T& source) {
    destination.type = source.type;
    copyList(&destination.parameters, source.parameters);
}

void initRecord(ClassicRootContext* context, struct5_T& record) { initList(context, &record.New); }
void freeRecord(ClassicRootContext* context, struct5_T& record) { freeList(context, &record.New); }
void copyRecord(struct5_T& destination, const struct5_T& source) {
    destination.Target = source.Target;
    destination.Probability = source.Probability;
    copyList(&destination.New, source.New);
}

void initRecord(ClassicRootContext* context, struct4_T& record) {
    initList(context, &record.Distributions);
    initList(context, &record.Destinations);
}
void freeRecord(ClassicRootContext* context, struct4_T& record) {
    freeList(context, &record.Destinations);
    freeList(context, &record.Distributions);
}
void copyRecord(struct4_T& destination, const struct4_T& source) {
    destination.Source = source.Source;
    copyList(&destination.Distributions, source.Distributions);
    copyList(&destination.Destinations, source.Destinations);
}

void initRecord(ClassicRootContext* context, struct0_T& record) {
    initRecord(context, record.Name);
    initList(context, &record.States);
    initRecord(context, record.Initial);
    initList(context, &record.Distributions);
    initList(context, &record.Transitions);
}
void freeRecord(ClassicRootContext* context, struct0_T& record) {
    freeList(context, &record.Transitions);
    freeList(context, &record.Distributions);
    freeRecord(context, record.Initial);
    freeList(context, &record.States);
    freeRecord(context, record.Name);
}
void copyRecord(struct0_T& destination, const struct0_T& source) {
    copyRecord(destination.Name, source.Name);
    copyList(&destination.States, source.States);
    copyRecord(destination.Initial, source.Initial);
    copyList(&destination.Distributions, source.Distributions);
    copyList(&destination.Transitions, source.Transitions);
}

}  // namespace
}  // namespace drova::sim

// The exports are C functions outside the namespace.
using namespace drova;
using namespace drova::sim;

#define DROVA_EMX_LIST_EXPORTS(T)                                                                             \
    DROVA_MEX_EXPORT void emxInit_##T(ClassicRootContext* context, emxArray_##T** list) {                     \
        initList(context, list);                                                                              \
    }                                                                                                         \
    DROVA_MEX_EXPORT void emxFree_##T(ClassicRootContext* context, emxArray_##T** list) {                     \
        freeList(context, list);                                                                              \
    }                                                                                                         \
    DROVA_MEX_EXPORT void emxEnsureCapacity_##T(emxArray_##T* list, int32_T oldNumel) {                       \
        ensureCapacity(*list, oldNumel);                                                                      \
    }                                                                                                         \
    DROVA_MEX_EXPORT void emxCopy_##T(emxArray_##T** destination, emxArray_##T* const* source) {              \
        copyList(destination, *source);                                                                       \
    }

#define DROVA_EMX_RECORD_EXPORTS(T)                                                                           \
    DROVA_EMX_LIST_EXPORTS(T)                                                                                 \
    DROVA_MEX_EXPORT void emxInitStruct_##T(ClassicRootContext* context, T* record) {                         \
        initRecord(context, *record);                                                                         \
    }                                                                                                         \
    DROVA_MEX_EXPORT void emxFreeStruct_##T(ClassicRootContext* context, T* record) {                         \
        freeRecord(context, *record);                                                                         \
    }                                                                                                         \
    DROVA_MEX_EXPORT void emxCopyStruct_##T(T* destination, const T* source) { copyRecord(*destination, *source); } \
    DROVA_MEX_EXPORT void emxExpand_##T(emxArray_##T* list, int32_T fromIndex, int32_T toIndex) {             \
        expandRange(*list, fromIndex, toIndex);                                                               \
    }                                                                                                         \
    DROVA_MEX_EXPORT void emxTrim_##T(emxArray_##T* list, int32_T fromIndex, int32_T toIndex) {               \
        trimRange(*list, fromIndex, toIndex);                                                                 \
    }                                                                                                         \
    DROVA_MEX_EXPORT void emxExpand_##T##_1x1(T* record) { initRecord(nullptr, *record); }                    \
    DROVA_MEX_EXPORT void emxTrim_##T##_1x1(T* record) { freeRecord(nullptr, *record); }

DROVA_EMX_LIST_EXPORTS(boolean_T)
DROVA_EMX_LIST_EXPORTS(char_T)
DROVA_EMX_LIST_EXPORTS(int32_T)
DROVA_EMX_LIST_EXPORTS(int64_T)
DROVA_EMX_LIST_EXPORTS(real_T)
DROVA_EMX_RECORD_EXPORTS(rtString)
DROVA_EMX_RECORD_EXPORTS(struct0_T)
DROVA_EMX_RECORD_EXPORTS(struct1_T)
DROVA_EMX_RECORD_EXPORTS(struct2_T)
DROVA_EMX_RECORD_EXPORTS(struct3_T)
DROVA_EMX_RECORD_EXPORTS(struct4_T)
DROVA_EMX_RECORD_EXPORTS(struct5_T)
